#include <QAction>
#include <QCheckBox>
#include <QLabel>

#include "WindowFixture.h"
#include "model/Choices.h"
#include "ui/RadioGroup.h"

namespace twinlens::ui::test {
namespace {

// One enable or visibility rule: a source control, the value that turns the targets on, and the
// settings-file line that gives the source that value.
struct Rule {
  const char* name;
  const char* source;  // a check box, or a choice group with `option`
  int option;
  std::vector<const char*> targets;
  bool visibility;      // shown and hidden rather than enabled and disabled
  const char* section;  // of the settings file
  const char* key;
  const char* onValue;
};

void PrintTo(const Rule& rule, std::ostream* out) {
  *out << rule.name;
}

class Rules : public WindowFixture, public ::testing::WithParamInterface<Rule> {
 protected:
  void set(bool on) {
    const Rule& rule = GetParam();
    if (rule.option < 0) {
      auto* box = control<QCheckBox>(QString::fromLatin1(rule.source));
      if (box->isChecked() != on) box->click();
    } else {
      choose(QString::fromLatin1(rule.source), on ? rule.option : 0);
    }
  }
  void expectTargets(bool on) {
    for (const char* target : GetParam().targets) {
      QWidget* widget = control(QString::fromLatin1(target));
      if (GetParam().visibility) {
        EXPECT_EQ(!widget->isHidden(), on) << target;
      } else {
        EXPECT_EQ(widget->isEnabled(), on) << target;
      }
    }
  }
  void loadLayout(bool on) {
    const Rule& rule = GetParam();
    const std::string layout = folder.file(on ? "on.lay" : "off.lay");
    twinlens::test::writeBytes(layout, std::string("[") + rule.section + "]\r\n" + rule.key + "=" +
                                           (on ? rule.onValue : "0") + "\r\n");
    prompter.openAnswers = {QStringList{QString::fromStdString(layout)}};
    control<QAction>(QStringLiteral("LoadLayout1"))->trigger();
  }
};

TEST_P(Rules, FollowTheUsersChoice) {
  activate();
  expectTargets(false);
  set(true);
  expectTargets(true);
  set(false);
  expectTargets(false);
}

TEST_P(Rules, FollowLoading) {
  activate();
  loadLayout(true);
  expectTargets(true);
  loadLayout(false);
  expectTargets(false);
  EXPECT_TRUE(prompter.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Window, Rules,
    ::testing::Values(Rule{"FinalSize",
                           "CheckBox_change_final_HV",
                           -1,
                           {"Edit_final_H", "Edit_final_V", "Edit_Blur"},
                           false,
                           "Output",
                           "Change Resolution",
                           "1"},
                      Rule{"ExecuteFfmpeg",
                           "CheckBox_ffmpeg_make",
                           -1,
                           {"CheckBox_Execute_ffmpeg"},
                           false,
                           "Output",
                           "Makeffmpeg",
                           "1"},
                      Rule{"VirtualDubJobs",
                           "CheckBox_VD_MakeJobs",
                           -1,
                           {"CheckBox_Execute_VD", "CheckBox_2VD"},
                           false,
                           "Output",
                           "MakeVDJobs",
                           "1"},
                      Rule{"UserFrameRate",
                           "RadioGroup_FrameRates",
                           choices::itemIndex(choices::FrameRates::UserDefined),
                           {"Edit_FR_Num", "Edit_FR_Den"},
                           false,
                           "Frames",
                           "Progressive Frame Rates",
                           "9"},
                      Rule{"PictureFrameRate",
                           "RadioGroup_Import_Options",
                           choices::itemIndex(choices::ImportOptions::Pictures),
                           {"Label_picture_FR", "Edit_import_picture_FR"},
                           true,
                           "Input",
                           "Import Options",
                           "2"}),
    [](const auto& info) { return std::string(info.param.name); });

using RuleValues = WindowFixture;

TEST_F(RuleValues, ADisabledCheckBoxKeepsItsCheckMark) {
  activate();
  click(QStringLiteral("CheckBox_ffmpeg_make"));
  click(QStringLiteral("CheckBox_Execute_ffmpeg"));
  click(QStringLiteral("CheckBox_ffmpeg_make"));
  EXPECT_FALSE(control(QStringLiteral("CheckBox_Execute_ffmpeg"))->isEnabled());
  EXPECT_TRUE(window->settings().CheckBox_Execute_ffmpeg);
  EXPECT_TRUE(control<QCheckBox>(QStringLiteral("CheckBox_Execute_ffmpeg"))->isChecked());
}

TEST_F(RuleValues, HiddenAndDisabledFieldsKeepTheirTexts) {
  activate();
  choose(QStringLiteral("RadioGroup_Import_Options"),
         choices::itemIndex(choices::ImportOptions::Pictures));
  type(QStringLiteral("Edit_import_picture_FR"), QStringLiteral("0"));
  choose(QStringLiteral("RadioGroup_Import_Options"),
         choices::itemIndex(choices::ImportOptions::DirectShowSource));
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_import_picture_FR"))->text(), "250");
  EXPECT_EQ(window->settings().Edit_import_picture_FR, "250");
  choose(QStringLiteral("RadioGroup_FrameRates"), 5);
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_FR_Num"))->text(), "30000");
}

TEST_F(RuleValues, HoldAfterALoadThatStopsAtAnError) {
  activate();
  // Frame rate 9 is applied, then loading stops at the numerator before the rules' own step.
  twinlens::test::writeBytes(folder.file("broken.lay"),
                             "[Frames]\r\nProgressive Frame Rates=9\r\n[Output]\r\n"
                             "Change Resolution=1\r\n[Final]\r\nUser FR Num=fast\r\n");
  prompter.openAnswers = {QStringList{QString::fromStdString(folder.file("broken.lay"))}};
  control<QAction>(QStringLiteral("LoadLayout1"))->trigger();
  EXPECT_EQ(prompter.errors, QStringList{"'fast' is not a valid integer value."});
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_FrameRates"))->itemIndex(), 9);
  EXPECT_TRUE(control(QStringLiteral("Edit_FR_Num"))->isEnabled());
  EXPECT_TRUE(control(QStringLiteral("Edit_final_H"))->isEnabled());
}

}  // namespace
}  // namespace twinlens::ui::test
