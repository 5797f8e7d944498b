#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/ConversionSettings.h"
#include "run/ClipScan.h"
#include "run/ConversionRun.h"
#include "window/EncodeModel.h"
#include "window/PreviewModel.h"
#include "window/Prompter.h"
#include "window/ScreenView.h"
#include "window/WindowRunFrontEnd.h"

namespace twinlens {
class PresetsFile;
class SoundSource;
}  // namespace twinlens

namespace twinlens::window {

// The main window's behaviour, the same in every window that shows it: start-up and close, the
// menu commands, the file-selection buttons, the presets and the fields taken at a key release.
// It owns the settings record; the window shows it (ScreenView) and asks through the Prompter.
// The handlers keep the names of the window's events.
class MainScreenModel {
 public:
  // `settingsPath` and `presetsPath` are the program's settings and presets files;
  // `programFolder` (without a trailing separator) is where the input dialogs first open.
  MainScreenModel(Prompter& prompter, ScreenView& view, std::string settingsPath,
                  std::string presetsPath, const std::string& programFolder, Launcher launcher);
  ~MainScreenModel();
  MainScreenModel(const MainScreenModel&) = delete;
  MainScreenModel& operator=(const MainScreenModel&) = delete;

  ConversionSettings& settings() { return settings_; }
  const ConversionSettings& settings() const { return settings_; }
  void setLauncher(Launcher launcher) { runFrontEnd_.setLauncher(std::move(launcher)); }

  // Start-up and close.
  void FormActivate();  // first activation only: presets, preset list, settings file
  // Asks before it stops encodes that still run, and saves the settings file; false keeps the
  // window open.
  bool FormClose();
  bool activated() const { return activated_; }

  // Menu commands.
  void M1Click();
  void LoadLayout1Click();
  void SaveLayout1Click();

  // File-selection buttons.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button_VDub_PluginClick();
  void Button_Deshaker_SettingsClick();
  // Measures "Offset frames" from the sound of two chosen clips.
  void Button_Detect_OffsetClick();
  // Where that measurement gets the clips' sound; the ffmpeg program when none is set.
  void setSoundSource(SoundSource* source) { soundSource_ = source; }
  // Measures the right view's misalignment against the left view of a chosen pair (or of the one
  // file holding both), puts it into the values of "Use these values" and shows the report.
  void Button_Measure_AlignmentClick();
  // What measures it, and the clips of a run that aligns by measurement; the ffmpeg program when
  // none is set.
  void setPairMeasurer(PairMeasurer* measurer) { scan_.setMeasurer(measurer); }

  // The preview window's behaviour, on the clip last chosen in this window's dialogs.
  PreviewModel& preview() { return preview_; }
  // The encoding window's behaviour, which follows the ffmpeg engine's runner a conversion starts.
  EncodeModel& encodes() { return encodes_; }
  // Takes in what the preview and the encodes have done; the window calls it every few tens of
  // milliseconds.
  void tick() {
    preview_.tick();
    encodes_.tick();
  }

  // Presets.
  bool hasPresets() const { return presets_ != nullptr; }
  const std::vector<std::string>& presetNames() const { return presetNames_; }
  // The preset list as shown: an entry that no engine could use is marked with the reason.
  const std::vector<std::string>& presetList() const { return presetList_; }
  void ComboBox_FF_codecChange();
  void Button_new_presetClick();
  void Button_Delete_PresetClick();

  // Key releases in the fields whose values are taken over only then.
  void Edit_PrefixKeyUp();
  void Edit_User_FRKeyUp();
  void Edit_FR_DenKeyUp();

  // A control changed, by the name of its field, as either window forwards its toolkit's event:
  // the record takes the value, the rules are applied and the preview renders anew. A name that
  // is no field of the record is ignored.
  void choiceChanged(std::string_view field, int index);
  void flagChanged(std::string_view field, bool on);
  void textChanged(std::string_view field, const std::string& text);
  // A button pressed, by its name (ButtonTable); false for a name the table does not hold.
  bool buttonPressed(std::string_view button);

  // The enable and visibility rules, each applied by its handler (ControlRules).
  void CheckBox_change_final_HVClick();
  void CheckBox_ffmpeg_makeClick();
  void CheckBox_VD_MakeJobsClick();
  void RadioGroup_FrameRatesClick();
  void RadioGroup_LensClick();
  void RadioGroup_Import_OptionsClick();
  void RadioGroup_Encode_OnClick();
  // Every rule, through its handler.
  void applyRules();

  // The last run: what it wrote, what it started.
  const RunReport& runReport() const { return run_.report(); }
  const std::vector<std::string>& writtenFiles() const { return runFrontEnd_.written(); }

 private:
  // Runs a user action; an error ends it and is shown in the program's message box.
  template <typename Action>
  void guarded(Action&& action) {
    try {
      action();
    } catch (const std::exception& error) {
      showError(error.what());
    }
  }
  // Runs a measurement with the window showing `status` and busy.
  template <typename Measure>
  auto whileBusy(const std::string& status, Measure&& measure);
  // The error's message, with a period after a letter or digit.
  void showError(const std::string& message);

  void loadSettingsFrom(const std::string& path);
  void fillPresetList();
  std::optional<std::string> chooseFile(const std::string& title, const std::string& filter,
                                        const std::string& pathForFolder, bool multiple);
  std::string selectedPresetName() const;
  // The controls show the record, which the preview renders anew.
  void showSettings();
  // The record took a value from a control.
  void changed();
  void applyRule(std::string_view handler);

  Prompter& prompter_;
  ScreenView& view_;
  std::string settingsPath_;
  std::string presetsPath_;
  std::string programFolder_;
  ConversionSettings settings_;
  std::unique_ptr<PresetsFile> presets_;
  std::vector<std::string> presetNames_;
  std::vector<std::string> presetList_;
  WindowRunFrontEnd runFrontEnd_;
  // The one reader of the footage for the runs, the preview and the measure buttons.
  ClipScan scan_;
  // One run object for the session: it remembers the last right folder between runs.
  ConversionRun run_;
  bool activated_ = false;
  SoundSource* soundSource_ = nullptr;
  PreviewModel preview_;
  EncodeModel encodes_;
};

}  // namespace twinlens::window
