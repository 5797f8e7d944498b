#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "WindowFixture.h"
#include "model/Choices.h"
#include "ui/ABOUT.h"
#include "ui/RadioGroup.h"

namespace twinlens::ui::test {
namespace {

using MainWindow = WindowFixture;

TEST_F(MainWindow, HasItsCaptionAndEightTabsWithTheFirstOpen) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Twinlens V1.00"));
  auto* tabs = control<QTabWidget>(QStringLiteral("PageControl1"));
  QStringList titles;
  for (int i = 0; i < tabs->count(); ++i) titles.append(tabs->tabText(i));
  EXPECT_EQ(titles, (QStringList{"Input settings", "Output settings", "Frame rates", "Advanced",
                                 "Geometry", "VR and headsets", "FFmpeg", "VirtualDub"}));
  EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(MainWindow, OpensWithTheFocusOnItsFirstControl) {
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_TRUE(control(QStringLiteral("PageControl1"))->isAncestorOf(focus))
      << focus->objectName().toStdString();
}

struct Caption {
  const char* control;
  const char* caption;
  int tab;  // the tab that holds it; -1 below the tabs
};

void PrintTo(const Caption& caption, std::ostream* out) {
  *out << caption.control;
}

class Captions : public WindowFixture, public ::testing::WithParamInterface<Caption> {};

TEST_P(Captions, AreExactAndOnTheirTab) {
  QWidget* widget = control(QString::fromLatin1(GetParam().control));
  ASSERT_NE(widget, nullptr);
  QString text;
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) text = group->title();
  EXPECT_EQ(text.toStdString(), GetParam().caption);
  auto* tabs = control<QTabWidget>(QStringLiteral("PageControl1"));
  const int tab = GetParam().tab;
  EXPECT_EQ(tab < 0 ? tabs->isAncestorOf(widget) : tabs->widget(tab)->isAncestorOf(widget),
            tab >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Window, Captions,
    ::testing::Values(Caption{"RadioGroup_Input_Format", "Input Format", 0},
                      Caption{"CheckBox_MVC_Ref", "Separate files MVC reference", 0},
                      Caption{"CheckBox_Input_SF", "Separate fields", 0},
                      Caption{"RadioGroup_Output_Format", "Output Format", 1},
                      Caption{"CheckBox_change_final_HV", "Change final size", 1},
                      Caption{"CheckBox_Reverse_LR", "Reverse L-R", 1},
                      Caption{"RadioGroup_Repeat", "Repeat or skip frames", 2},
                      Caption{"RadioGroup_Pitch", "Frame rate sound options", 2},
                      Caption{"CheckBox_180", "180o Shutter", 3},
                      Caption{"RadioGroup_Colour_Match", "Colo(u)r match reference", 3},
                      Caption{"Button_VDub_Plugin", "Deshaker vdf plugin", 3},
                      Caption{"Button_Deshaker_Settings", "Deshaker vcf settings", 3},
                      Caption{"RadioGroup_Align", "Align views", 4},
                      Caption{"Button_Measure_Alignment", "Measure alignment", 4},
                      Caption{"RadioGroup_Convergence", "Convergence", 4},
                      Caption{"Button5", "Select ffmpeg.exe", 6},
                      Caption{"Button_new_preset", "Save New Preset", 6},
                      Caption{"Button_Delete_Preset", "Delete preset", 6},
                      Caption{"RadioGroup_Engine", "Engine", 6},
                      Caption{"RadioGroup_Projection", "Projection", 5},
                      Caption{"Button4", "VirtualDub #2", 7},
                      Caption{"CheckBox_Output_DI_Phase", "Do only deinterlace phase", 7},
                      Caption{"CheckBox_ffmpeg_make", "Make ffmpeg *.bat file", -1},
                      Caption{"CheckBox_2VD", "Use 2 VirtualDubs (faster)", -1}));

TEST_F(MainWindow, ChoiceGroupsListTheirOptionsInOrder) {
  auto* rates = control<RadioGroup>(QStringLiteral("RadioGroup_FrameRates"));
  ASSERT_EQ(rates->count(), 10);
  EXPECT_EQ(rates->button(0)->text(), QStringLiteral("No change"));
  EXPECT_EQ(rates->button(8)->text(), QStringLiteral("59.94p (DOUBLE NTSC)"));
  EXPECT_EQ(rates->button(9)->text(), QStringLiteral("User defined"));
  auto* colour = control<QComboBox>(QStringLiteral("ComboBox_Colour"));
  ASSERT_EQ(colour->count(), 5);
  EXPECT_EQ(colour->itemText(0), QStringLiteral("Don't change"));
  EXPECT_EQ(colour->itemText(4), QStringLiteral("RGB32"));
  EXPECT_EQ(control<QComboBox>(QStringLiteral("ComboBox_Blend"))->itemText(6),
            QStringLiteral("128 frames"));
}

TEST_F(MainWindow, StartsWithTheInitialValues) {
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_import_picture_FR"))->text(), "25");
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_Offset"))->text(), "0");
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_final_H"))->text(), "1920");
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_final_V"))->text(), "1080");
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_FR_Num"))->text(), "30000");
  EXPECT_EQ(control<QLineEdit>(QStringLiteral("Edit_FR_Den"))->text(), "1001");
  auto* preset = control<QComboBox>(QStringLiteral("ComboBox_FF_codec"));
  EXPECT_TRUE(preset->isEditable());
  EXPECT_EQ(preset->currentText(), "utvideo");
  EXPECT_EQ(preset->count(), 0);
  EXPECT_EQ(control<RadioGroup>(QStringLiteral("RadioGroup_Pitch"))->itemIndex(), 0);
  EXPECT_EQ(control<QLabel>(QStringLiteral("Label_ffmpeg"))->text(), "");
}

TEST_F(MainWindow, ControlsWriteTheirValuesIntoTheSettings) {
  choose(QStringLiteral("RadioGroup_Output_Format"), 3);
  click(QStringLiteral("CheckBox_HMR"));
  control<QComboBox>(QStringLiteral("ComboBox_Blend"))->setCurrentIndex(4);
  type(QStringLiteral("Edit_Offset"), QStringLiteral("2"));
  const ConversionSettings& settings = window->settings();
  EXPECT_EQ(settings.RadioGroup_Output_Format, choices::OutputFormat::Interlaced);
  EXPECT_TRUE(settings.CheckBox_HMR);
  EXPECT_EQ(settings.ComboBox_Blend, choices::BlendFrames::Frames32);
  EXPECT_EQ(settings.Edit_Offset, "02");
}

// ---- file-selection buttons ----

struct Selection {
  const char* button;
  const char* title;
  const char* filter;
  bool multiple;
  const char* field;  // the edit or label that shows the choice
};

void PrintTo(const Selection& selection, std::ostream* out) {
  *out << selection.button;
}

class SelectionButtons : public WindowFixture, public ::testing::WithParamInterface<Selection> {
 protected:
  void press() { control<QPushButton>(QString::fromLatin1(GetParam().button))->click(); }
  QString shown() const {
    QWidget* widget = control(QString::fromLatin1(GetParam().field));
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    return qobject_cast<QLabel*>(widget)->text();
  }
};

TEST_P(SelectionButtons, AskWithTheirTitleAndFilterAndShowTheFirstChoice) {
  const QString shownBefore = shown();
  prompter.openAnswers = {QStringList()};
  press();
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].title.toStdString(), GetParam().title);
  EXPECT_EQ(prompter.dialogs[0].filter.toStdString(), GetParam().filter);
  EXPECT_EQ(prompter.dialogs[0].multiple, GetParam().multiple);
  EXPECT_EQ(shown(), shownBefore) << "a cancelled dialog changes nothing";

  prompter.openAnswers = {QStringList{"/v/one.x", "/v/two.x", "/v/three.x"}};
  press();
  EXPECT_EQ(shown(), QStringLiteral("/v/one.x"));
}

INSTANTIATE_TEST_SUITE_P(
    Window, SelectionButtons,
    ::testing::Values(
        Selection{"Button1", "Select VirtualDub vcf file for deinterlacing video",
                  "All Files (*.*)|*.*", false, "Edit_vcf_deint"},
        Selection{"Button2", "Select VirtualDub vcf file for output files without deinterlacing",
                  "", true, "Edit_vcf_separate"},
        Selection{"Button3", "Select VirtualDub vcf file for output files after deinterlacing", "",
                  true, "Edit_vcf_LR"},
        Selection{"Button4", "Select the second VirtualDub.exe",
                  "Exe Files (*.exe)|*.exe|All files (*.*)|*.*", false, "Edit_VD2"},
        Selection{"Button5",
                  "Select ffmpeg.exe file which will be used for encoding the video files",
                  "Exe files (*.exe)|*.exe", false, "Label_ffmpeg"},
        Selection{"Button_VDub_Plugin",
                  "Select VirtualDub Deshaker plugin (in VirtualDub\\Plugins directory)", "", false,
                  "Label_VDub_Plugin"}));

TEST_F(MainWindow, VcfButtonsSetThePathAndOpenInItsFolderNextTime) {
  prompter.openAnswers = {QStringList{"/vd/sep/a.vcf", "/vd/sep/b.vcf"}};
  control<QPushButton>(QStringLiteral("Button2"))->click();
  EXPECT_EQ(window->settings().VcfSeparate, "/vd/sep/a.vcf");
  control<QPushButton>(QStringLiteral("Button2"))->click();
  EXPECT_EQ(prompter.dialogs.back().folder, QStringLiteral("/vd/sep/"));
}

TEST_F(MainWindow, APathTypedIntoAVcfFieldIsShownButNotTaken) {
  prompter.openAnswers = {QStringList{"/vd/lr.vcf"}};
  control<QPushButton>(QStringLiteral("Button3"))->click();
  auto* field = control<QLineEdit>(QStringLiteral("Edit_vcf_LR"));
  field->selectAll();
  type(QStringLiteral("Edit_vcf_LR"), QStringLiteral("/other/typed.vcf"));
  EXPECT_EQ(window->settings().Edit_vcf_LR, "/other/typed.vcf");
  EXPECT_EQ(window->settings().VcfLR, "/vd/lr.vcf");
  control<QPushButton>(QStringLiteral("Button3"))->click();
  EXPECT_EQ(prompter.dialogs.back().folder, QStringLiteral("/vd/"));
}

TEST_F(MainWindow, SecondVirtualDubDialogOpensInTheFolderOfTheTypedPath) {
  type(QStringLiteral("Edit_VD2"), QStringLiteral("/opt/vd2/VirtualDub.exe"));
  control<QPushButton>(QStringLiteral("Button4"))->click();
  EXPECT_EQ(prompter.dialogs.back().folder, QStringLiteral("/opt/vd2/"));
}

TEST_F(MainWindow, FfmpegAndPluginChoicesGoIntoTheSettings) {
  prompter.openAnswers = {QStringList{"/bin/ffmpeg.exe"}, QStringList{"/vd/plugins/Deshaker.vdf"}};
  control<QPushButton>(QStringLiteral("Button5"))->click();
  control<QPushButton>(QStringLiteral("Button_VDub_Plugin"))->click();
  EXPECT_EQ(window->settings().FfmpegLocation, "/bin/ffmpeg.exe");
  EXPECT_EQ(window->settings().DeshakerDir, "/vd/plugins/Deshaker.vdf");
  // Choosing ffmpeg does not move the folder its dialog opens in.
  control<QPushButton>(QStringLiteral("Button5"))->click();
  EXPECT_EQ(prompter.dialogs.back().folder, QString());
}

// ---- key releases ----

TEST_F(MainWindow, PrefixIsTakenAtAKeyReleaseOnly) {
  type(QStringLiteral("Edit_Prefix"), QStringLiteral("new_"));
  EXPECT_EQ(window->settings().Prefix, "new_");
  // Text put in with the mouse waits for the next key release in the field.
  control<QLineEdit>(QStringLiteral("Edit_Prefix"))->insert(QStringLiteral("pasted_"));
  EXPECT_EQ(window->settings().Prefix, "new_");
  QTest::keyClick(control<QLineEdit>(QStringLiteral("Edit_Prefix")), Qt::Key_Right);
  EXPECT_EQ(window->settings().Prefix, "new_pasted_");
}

TEST_F(MainWindow, AHeldKeyIsTakenAtItsOneReleaseOnly) {
  auto* field = control<QLineEdit>(QStringLiteral("Edit_Prefix"));
  type(QStringLiteral("Edit_Prefix"), QStringLiteral("ab"));
  QTest::keyPress(field, Qt::Key_C);
  // A held key repeats: its repeated presses come with releases marked as repeats.
  QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"), true);
  QCoreApplication::sendEvent(field, &repeat);
  EXPECT_EQ(window->settings().Prefix, "ab");
  QTest::keyRelease(field, Qt::Key_C);
  EXPECT_EQ(window->settings().Prefix, "abc");
}

TEST_F(MainWindow, FrameRateTextThatIsNoIntegerIsReportedAndTheLastValueKept) {
  choose(QStringLiteral("RadioGroup_FrameRates"),
         choices::itemIndex(choices::FrameRates::UserDefined));
  erase(QStringLiteral("Edit_FR_Num"));
  type(QStringLiteral("Edit_FR_Num"), QStringLiteral("24000"));
  EXPECT_EQ(window->settings().UserFrNum, 24000);
  prompter.errors.clear();
  type(QStringLiteral("Edit_FR_Num"), QStringLiteral("x"));
  EXPECT_EQ(prompter.errors, QStringList{"'24000x' is not a valid integer value."});
  EXPECT_EQ(window->settings().UserFrNum, 24000);
  EXPECT_EQ(window->settings().Edit_FR_Num, "24000x");
}

TEST_F(MainWindow, AnEmptyDenominatorIsReportedAtEveryKeyRelease) {
  choose(QStringLiteral("RadioGroup_FrameRates"),
         choices::itemIndex(choices::FrameRates::UserDefined));
  erase(QStringLiteral("Edit_FR_Den"));
  ASSERT_EQ(prompter.errors.size(), 1);
  EXPECT_EQ(prompter.errors.back(), QStringLiteral("'' is not a valid integer value."));
  QTest::keyClick(control<QLineEdit>(QStringLiteral("Edit_FR_Den")), Qt::Key_Left);
  EXPECT_EQ(prompter.errors.size(), 2);
  EXPECT_EQ(window->settings().UserFrDen, 1);
  type(QStringLiteral("Edit_FR_Den"), QStringLiteral("1000"));
  EXPECT_EQ(window->settings().UserFrDen, 1000);
  EXPECT_EQ(prompter.errors.size(), 2);
}

TEST_F(MainWindow, TheKeyThatClosesTheErrorBoxDoesNotRaiseTheErrorAgain) {
  choose(QStringLiteral("RadioGroup_FrameRates"),
         choices::itemIndex(choices::FrameRates::UserDefined));
  QWidget messageBox;
  // Return pressed in the message box closes it; its release reaches the field afterwards.
  prompter.whileErrorShown = [&] { QTest::keyPress(&messageBox, Qt::Key_Return); };
  auto* field = control<QLineEdit>(QStringLiteral("Edit_FR_Num"));
  QTest::keyClick(field, Qt::Key_X);
  ASSERT_EQ(prompter.errors.size(), 1);
  QTest::keyRelease(field, Qt::Key_Return);
  EXPECT_EQ(prompter.errors.size(), 1);
  // Any later key release in the field reports again.
  QTest::keyClick(field, Qt::Key_End);
  EXPECT_EQ(prompter.errors.size(), 2);
}

// ---- Edit menu ----

class EditMenu : public WindowFixture {
 protected:
  void SetUp() override {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    field = control<QLineEdit>(QStringLiteral("Edit_Offset"));
    field->setText(QStringLiteral("12345"));
    field->setFocus();
    QApplication::processEvents();
  }
  bool enabled(const char* action) {
    control<QMenu>(QStringLiteral("Edit1"))->aboutToShow();
    return control<QAction>(QString::fromLatin1(action))->isEnabled();
  }
  QLineEdit* field = nullptr;
};

TEST_F(MainWindow, EditCommandsAreUnavailableBeforeATextFieldHasTheFocus) {
  for (const char* name : {"EditCut1", "EditCopy1", "EditPaste1"}) {
    EXPECT_FALSE(control<QAction>(QString::fromLatin1(name))->isEnabled()) << name;
  }
}

TEST_F(EditMenu, CutAndCopyNeedSelectedTextInTheFocusedField) {
  ASSERT_EQ(QApplication::focusWidget(), field);
  field->deselect();
  EXPECT_FALSE(enabled("EditCut1"));
  EXPECT_FALSE(enabled("EditCopy1"));
  field->setSelection(1, 2);
  EXPECT_TRUE(enabled("EditCut1"));
  EXPECT_TRUE(enabled("EditCopy1"));
  control<QAction>(QStringLiteral("EditCut1"))->trigger();
  EXPECT_EQ(field->text(), QStringLiteral("145"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("23"));
  EXPECT_EQ(window->settings().Edit_Offset, "145");
}

TEST_F(EditMenu, WorksOnTheFieldWhenOpenedWithItsAccessKey) {
  field->setSelection(1, 2);
  // Alt+E takes the focus to the menu bar while the menu is open.
  QTest::keyClick(field, Qt::Key_E, Qt::AltModifier);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_EQ(menu, control<QMenu>(QStringLiteral("Edit1")));
  EXPECT_TRUE(control<QAction>(QStringLiteral("EditCut1"))->isEnabled());
  QTest::keyClick(menu, Qt::Key_T);
  EXPECT_EQ(field->text(), QStringLiteral("145"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("23"));
  EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(EditMenu, AFieldLeftThroughTheMenuBarLosesItsSelection) {
  field->setSelection(1, 2);
  QTest::keyClick(field, Qt::Key_Alt);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(window->menuBar()));
  EXPECT_TRUE(field->hasSelectedText());
  auto* box = control<QCheckBox>(QStringLiteral("CheckBox_MVC_Ref"));
  QTest::mouseClick(box, Qt::LeftButton);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(box));
  EXPECT_FALSE(field->hasSelectedText());
}

TEST_F(EditMenu, PasteNeedsTextOnTheClipboardAndAFocusedField) {
  QGuiApplication::clipboard()->clear();
  EXPECT_FALSE(enabled("EditPaste1"));
  QGuiApplication::clipboard()->setText(QStringLiteral("9"));
  EXPECT_TRUE(enabled("EditPaste1"));
  control<QCheckBox>(QStringLiteral("CheckBox_ffmpeg_make"))->setFocus();
  EXPECT_FALSE(enabled("EditPaste1"));
  EXPECT_FALSE(enabled("EditCopy1"));
}

// ---- About box and exit ----

TEST_F(MainWindow, AboutBoxOpensAndClosesWithoutReloadingTheSettings) {
  activate();
  click(QStringLiteral("CheckBox_Deshake"));
  TAboutBox* about = window->aboutBox();
  bool wasShown = false;
  QTimer::singleShot(0, about, [&] {
    wasShown = about->isVisible();
    EXPECT_EQ(about->focusWidget(), about->OKButton());
    about->OKButton()->click();
  });
  control<QAction>(QStringLiteral("HelpAbout1"))->trigger();
  EXPECT_TRUE(wasShown);
  EXPECT_FALSE(about->isVisible());
  EXPECT_TRUE(window->settings().CheckBox_Deshake);
  EXPECT_TRUE(control<QCheckBox>(QStringLiteral("CheckBox_Deshake"))->isChecked());
}

TEST_F(MainWindow, AboutBoxShowsProductVersionAndDescription) {
  TAboutBox* about = window->aboutBox();
  EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("ProductName"))->text(), "Twinlens");
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("Version"))->text(), "Version 1.00");
  EXPECT_TRUE(about->findChild<QLabel*>(QStringLiteral("Comments"))
                  ->text()
                  .startsWith(QStringLiteral("Stereoscopic converter for conversion")));
  EXPECT_TRUE(about->OKButton()->isDefault());
  EXPECT_EQ(about->OKButton()->text(), QStringLiteral("OK"));
}

TEST_F(MainWindow, ExitClosesTheWindowAndSavesTheSettings) {
  activate();
  control<QAction>(QStringLiteral("FileExit1"))->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(std::filesystem::exists(files.settingsPath));
}

}  // namespace
}  // namespace twinlens::ui::test
