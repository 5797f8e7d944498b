#include <QAction>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

#include "WindowFixture.h"
#include "ui/RadioGroup.h"

namespace twinlens::ui::test {
namespace {

struct Hint {
  const char* control;
  const char* tooltip;  // empty: none
  const char* status;
};

void PrintTo(const Hint& hint, std::ostream* out) {
  *out << hint.control;
}

class ControlHints : public WindowFixture, public ::testing::WithParamInterface<Hint> {};

TEST_P(ControlHints, ShowTooltipAndStatusBarText) {
  const Hint& hint = GetParam();
  QWidget* widget = control(QString::fromLatin1(hint.control));
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->toolTip().toStdString(), hint.tooltip);
  EXPECT_EQ(widget->statusTip().toStdString(), hint.status);
}

constexpr auto kFinalSize =
    "Final size per left or right picture. E.g. LR will have double horizontal size";

INSTANTIATE_TEST_SUITE_P(
    Window, ControlHints,
    ::testing::Values(
        Hint{"RadioGroup_Input_Format", "Choose input 3D format", "Choose input 3D format"},
        Hint{"CheckBox_Input_SF",
             "Letting know that input video has separate fields (usually for interlaced video "
             "separated into fields). The video should be squeezed vertically.  ",
             "Letting know that input video has separate fields (usually for interlaced video "
             "separated into fields). The video should be squeezed vertically.  "},
        Hint{"CheckBox_HML", "Horizontal mirror or left picture",
             "Horizontal mirror or left picture"},
        Hint{"Label_Audio_Frames_Cut",
             "Number of audio frames cut at the end of video. Useful when importing from "
             "DebugMode frame server.",
             "Number of audio frames cut at the end of video. Useful when importing from "
             "DebugMode frame server."},
        Hint{"Edit_Audio_Frames_Cut", "", ""}, Hint{"Edit_final_H", "", kFinalSize},
        Hint{"Edit_final_V", "", kFinalSize},
        Hint{"Edit_Blur", "",
             "Amount of blur, use it when downsizing the video. Try with value around 1."},
        Hint{"CheckBox_Output_DI_Phase", "",
             "If checked, deinterlace will be executed, but the final file will be only in "
             "Avisynth form (*.avs)"},
        Hint{"CheckBox_Execute_ffmpeg", "",
             "The ffmpeg bat file will be run after selection of input files"},
        Hint{"RadioGroup_Pitch",
             "What happes with sound when changing frame rates or repeat/skip frames. Default is "
             "\"change pitch\". If selecting \"do nothing\", sound and video might not be "
             "synchronised (of the same length).",
             "What happes with sound when changing frame rates or repeat/skip frames. Default is "
             "\"change pitch\". If selecting \"do nothing\", sound and video might not be "
             "synchronised (of the same length)."},
        Hint{"Edit_vcf_LR",
             "Choose VirtualDub VCF file used when exporting side-by-side and over-under files.",
             "Choose VirtualDub VCF file used when exporting side-by-side and over-under files."},
        Hint{"Button3",
             "Choose VirtualDub VCF file used when exporting side-by-side and over-under files.",
             "Choose VirtualDub VCF file used when exporting side-by-side and over-under files."},
        Hint{"CheckBox_Output_DI",
             "Deinterlace the footage. Don't forget to choose VirtulaDub VCF file for "
             "deinterlacing above. If output format = \"separate files\" and  there is no "
             "repeat/skipped frames or change of output frame-rates, only intermediate "
             "deinterlaced files will be created with avs files.",
             "Deinterlace the footage. Don't forget to choose VirtulaDub VCF file for "
             "deinterlacing above. If output format = \"separate files\" and  there is no "
             "repeat/skipped frames or change of output frame-rates, only intermediate "
             "deinterlaced files will be created with avs files."},
        Hint{"Edit_preset_name",
             "The new preset name. Don't forget to click button \"Save new preset\" for saving",
             "The new preset name. Don't forget to click button \"Save new preset\" for saving"},
        Hint{"Label_VDub_Plugin", "", ""}));

struct MenuHint {
  const char* action;
  const char* caption;
  const char* shortcut;
  const char* tooltip;
  const char* status;
};

void PrintTo(const MenuHint& hint, std::ostream* out) {
  *out << hint.action;
}

class MenuHints : public WindowFixture, public ::testing::WithParamInterface<MenuHint> {};

TEST_P(MenuHints, SplitAtTheBarIntoTooltipAndStatusBar) {
  const MenuHint& hint = GetParam();
  auto* action = control<QAction>(QString::fromLatin1(hint.action));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text().toStdString(), hint.caption);
  EXPECT_EQ(action->shortcut().toString().toStdString(), hint.shortcut);
  EXPECT_EQ(action->toolTip().toStdString(), hint.tooltip);
  EXPECT_EQ(action->statusTip().toStdString(), hint.status);

  // Highlighting the item shows its hint in the status bar.
  action->showStatusText(window->menuBar());
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), hint.status);
}

INSTANTIATE_TEST_SUITE_P(
    Window, MenuHints,
    ::testing::Values(MenuHint{"FileExit1", "E&xit", "", "Exit", "Exit application"},
                      MenuHint{"EditCut1", "Cu&t", "Ctrl+X", "Cut",
                               "Cuts the selection and puts it on the Clipboard"},
                      MenuHint{"EditCopy1", "&Copy", "Ctrl+C", "Copy",
                               "Copies the selection and puts it on the Clipboard"},
                      MenuHint{"EditPaste1", "&Paste", "Ctrl+V", "Paste",
                               "Inserts Clipboard contents"},
                      MenuHint{"HelpAbout1", "&About...", "", "About",
                               "Displays program information, version number, and copyright"}));

class StatusBar : public WindowFixture {
 protected:
  void enter(QWidget* widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &event);
  }
  void leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
  }
  std::string message() const { return window->statusBar()->currentMessage().toStdString(); }
};

TEST_F(StatusBar, ShowsTheHintOfTheControlUnderTheMouse) {
  enter(control("CheckBox_Execute_ffmpeg"));
  EXPECT_EQ(message(), "The ffmpeg bat file will be run after selection of input files");
}

TEST_F(StatusBar, ShowsTheEnclosingHintForAControlWithoutOne) {
  auto* group = control<RadioGroup>(QStringLiteral("RadioGroup_Output_Format"));
  enter(group);
  enter(group->button(3));
  EXPECT_EQ(message(), "Choose output format (separate files, L-R or O-U).");
  // Back from the option onto its group: still the group's hint.
  leave(group->button(3));
  EXPECT_EQ(message(), "Choose output format (separate files, L-R or O-U).");
}

TEST_F(StatusBar, IsEmptyOverAControlWithoutAnyHint) {
  enter(control("CheckBox_HML"));
  enter(control("Edit_Audio_Frames_Cut"));
  EXPECT_EQ(message(), "");
}

TEST_F(StatusBar, ClearsWhenTheMouseLeavesForAPlaceWithoutHint) {
  QWidget* box = control("CheckBox_Reverse_LR");
  enter(box);
  ASSERT_FALSE(message().empty());
  leave(box);
  EXPECT_EQ(message(), "");
}

TEST_F(StatusBar, ShowsMenuHints) {
  auto* file = control<QMenu>(QStringLiteral("File1"));
  EXPECT_EQ(file->menuAction()->statusTip().toStdString(), "File related commands");
  EXPECT_EQ(control<QMenu>(QStringLiteral("Edit1"))->menuAction()->statusTip().toStdString(),
            "Edit commands");
  EXPECT_EQ(control<QMenu>(QStringLiteral("Help1"))->menuAction()->statusTip().toStdString(),
            "Help topics");
  file->menuAction()->showStatusText(window->menuBar());
  EXPECT_EQ(message(), "File related commands");
}

TEST_F(StatusBar, KeepsTheMenusHintWhileTheMenuOpensUnderTheMouse) {
  QMenuBar* bar = window->menuBar();
  auto* file = control<QMenu>(QStringLiteral("File1"));
  QTest::mouseMove(bar, bar->actionGeometry(file->menuAction()).center());
  // The opening menu takes the mouse away from the menu bar.
  bar->setActiveAction(file->menuAction());
  ASSERT_TRUE(file->isVisible());
  EXPECT_EQ(message(), "File related commands");
  file->hide();
  enter(control("CheckBox_Execute_ffmpeg"));
  EXPECT_EQ(message(), "The ffmpeg bat file will be run after selection of input files");
}

}  // namespace
}  // namespace twinlens::ui::test
