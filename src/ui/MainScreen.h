#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <memory>
#include <string_view>

#include "model/ConversionSettings.h"
#include "ui/AppFiles.h"
#include "ui/RunReportDialog.h"
#include "ui/UiPrompter.h"
#include "window/MainScreenModel.h"
#include "window/Prompter.h"
#include "window/ScreenView.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace twinlens::window {
struct ControlRule;
}

namespace twinlens::ui {

class TAboutBox;
class EncodeWindow;
class PreviewWindow;

// The main window: six tabs of settings, the hand-off check boxes below them, the menu and the
// status bar. It shows and edits one ConversionSettings; every control carries the name of its
// field as its objectName, and every change a control makes goes into the record at once.
class TSDIAppForm : public QMainWindow, private window::ScreenView, private window::Prompter {
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
  void setLauncher(window::Launcher launcher) { model_.setLauncher(std::move(launcher)); }
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
  void Preview1Click();  // the preview window, also from the button below the tabs
  PreviewWindow* previewWindow() const { return previewWindow_; }
  EncodeWindow* encodeWindow() const { return encodeWindow_; }

  // Key releases in the fields whose values are taken over only then.
  void Edit_PrefixKeyUp();
  void Edit_User_FRKeyUp();
  void Edit_FR_DenKeyUp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What the window's behaviour asks of this window.
  void showPresetList(const std::vector<std::string>& names) override;
  int selectedPreset() const override;
  std::string fieldText(std::string_view field) const override;
  void setFieldText(std::string_view field, const std::string& text) override;
  void showStatus(const std::string& text) override;
  void showBusy(bool busy) override;
  void showProgress(const std::string& text) override;
  bool stopRequested() override;
  void endProgress() override;
  void showPreviewWindow() override;
  void showPreviewPicture(const std::string& bmp) override;
  window::SoundOutput* previewSound() override;
  void showPreviewState(const window::PreviewState& state) override;
  void showEncodeWindow() override;
  void showEncodeState(const window::EncodeState& state) override;
  void openFolder(const std::string& folder) override;
  // The dialogs and message boxes, through the window's prompter.
  std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& folder,
                                                    bool multiple) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& folder,
                                      const std::string& defaultExtension) override;
  void showError(const std::string& text) override;
  void showInformation(const std::string& text) override;
  bool askOkCancel(const std::string& title, const std::string& text) override;

  QWidget* buildInputTab();
  QWidget* buildOutputTab();
  QWidget* buildFrameRatesTab();
  QWidget* buildAdvancedTab();
  QWidget* buildGeometryTab();
  QWidget* buildVrTab();
  QWidget* buildFfmpegTab();
  QWidget* buildVirtualDubTab();
  QWidget* buildHandOffBoxes();
  void buildMenus();
  void bindFields();

  // Shows every value of the record in its control and applies the rules.
  void showSettings() override;
  void showPresetFields() override;
  void applyRules();
  void applyRule(const window::ControlRule& rule) override;
  void selectPreset(int index) override;
  void presetTextEdited();
  void updateEditActions();
  QLineEdit* focusedTextField() const;
  QString statusHint(const QWidget* widget) const;

  UiPrompter& prompter_;
  AppFiles files_;
  std::string programFolder_;  // where the remembered folders default to
  // The window's behaviour and its settings record, which this window shows.
  window::MainScreenModel model_;
  ConversionSettings& settings_;
  bool updating_ = false;      // controls are being set from the record
  bool showingError_ = false;  // keys pressed in a message box are not key releases of a field
  bool menuOpen_ = false;      // a menu of the menu bar is open
  QSet<int> keysPressedInMessageBox_;

  TAboutBox* aboutBox_ = nullptr;
  PreviewWindow* previewWindow_ = nullptr;  // made when first shown
  EncodeWindow* encodeWindow_ = nullptr;    // made when first shown
  QTimer* ticker_ = nullptr;                // gives the preview and the encodes their turns
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
  // While a run scans its clips the window is held: only "Stop" (or Escape) takes input.
  QPushButton* stopButton_ = nullptr;
  bool held_ = false;
  bool stopAsked_ = false;
  FolderOpener folderOpener_;
  QPointer<QLineEdit> textFieldBeforeMenu_;  // the focused field while the menu bar has the focus
};

}  // namespace twinlens::ui
