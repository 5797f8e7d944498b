#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <memory>
#include <string_view>

#include "engine/ConversionRun.h"
#include "engine/ConversionSettings.h"
#include "ui/AppFiles.h"
#include "ui/RunReportDialog.h"
#include "ui/UiPrompter.h"
#include "ui/WindowRunFrontEnd.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;

namespace twinlens {
class PresetsFile;
}

namespace twinlens::window {
struct ControlRule;
}

namespace twinlens::ui {

class TAboutBox;

// The main window: six tabs of settings, the hand-off check boxes below them, the menu and the
// status bar. It shows and edits one ConversionSettings; every control carries the name of its
// field as its objectName, and every change a control makes goes into the record at once.
class TSDIAppForm : public QMainWindow {
  Q_OBJECT

 public:
  // `programFolder` (without a trailing separator) is where the input dialogs first open.
  TSDIAppForm(UiPrompter& prompter, AppFiles files, const std::string& programFolder,
              QWidget* parent = nullptr);
  ~TSDIAppForm() override;

  const ConversionSettings& settings() const { return settings_; }
  const AppFiles& files() const { return files_; }
  TAboutBox* aboutBox() const { return aboutBox_; }
  // Replaces the shell launch of the conversion run (tests record the launches).
  void setLauncher(Launcher launcher) { runFrontEnd_.setLauncher(std::move(launcher)); }
  // Replaces the file manager that the run report opens folders in.
  void setFolderOpener(FolderOpener opener) { folderOpener_ = std::move(opener); }

  // Start-up and close.
  void FormActivate();  // first activation only: presets, preset list, settings file
  bool FormClose();     // saves the settings file; false keeps the window open

  // Menu commands.
  void M1Click();
  void RunReport1Click();  // the last run's report
  void LoadLayout1Click();
  void SaveLayout1Click();
  void FileExit1Execute();
  void HelpAbout1Execute();

  // File-selection buttons.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button_VDub_PluginClick();
  void Button_Deshaker_SettingsClick();

  // Presets.
  void ComboBox_FF_codecChange();
  void Button_new_presetClick();
  void Button_Delete_PresetClick();

  // Key releases in the fields whose values are taken over only then.
  void Edit_PrefixKeyUp();
  void Edit_User_FRKeyUp();
  void Edit_FR_DenKeyUp();

  // The enable and visibility rules, derived from the record.
  void CheckBox_change_final_HVClick();
  void CheckBox_ffmpeg_makeClick();
  void CheckBox_VD_MakeJobsClick();
  void RadioGroup_FrameRatesClick();
  void RadioGroup_Import_OptionsClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildInputTab();
  QWidget* buildOutputTab();
  QWidget* buildFrameRatesTab();
  QWidget* buildAdvancedTab();
  QWidget* buildFfmpegTab();
  QWidget* buildVirtualDubTab();
  QWidget* buildHandOffBoxes();
  void buildMenus();
  void bindFields();

  // Shows every value of the record in its control and applies the rules.
  void showSettings();
  void showPresetFields();
  void applyRules();
  void applyRule(const window::ControlRule& rule);
  void applyRule(std::string_view handler);
  void loadSettingsFrom(const std::string& path);
  void fillPresetList();
  void selectPreset(int index);
  void presetTextEdited();
  void updateEditActions();
  QLineEdit* focusedTextField() const;
  QString statusHint(const QWidget* widget) const;
  // Runs a user action; an error ends it and is shown in the program's message box.
  template <typename Action>
  void guarded(Action&& action);
  void showError(const std::string& message);
  std::optional<QString> chooseFile(const QString& title, const QString& filter,
                                    const std::string& pathForFolder, bool multiple);

  UiPrompter& prompter_;
  AppFiles files_;
  std::string programFolder_;  // where the remembered folders default to
  ConversionSettings settings_;
  std::unique_ptr<PresetsFile> presets_;
  WindowRunFrontEnd runFrontEnd_;
  // One run object for the session: it remembers the last right folder between runs.
  ConversionRun run_;
  bool activated_ = false;
  bool updating_ = false;      // controls are being set from the record
  bool showingError_ = false;  // keys pressed in a message box are not key releases of a field
  bool menuOpen_ = false;      // a menu of the menu bar is open
  QSet<int> keysPressedInMessageBox_;

  TAboutBox* aboutBox_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLineEdit* editPrefix_ = nullptr;
  QLineEdit* editFrNum_ = nullptr;
  QLineEdit* editFrDen_ = nullptr;
  QComboBox* presetBox_ = nullptr;
  QLabel* labelFfmpeg_ = nullptr;
  QLabel* labelPlugin_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QAction* cutAction_ = nullptr;
  QAction* copyAction_ = nullptr;
  QAction* pasteAction_ = nullptr;
  QAction* reportAction_ = nullptr;
  FolderOpener folderOpener_;
  QPointer<QLineEdit> textFieldBeforeMenu_;  // the focused field while the menu bar has the focus
};

}  // namespace twinlens::ui
