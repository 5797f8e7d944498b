#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <filesystem>

#include "WindowFixture.h"
#include "model/ConversionSettings.h"
#include "model/SettingsFields.h"
#include "platform/Host.h"
#include "platform/ProgramOutput.h"
#include "ui/EncodeWindow.h"
#include "ui/RadioGroup.h"

namespace twinlens::ui::test {
namespace {

using twinlens::test::readBytes;
using twinlens::test::writeBytes;

class Persistence : public WindowFixture {
 protected:
  QString text(const char* field) const {
    return control<QLineEdit>(QString::fromLatin1(field))->text();
  }
  bool close() { return window->close(); }
  std::string encodeInTheWindow(int encodeOn,
                                const std::vector<std::pair<const char*, std::string>>& fields);
};

TEST_F(Persistence, AFirstStartShowsTheDefaultsAndClosingWritesTheSettingsFile) {
  activate();
  EXPECT_TRUE(prompter.errors.isEmpty());
  const ConversionSettings defaults(programFolder());
  for (const SettingsField& field : settingsFields()) {
    // Without a presets file there is no preset to select; the engine is the one that runs here.
    if (field.name == "ComboBox_FF_codec" || field.name == "RadioGroup_Engine") continue;
    EXPECT_EQ(settingsFieldText(window->settings(), field), settingsFieldText(defaults, field))
        << field.name;
  }
  EXPECT_EQ(window->settings().ComboBox_FF_codec, -1);
  // AviSynth scripts run on Windows alone: here the first start chooses the ffmpeg filters.
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Engine"))->itemIndex(), 1);
  EXPECT_EQ(text("Edit_FR_Num"), "30000");
  EXPECT_EQ(control<QLabel>(QStringLiteral("Label_VDub_Plugin"))->text(), " ");
  ASSERT_TRUE(close());
  const std::string written = readBytes(files.settingsPath);
  for (const char* section : {"[Input]", "[Frames]", "[Output]", "[File]", "[Final]"}) {
    EXPECT_NE(written.find(section), std::string::npos) << section;
  }
  EXPECT_NE(written.find("Path Left=" + programFolder() + "\r\n"), std::string::npos);
}

TEST_F(Persistence, AStartWithASettingsFileShowsItsValues) {
  writeBytes(files.settingsPath,
             "[Input]\r\nFormat=7\r\nImport Options=2\r\nDeshaker Dir=/vd/Deshaker.vdf\r\n"
             "[Output]\r\nChange Resolution=1\r\nColour=3\r\nFinal H=1280\r\n"
             "[Frames]\r\nProgressive Frame Rates=9\r\n"
             "[File]\r\nPrefix=new_\r\nVCF LR=/vd/lr.vcf\r\nffmpeg location=/opt/ff/ffmpeg.exe\r\n"
             "[Final]\r\nUser FR Num=24000\r\nUser FR Den=1000\r\n");
  activate();
  EXPECT_TRUE(prompter.errors.isEmpty());
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Input_Format"))->itemIndex(), 4);
  // A settings file holds its engine; one without the key has the AviSynth scripts.
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Engine"))->itemIndex(), 0);
  EXPECT_EQ(control<QComboBox>(QStringLiteral("ComboBox_Colour"))->currentIndex(), 3);
  EXPECT_EQ(text("Edit_final_H"), "1280");
  EXPECT_EQ(text("Edit_Prefix"), "new_");
  EXPECT_EQ(window->settings().Prefix, "new_");
  EXPECT_EQ(text("Edit_vcf_LR"), "/vd/lr.vcf");
  EXPECT_EQ(text("Edit_FR_Num"), "24000");
  EXPECT_EQ(text("Edit_FR_Den"), "1000");
  EXPECT_EQ(control<QLabel>(QStringLiteral("Label_ffmpeg"))->text(), "/opt/ff/ffmpeg.exe");
  EXPECT_EQ(control<QLabel>(QStringLiteral("Label_VDub_Plugin"))->text(), "/vd/Deshaker.vdf");
  EXPECT_TRUE(control(QStringLiteral("Edit_FR_Den"))->isEnabled());
  EXPECT_FALSE(control(QStringLiteral("Edit_import_picture_FR"))->isHidden());
  // The ffmpeg dialog opens in the folder of the stored program.
  control<QPushButton>(QStringLiteral("Button5"))->click();
  EXPECT_EQ(prompter.dialogs.back().folder, QStringLiteral("/opt/ff/"));
}

TEST_F(Persistence, StartingAndClosingWritesBackWhatWasRead) {
  activate();
  click(QStringLiteral("CheckBox_VD_MakeJobs"));
  choose(QStringLiteral("RadioGroup_Repeat"), 6);
  type(QStringLiteral("Edit_Prefix"), QStringLiteral("  x"));
  ASSERT_TRUE(close());
  const std::string first = readBytes(files.settingsPath);

  createWindow();
  activate();
  EXPECT_TRUE(control<QCheckBox>(QStringLiteral("CheckBox_VD_MakeJobs"))->isChecked());
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Repeat"))->itemIndex(), 6);
  ASSERT_TRUE(close());
  EXPECT_EQ(readBytes(files.settingsPath), first);
}

TEST_F(Persistence, AnUnwritableSettingsFileKeepsTheWindowOpenAndALaterCloseRetries) {
  // The settings file would go into a folder that is a file.
  writeBytes(folder.file("blocked"), "");
  files.settingsPath = folder.file("blocked/twinlens.ini");
  createWindow();
  activate();
  EXPECT_FALSE(close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(prompter.errors,
            QStringList{QString::fromStdString("Unable to write to " + files.settingsPath + ".")});

  std::filesystem::remove(folder.file("blocked"));
  std::filesystem::create_directory(folder.file("blocked"));
  EXPECT_TRUE(close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(readBytes(files.settingsPath).empty());
}

TEST_F(Persistence, AWindowClosedBeforeItReadItsSettingsLeavesTheFileAlone) {
  writeBytes(files.settingsPath, "[Output]\r\nFormat=2\r\n");
  EXPECT_TRUE(close());
  EXPECT_EQ(readBytes(files.settingsPath), "[Output]\r\nFormat=2\r\n");
}

TEST_F(Persistence, ChoicesOutsideTheirListsShowAsTheControlsTakeThem) {
  writeBytes(files.settingsPath, "[Input]\r\nFormat=-5\r\n[Output]\r\nFormat=12\r\nColour=9\r\n");
  activate();
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Input_Format"))->itemIndex(), -1);
  EXPECT_EQ(window->settings().RadioGroup_Input_Format, choices::InputFormat::Unset);
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Output_Format"))->itemIndex(), 7);
  EXPECT_EQ(control<QComboBox>(QStringLiteral("ComboBox_Colour"))->currentIndex(), -1);
  EXPECT_EQ(window->settings().ComboBox_Colour, choices::Colour::Unset);
  // Nothing chosen is still a state the user can leave.
  choose(QStringLiteral("RadioGroup_Input_Format"), 2);
  EXPECT_EQ(window->settings().RadioGroup_Input_Format, choices::InputFormat::OverUnder);
}

TEST_F(Persistence, ALoadErrorAtStartIsShownAndTheWindowOpensWithWhatWasRead) {
  writeBytes(files.settingsPath, "[Input]\r\nFormat=1\r\n[Final]\r\nUser FR Num=\r\n");
  activate();
  EXPECT_EQ(prompter.errors, QStringList{"'' is not a valid integer value."});
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Input_Format"))->itemIndex(), 1);
}

TEST_F(Persistence, ALoadErrorLeavesTheFieldsShownAfterTheLastKeyAsTheyWere) {
  writeBytes(files.settingsPath,
             "[File]\r\nPrefix=new_\r\nVCF LR=/vd/lr.vcf\r\n[Final]\r\nUser FR Num=x\r\n");
  activate();
  EXPECT_EQ(prompter.errors, QStringList{"'x' is not a valid integer value."});
  EXPECT_EQ(window->settings().Prefix, "new_");
  EXPECT_EQ(text("Edit_Prefix"), "");
  EXPECT_EQ(text("Edit_vcf_LR"), "");
}

TEST_F(Persistence, PrefixTextNotYetFollowedSurvivesChoosingAFile) {
  activate();
  // As Edit > Paste leaves it: no key released in the field.
  control<QLineEdit>(QStringLiteral("Edit_Prefix"))->setText(QStringLiteral("pasted_"));
  prompter.openAnswers = {QStringList{QStringLiteral("/vd/Deshaker.vdf")}};
  control<QPushButton>(QStringLiteral("Button_VDub_Plugin"))->click();
  EXPECT_EQ(window->settings().DeshakerDir, "/vd/Deshaker.vdf");
  EXPECT_EQ(text("Edit_Prefix"), "pasted_");
}

TEST_F(Persistence, LayoutsAreSavedAndLoaded) {
  activate();
  choose(QStringLiteral("RadioGroup_Output_Format"), 2);
  click(QStringLiteral("CheckBox_Deshake"));
  const QString layout = QString::fromStdString(folder.file("mine.lay"));
  prompter.saveAnswers = {layout};
  control<QAction>(QStringLiteral("SaveLayout1"))->trigger();
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].title,
            QStringLiteral("Select filename for saving the current layout"));
  EXPECT_EQ(prompter.dialogs[0].filter,
            QStringLiteral("Layout files (*.lay)|*.lay|All files (*.*)|*.*"));
  EXPECT_EQ(prompter.dialogs[0].defaultExtension, QStringLiteral("lay"));

  choose(QStringLiteral("RadioGroup_Output_Format"), 4);
  click(QStringLiteral("CheckBox_Deshake"));
  prompter.openAnswers = {QStringList{layout}};
  control<QAction>(QStringLiteral("LoadLayout1"))->trigger();
  EXPECT_EQ(prompter.dialogs[1].title, QStringLiteral("Select the layout file"));
  EXPECT_FALSE(prompter.dialogs[1].multiple);
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Output_Format"))->itemIndex(), 2);
  EXPECT_TRUE(control<QCheckBox>(QStringLiteral("CheckBox_Deshake"))->isChecked());
  EXPECT_EQ(window->settings().RadioGroup_Output_Format, choices::OutputFormat::OverUnder);
  EXPECT_TRUE(prompter.errors.isEmpty());
}

TEST_F(Persistence, CancelledLayoutDialogsChangeNothing) {
  activate();
  choose(QStringLiteral("RadioGroup_Output_Format"), 1);
  control<QAction>(QStringLiteral("SaveLayout1"))->trigger();
  control<QAction>(QStringLiteral("LoadLayout1"))->trigger();
  EXPECT_EQ(window->settings().RadioGroup_Output_Format, choices::OutputFormat::SideBySide);
  EXPECT_EQ(prompter.dialogs.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(files.settingsPath));
}

// ---- presets ----

class Presets : public Persistence {
 protected:
  void SetUp() override {
    writeBytes(files.presetsPath,
               "[Presets]\r\nutvideo=-c:v utvideo\r\nx264=-c:v libx264 -crf 18\r\n"
               "[Extensions]\r\nutvideo=.avi\r\nx264=.mp4\r\n");
  }
  QComboBox* box() const { return control<QComboBox>(QStringLiteral("ComboBox_FF_codec")); }
  QStringList entries() const {
    QStringList list;
    for (int i = 0; i < box()->count(); ++i) list.append(box()->itemText(i));
    return list;
  }
};

TEST_F(Presets, AreListedAndTheSelectedOneShown) {
  activate();
  EXPECT_EQ(entries(), (QStringList{"utvideo", "x264"}));
  EXPECT_EQ(box()->currentIndex(), 0);
  EXPECT_EQ(text("Edit_coding_presets"), "-c:v utvideo");
  EXPECT_EQ(text("Edit_Video_Extension"), ".avi");
  EXPECT_EQ(text("Edit_preset_name"), "utvideo");

  box()->setCurrentIndex(1);
  EXPECT_EQ(window->settings().ComboBox_FF_codec, 1);
  EXPECT_EQ(text("Edit_coding_presets"), "-c:v libx264 -crf 18");
  EXPECT_EQ(window->settings().Edit_Video_Extension, ".mp4");
}

TEST_F(Presets, TypingIntoTheBoxSelectsNothingAndEmptiesTheFields) {
  activate();
  box()->lineEdit()->selectAll();
  QTest::keyClicks(box()->lineEdit(), QStringLiteral("x26"));
  EXPECT_EQ(box()->currentText(), "x26");
  EXPECT_EQ(box()->currentIndex(), -1);
  EXPECT_EQ(window->settings().ComboBox_FF_codec, -1);
  EXPECT_EQ(text("Edit_coding_presets"), "");
  EXPECT_EQ(text("Edit_preset_name"), "");
}

TEST_F(Presets, TypingAListedNameAndLeavingTheBoxSelectsNothing) {
  activate();
  box()->lineEdit()->selectAll();
  QTest::keyClicks(box()->lineEdit(), QStringLiteral("x264"));
  QTest::keyClick(box()->lineEdit(), Qt::Key_Return);
  emit box()->lineEdit()->editingFinished();
  EXPECT_EQ(box()->currentIndex(), -1);
  EXPECT_EQ(window->settings().ComboBox_FF_codec, -1);
  EXPECT_EQ(text("Edit_coding_presets"), "");
}

TEST_F(Presets, SavingAppendsANewNameAndLeavesNothingSelected) {
  activate();
  control<QLineEdit>(QStringLiteral("Edit_preset_name"))->setText(QStringLiteral("hevc"));
  control<QLineEdit>(QStringLiteral("Edit_coding_presets"))
      ->setText(QStringLiteral("-c:v libx265"));
  control<QLineEdit>(QStringLiteral("Edit_Video_Extension"))->setText(QStringLiteral(".mkv"));
  control<QPushButton>(QStringLiteral("Button_new_preset"))->click();
  EXPECT_EQ(entries(), (QStringList{"utvideo", "x264", "hevc"}));
  EXPECT_EQ(box()->currentIndex(), -1);
  EXPECT_EQ(box()->currentText(), "utvideo");
  EXPECT_EQ(text("Edit_coding_presets"), "-c:v libx265");
  const std::string presets = readBytes(files.presetsPath);
  EXPECT_NE(presets.find("hevc=-c:v libx265\r\n"), std::string::npos);
  EXPECT_NE(presets.find("hevc=.mkv\r\n"), std::string::npos);
  // Closing in that state stores no selection.
  ASSERT_TRUE(close());
  EXPECT_NE(readBytes(files.settingsPath).find("Codec=-1\r\n"), std::string::npos);
}

TEST_F(Presets, DeletingAsksFirstAndCancelKeepsThePreset) {
  activate();
  box()->setCurrentIndex(1);
  prompter.questionAnswers = {false};
  control<QPushButton>(QStringLiteral("Button_Delete_Preset"))->click();
  EXPECT_EQ(prompter.questions,
            QStringList{"Error: Do you really want to delete the chosen preset?"});
  EXPECT_EQ(entries(), (QStringList{"utvideo", "x264"}));
  EXPECT_EQ(box()->currentIndex(), 1);
}

TEST_F(Presets, DeletingWithOkRemovesTheChosenPreset) {
  activate();
  box()->setCurrentIndex(0);
  prompter.questionAnswers = {true};
  control<QPushButton>(QStringLiteral("Button_Delete_Preset"))->click();
  EXPECT_EQ(entries(), QStringList{"x264"});
  EXPECT_EQ(box()->currentIndex(), -1);
  // The first entry was selected before the list was filled again: the deleted name stays.
  EXPECT_EQ(box()->currentText(), "utvideo");
  // The fields still show the deleted preset.
  EXPECT_EQ(text("Edit_coding_presets"), "-c:v utvideo");
  EXPECT_EQ(readBytes(files.presetsPath).find("utvideo="), std::string::npos);
}

TEST_F(Presets, LoadingALayoutSelectsByPositionInTheListShown) {
  activate();
  const std::string layout = folder.file("x.lay");
  writeBytes(layout, "[Output]\r\nCodec=0\r\n");
  // The file is reordered by hand; the list is not read again.
  writeBytes(files.presetsPath,
             "[Presets]\r\nx264=-c:v libx264 -crf 18\r\nutvideo=-c:v utvideo\r\n"
             "[Extensions]\r\nutvideo=.avi\r\nx264=.mp4\r\n");
  prompter.openAnswers = {QStringList{QString::fromStdString(layout)}};
  control<QAction>(QStringLiteral("LoadLayout1"))->trigger();
  EXPECT_EQ(entries(), (QStringList{"utvideo", "x264"}));
  EXPECT_EQ(box()->currentText(), "utvideo");
  EXPECT_EQ(text("Edit_preset_name"), "utvideo");
  EXPECT_EQ(text("Edit_coding_presets"), "-c:v utvideo");
  EXPECT_EQ(text("Edit_Video_Extension"), ".avi");
}

// ---- Deshaker ----

TEST_F(Persistence, DeshakerSettingsAreImportedFromAVcfFile) {
  activate();
  const std::string vcf = folder.file("deshaker.vcf");
  writeBytes(vcf,
             "VirtualDub.video.filters.Add(\"Deshaker v3.0\");\r\n"
             "VirtualDub.video.filters.instance[0].Config(\"19|2|30|4|1|0|1|0|640|480|0|2|1000|"
             "1000|1000|1000|4|1|0|2|8|30|300|4|C:\\log\\Deshaker.log|0|0|0|0|0|0|0|0|0|0|0|0|0|"
             "1|15|15|5|15|1|1|30|30|0|0|1|0|1|0|1|10|1000|1|64|0|0|20|5000|100|20|1\");\r\n");
  prompter.openAnswers = {QStringList{QString::fromStdString(vcf)}};
  control<QPushButton>(QStringLiteral("Button_Deshaker_Settings"))->click();
  EXPECT_EQ(prompter.dialogs.back().title, QStringLiteral("Select Deshaker VirtualDub vcf file"));
  EXPECT_TRUE(prompter.errors.isEmpty());
  EXPECT_EQ(window->settings().DeshakePart1a,
            "\"19|1|30|4|1|0|1|0|640|480|0|2|1000|1000|1000|1000|4|1|0|2|8|30|300|4|");
  EXPECT_EQ(window->settings().DeshakePart1b,
            "\"19|2|30|4|1|0|1|0|640|480|0|2|1000|1000|1000|1000|4|1|0|2|8|30|300|4|");
}

TEST_F(Persistence, AMissingDeshakerVcfIsReportedAndChangesNothing) {
  activate();
  const std::string vcf = folder.file("gone.vcf");
  prompter.openAnswers = {QStringList{QString::fromStdString(vcf)}};
  control<QPushButton>(QStringLiteral("Button_Deshaker_Settings"))->click();
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_TRUE(
      prompter.errors[0].startsWith(QString::fromStdString("Cannot open file \"" + vcf + "\". ")));
  EXPECT_EQ(window->settings().DeshakePart1a, ConversionSettings::kDefaultDeshakePart1a);
}

// ---- Convert files ----

TEST_F(Persistence, ConvertFilesWritesTheScriptsOfTheChosenClips) {
  activate();
  choose(QStringLiteral("RadioGroup_Engine"), 0);  // AviSynth scripts
  choose(QStringLiteral("RadioGroup_Input_Format"), 1);
  choose(QStringLiteral("RadioGroup_Output_Format"), 1);
  click(QStringLiteral("CheckBox_ffmpeg_make"));
  click(QStringLiteral("CheckBox_Execute_ffmpeg"));
  std::vector<std::string> launches;
  window->setLauncher([&](const std::string& file, const std::string& parameters,
                          const std::string& folderOfLaunch) {
    launches.push_back(file + " " + parameters + " in " + folderOfLaunch);
    return std::string();
  });
  const std::string clip = folder.file("clips/holiday.avi");
  writeBytes(clip, "");
  prompter.openAnswers = {QStringList{QString::fromStdString(clip)}};
  control<QAction>(QStringLiteral("M1"))->trigger();

  EXPECT_TRUE(prompter.errors.isEmpty()) << prompter.errors.join(u'\n').toStdString();
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].title, QStringLiteral("Select stereo video clip(s)/pictures"));
  EXPECT_EQ(prompter.dialogs[0].folder, QString::fromStdString(programFolder()));
  EXPECT_TRUE(prompter.dialogs[0].multiple);
  const std::string script = readBytes(folder.file("clips/holiday_LR.avs"));
  EXPECT_NE(script.find("holiday.avi"), std::string::npos);
  EXPECT_FALSE(readBytes(folder.file("clips/holiday_LR.bat")).empty());
  EXPECT_EQ(window->settings().PathLeft, folder.file("clips/"));
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0],
            folder.file("clips/holiday_LR.bat") + " /r /x in " + folder.file("clips/"));
}

TEST_F(Persistence, ConvertFilesShowsARunErrorAndKeepsTheWindowGoing) {
  activate();
  choose(QStringLiteral("RadioGroup_Engine"), 0);  // AviSynth scripts
  choose(QStringLiteral("RadioGroup_Input_Format"), 3);
  click(QStringLiteral("CheckBox_VD_MakeJobs"));
  // Job lists need the three VirtualDub configuration files; one was never chosen. The message
  // names its button, before any clip is asked for.
  prompter.openAnswers = {QStringList{QString::fromStdString(folder.file("none.vcf"))},
                          QStringList{QString::fromStdString(folder.file("clips/holiday.avi"))}};
  control<QPushButton>(QStringLiteral("Button2"))->click();
  control<QAction>(QStringLiteral("M1"))->trigger();
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_EQ(prompter.errors[0],
            QStringLiteral("No VirtualDub configuration file is chosen; choose one with \"VCF for "
                           "deinterlacing\""));
  EXPECT_EQ(prompter.dialogs.size(), 1u);  // the configuration file's, no clip's
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
TEST_F(Persistence, AfterARunTheStatusBarAndTheReportTellWhatItDid) {
  activate();
  choose(QStringLiteral("RadioGroup_Engine"), 0);  // AviSynth scripts
  choose(QStringLiteral("RadioGroup_Input_Format"), 1);
  choose(QStringLiteral("RadioGroup_Output_Format"), 1);
  click(QStringLiteral("CheckBox_ffmpeg_make"));
  click(QStringLiteral("CheckBox_Execute_ffmpeg"));
  window->setLauncher([](const std::string&, const std::string&, const std::string&) {
    return std::string("No such program");
  });
  QStringList opened;
  window->setFolderOpener([&](const QString& folderToOpen) { opened << folderToOpen; });
  EXPECT_FALSE(control<QAction>(QStringLiteral("RunReport1"))->isEnabled());
  const std::string clip = folder.file("clips/trip.avi");
  writeBytes(clip, "");
  prompter.openAnswers = {QStringList{QString::fromStdString(clip)}};
  control<QAction>(QStringLiteral("M1"))->trigger();

  const std::string batch = folder.file("clips/trip_LR.bat");
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_EQ(prompter.errors[0],
            QString::fromStdString("Cannot start \"" + batch + "\". No such program."));
  EXPECT_EQ(window->statusBar()->currentMessage(),
            QString::fromStdString("Wrote 2 files; batch file: " + batch));

  QAction* report = control<QAction>(QStringLiteral("RunReport1"));
  ASSERT_TRUE(report->isEnabled());
  report->trigger();
  auto* dialog = control<RunReportDialog>(QStringLiteral("RunReport"));
  ASSERT_NE(dialog, nullptr);
  auto* list = dialog->findChild<QListWidget*>(QStringLiteral("RunReportList"));
  ASSERT_NE(list, nullptr);
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  EXPECT_EQ(lines, (QStringList{
                       QString::fromStdString("Wrote " + folder.file("clips/trip_LR.avs")),
                       QString::fromStdString("Wrote " + batch),
                       QString::fromStdString("Could not start " + batch + ": No such program")}));
  list->setCurrentRow(1);
  dialog->findChild<QPushButton*>(QStringLiteral("RunReportOpenFolder"))->click();
  EXPECT_EQ(opened, QStringList{QString::fromStdString(folder.file("clips/"))});
  dialog->close();

  // A run whose right dialog is cancelled writes nothing, and says so.
  choose(QStringLiteral("RadioGroup_Input_Format"), 0);
  prompter.openAnswers = {QStringList{QString::fromStdString(clip)}};
  control<QAction>(QStringLiteral("M1"))->trigger();
  EXPECT_EQ(window->statusBar()->currentMessage(),
            QStringLiteral("No file written: no right clips were chosen"));
}

// One side-by-side clip converted by the ffmpeg engine from the window, encoded where `encodeOn`
// says (with these fields typed); the encoding window's results once it has ended.
std::string Persistence::encodeInTheWindow(
    int encodeOn, const std::vector<std::pair<const char*, std::string>>& fields) {
  activate();
  choose(QStringLiteral("RadioGroup_Input_Format"), 1);
  choose(QStringLiteral("RadioGroup_Output_Format"), 2);
  choose(QStringLiteral("RadioGroup_Engine"), 1);
  choose(QStringLiteral("RadioGroup_Encode_On"), encodeOn);
  for (const QString& box :
       {QStringLiteral("CheckBox_ffmpeg_make"), QStringLiteral("CheckBox_Execute_ffmpeg")}) {
    if (!control<QCheckBox>(box)->isChecked()) click(box);
  }
  std::vector<std::pair<const char*, std::string>> typed{{"Edit_coding_presets", "-c:v ffv1"},
                                                         {"Edit_Video_Extension", ".mkv"}};
  typed.insert(typed.end(), fields.begin(), fields.end());
  for (const auto& [field, text] : typed) {
    erase(QString::fromLatin1(field));
    type(QString::fromLatin1(field), QString::fromStdString(text));
  }
  std::vector<std::string> launched;
  window->setLauncher([&](const std::string& file, const std::string&, const std::string&) {
    launched.push_back(file);
    return std::string();
  });
  QStringList opened;
  window->setFolderOpener([&](const QString& folder) { opened.append(folder); });
  // A real side-by-side clip, which the engine reads with ffprobe.
  const std::string clip = folder.file("clips/trip.mkv");
  writeBytes(clip, "");
  const platform::ProgramOutput made = platform::runProgram(
      {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=s=64x32:r=25:d=0.4", clip});
  EXPECT_EQ(made.exitCode, 0) << made.errors;
  prompter.openAnswers = {QStringList{QString::fromStdString(clip)}};
  control<QAction>(QStringLiteral("M1"))->trigger();

  EXPECT_TRUE(prompter.errors.empty()) << prompter.errors.join('\n').toStdString();
  const std::string runner = folder.file("clips/trip_OU.sh");
  EXPECT_NE(readBytes(folder.file("clips/trip_OU.ffgraph")).find("vstack=inputs=2"),
            std::string::npos);
  // The runner runs in the encoding window, not through the shell.
  EXPECT_TRUE(launched.empty());
  EncodeWindow* encoding = window->encodeWindow();
  if (encoding == nullptr) {
    ADD_FAILURE() << "no encoding window";
    return {};
  }
  EXPECT_TRUE(encoding->isVisible());
  auto* results = encoding->findChild<QListWidget*>(QStringLiteral("ListBox_Results"));
  auto* cancel = encoding->findChild<QPushButton*>(QStringLiteral("Button_Cancel"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !cancel->isEnabled(); }, 60000));
  EXPECT_EQ(encoding->findChild<QLabel*>(QStringLiteral("Label_Encode_Clip"))->text(),
            QStringLiteral("All 1 clips encoded"));
  EXPECT_EQ(encoding->findChild<QProgressBar*>(QStringLiteral("ProgressBar_All"))->value(), 100);
  EXPECT_TRUE(std::filesystem::exists(folder.file("clips/trip_OU.mkv")));
  encoding->findChild<QPushButton*>(QStringLiteral("Button_Open_Folder"))->click();
  EXPECT_EQ(opened, QStringList{QString::fromStdString(folder.file("clips/"))});
  std::string shown;
  for (int i = 0; i < results->count(); ++i) shown += results->item(i)->text().toStdString() + "\n";
  return shown;
}

TEST_F(Persistence, TheFfmpegEngineChosenInTheWindowWritesAGraphAndEncodesInTheEncodingWindow) {
  EXPECT_EQ(encodeInTheWindow(0, {}), "Encoded trip_OU.mkv\n");
  EXPECT_EQ(
      window->statusBar()->currentMessage(),
      QString::fromStdString("Wrote 2 files; batch file: " + folder.file("clips/trip_OU.sh")));
  ASSERT_TRUE(close());
  EXPECT_NE(readBytes(folder.file("twinlens.ini")).find("Engine=1\r\n"), std::string::npos);
}

// Where the test cluster runs (scripts/test-cluster), the window hands its encodes to Slurm and
// to GNU parallel, and names the computer each output was encoded on.
TEST_F(Persistence, TheEncodesChosenToRunOnAClusterRunThereAndTellWhere) {
  const platform::ProgramOutput slurm = platform::runProgram({"sinfo", "-h", "-o", "%T"}, 10000);
  if (slurm.exitCode != 0 && std::getenv("TWINLENS_TEST_CLUSTER") == nullptr) {
    GTEST_SKIP() << "no Slurm cluster answers (scripts/test-cluster start sets one up)";
  }
  EXPECT_EQ(encodeInTheWindow(1, {{"Edit_Slurm_CPUs", "1"}, {"Edit_Slurm_Memory", "500M"}}),
            "Encoded trip_OU.mkv on " + platform::hostName() + "\n");
  EXPECT_TRUE(std::filesystem::exists(folder.file("clips/trip_OU.sbatch")));
  std::filesystem::remove(folder.file("clips/trip_OU.mkv"));
  EXPECT_EQ(encodeInTheWindow(2, {{"Edit_Parallel_Computers", "twinlens-test"}}),
            "Encoded trip_OU.mkv on twinlens-test\n");
  ASSERT_TRUE(close());
  EXPECT_NE(readBytes(folder.file("twinlens.ini")).find("[Encode]\r\nOn=2\r\n"), std::string::npos);
}

TEST_F(Persistence, DetectFromSoundSaysWhyOneFileHasNoOffsetToMeasure) {
  activate();
  choose(QStringLiteral("RadioGroup_Input_Format"), 2);
  control<QPushButton>(QStringLiteral("Button_Detect_Offset"))->click();
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_TRUE(prompter.errors[0].startsWith(
      QStringLiteral("A side-by-side, over-under or 2D file holds one sound track")));
  EXPECT_TRUE(prompter.dialogs.empty());
  EXPECT_EQ(text("Edit_Offset"), QStringLiteral("0"));
}

TEST_F(Persistence, MeasureAlignmentSaysWhyA2DFileHasNoPairToMeasure) {
  activate();
  choose(QStringLiteral("RadioGroup_Input_Format"), 3);
  control<QPushButton>(QStringLiteral("Button_Measure_Alignment"))->click();
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_TRUE(prompter.errors[0].startsWith(QStringLiteral("A 2D file holds one view")));
  EXPECT_TRUE(prompter.dialogs.empty());
  EXPECT_EQ(text("Edit_Align_Vertical"), QStringLiteral("0"));
}

// The notes of a run's clips stand in its report after what it wrote and started, each opening
// the folder of its clip.
TEST(RunReportNotes, FollowTheFilesAndOpenTheirClipsFolder) {
  RunReport report;
  report.begin();
  report.wroteScript();
  report.noted(
      {"/v/a_L.mp4", "The right view is scaled from 32x24 to 64x48, the left view's size"});
  QStringList opened;
  RunReportDialog dialog({"/w/a_LR.ffgraph"}, report,
                         [&](const QString& folder) { opened << folder; });
  auto* list = dialog.findChild<QListWidget*>(QStringLiteral("RunReportList"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(),
            QStringLiteral("Note on /v/a_L.mp4: The right view is scaled from 32x24 to 64x48, the "
                           "left view's size"));
  list->setCurrentRow(1);
  dialog.findChild<QPushButton*>(QStringLiteral("RunReportOpenFolder"))->click();
  EXPECT_EQ(opened, QStringList{QStringLiteral("/v/")});
}

}  // namespace twinlens::ui::test
