#include "window/MainScreenModel.h"

#include "model/Targets.h"

#include <optional>

#include "analysis/OffsetDetector.h"
#include "base/DecimalText.h"
#include "base/Error.h"
#include "base/Paths.h"
#include "engines/CommandTexts.h"
#include "media/FfmpegSoundSource.h"
#include "model/Choices.h"
#include "model/ConversionPlan.h"
#include "model/SettingsFields.h"
#include "platform/FileSystem.h"
#include "run/EngineList.h"
#include "storage/DeshakerImport.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"
#include "window/ButtonTable.h"
#include "window/ControlRules.h"

namespace twinlens::window {

namespace {

constexpr const char* kLayoutFilter = "Layout files (*.lay)|*.lay|All files (*.*)|*.*";

std::string joinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// A measured value as the fields show it; a value that rounds to zero is "0.00", never "-0.00".
std::string fixed(double value, int decimals) {
  std::string shown = fixedText(value, decimals);
  if (shown.front() == '-' && shown.find_first_not_of("-0.") == std::string::npos)
    shown.erase(0, 1);
  return shown;
}

}  // namespace

MainScreenModel::MainScreenModel(Prompter& prompter, ScreenView& view, std::string settingsPath,
                                 std::string presetsPath, const std::string& programFolder,
                                 Launcher launcher)
    : prompter_(prompter),
      view_(view),
      settingsPath_(std::move(settingsPath)),
      presetsPath_(std::move(presetsPath)),
      programFolder_(programFolder),
      settings_(programFolder),
      runFrontEnd_(prompter, view, std::move(launcher)),
      scan_(nullptr, nullptr, platform::cacheFolder()),
      run_(settings_, runFrontEnd_),
      preview_(settings_, prompter, view, scan_),
      encodes_(view) {
  run_.setScan(&scan_);
  runFrontEnd_.setEncodesStarter(
      [this](const ProgramStart& runner) { return encodes_.start(runner); });
}

MainScreenModel::~MainScreenModel() = default;

void MainScreenModel::showSettings() {
  view_.showSettings();
  preview_.settingsChanged();
}

void MainScreenModel::showError(const std::string& message) {
  prompter_.showError(Error::displayText(message));
}

std::optional<std::string> MainScreenModel::chooseFile(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& pathForFolder,
                                                       bool multiple) {
  const auto chosen = prompter_.openFiles(title, filter, paths::dir(pathForFolder), multiple);
  if (!chosen || chosen->empty()) return std::nullopt;
  return chosen->front();
}

// ---- start-up and close ----

void MainScreenModel::FormActivate() {
  if (activated_) return;
  activated_ = true;
  presets_ = std::make_unique<PresetsFile>(presetsPath_);
  fillPresetList();
  // A first start, with no settings file yet, chooses the engine that runs on this system; a
  // settings file keeps its own choice.
  const bool firstStart = !platform::fileExists(settingsPath_);
  loadSettingsFrom(settingsPath_);
  if (firstStart) {
    settings_.RadioGroup_Engine = firstStartEngine();
    showSettings();
  }
}

bool MainScreenModel::FormClose() {
  // Hours of encoding are not given up without asking.
  if (encodes_.running()) {
    if (!prompter_.askOkCancel("Twinlens",
                               "The encodes are still running. Stop them and close Twinlens?")) {
      return false;
    }
    encodes_.Button_CancelClick();
  }
  // A window closed before its settings were read would overwrite them with the defaults.
  if (!activated_) return true;
  try {
    SaveSettings(settings_, settingsPath_);
    return true;
  } catch (const std::exception& error) {
    showError(error.what());
    return false;
  }
}

void MainScreenModel::loadSettingsFrom(const std::string& path) {
  try {
    LoadSettings(settings_, path, presets_.get(), programFolder_, &presetNames_);
  } catch (const std::exception& error) {
    // What was read before the error stays applied, and the controls show it.
    showSettings();
    showError(error.what());
    return;
  }
  // The prefix field shows the loaded prefix only once loading has read everything; otherwise it
  // keeps its text, which the prefix follows again at the next key release.
  view_.setFieldText("Edit_Prefix", settings_.Prefix);
  showSettings();
}

// ---- menu ----

void MainScreenModel::M1Click() {
  runFrontEnd_.clear();
  bool stopped = false;
  guarded([&] {
    // The window takes all input again before any message box.
    struct GivenBack {
      ScreenView& view;
      ~GivenBack() { view.endProgress(); }
    } givenBack{view_};
    try {
      run_.M1Click();
    } catch (const Cancelled& cancelled) {
      view_.showStatus(cancelled.what());  // the user asked for it: no message box
      stopped = true;
    }
  });
  // The preview shows the first clip the run's dialogs chose.
  const auto& chosen = runFrontEnd_.chosen();
  if (!chosen.empty() && !chosen.front().empty()) {
    const bool right = chosen.size() > 1 && !chosen[1].empty();
    preview_.setClip(chosen.front().front(), right ? chosen[1].front() : std::string());
  }
  // Afterwards the status bar tells what the run did, until the mouse brings up a hint.
  if (run_.report().ran() && !stopped) view_.showStatus(run_.report().statusText());
}

void MainScreenModel::LoadLayout1Click() {
  const auto chosen = chooseFile("Select the layout file", kLayoutFilter, std::string(), false);
  if (chosen) loadSettingsFrom(*chosen);
}

void MainScreenModel::SaveLayout1Click() {
  const auto chosen = prompter_.saveFile("Select filename for saving the current layout",
                                         kLayoutFilter, std::string(), "lay");
  if (chosen) guarded([&] { SaveSettings(settings_, *chosen); });
}

// ---- file-selection buttons ----

void MainScreenModel::Button1Click() {
  const auto chosen = chooseFile("Select VirtualDub vcf file for deinterlacing video",
                                 "All Files (*.*)|*.*", settings_.VcfDeint, false);
  if (!chosen) return;
  settings_.setVcfDeint(*chosen);
  showSettings();
}

void MainScreenModel::Button2Click() {
  const auto chosen =
      chooseFile("Select VirtualDub vcf file for output files without deinterlacing", {},
                 settings_.VcfSeparate, true);
  if (!chosen) return;
  settings_.setVcfSeparate(*chosen);
  showSettings();
}

void MainScreenModel::Button3Click() {
  const auto chosen = chooseFile("Select VirtualDub vcf file for output files after deinterlacing",
                                 {}, settings_.VcfLR, true);
  if (!chosen) return;
  settings_.setVcfLR(*chosen);
  showSettings();
}

void MainScreenModel::Button4Click() {
  const auto chosen =
      chooseFile("Select the second VirtualDub.exe", "Exe Files (*.exe)|*.exe|All files (*.*)|*.*",
                 settings_.Edit_VD2, false);
  if (!chosen) return;
  settings_.Edit_VD2 = *chosen;
  showSettings();
}

void MainScreenModel::Button5Click() {
  const auto chosen =
      prompter_.openFiles("Select ffmpeg.exe file which will be used for encoding the video files",
                          "Exe files (*.exe)|*.exe", settings_.FfmpegDialogFolder, false);
  if (!chosen || chosen->empty()) return;
  settings_.FfmpegLocation = chosen->front();
  showSettings();
}

void MainScreenModel::Button_VDub_PluginClick() {
  const auto chosen = prompter_.openFiles(
      "Select VirtualDub Deshaker plugin (in VirtualDub\\Plugins directory)", {}, {}, false);
  if (!chosen || chosen->empty()) return;
  settings_.DeshakerDir = chosen->front();
  showSettings();
}

void MainScreenModel::Button_Deshaker_SettingsClick() {
  const auto chosen = prompter_.openFiles("Select Deshaker VirtualDub vcf file", {}, {}, false);
  if (!chosen || chosen->empty()) return;
  guarded([&] { importDeshakerSettings(settings_, chosen->front()); });
}

template <typename Measure>
auto MainScreenModel::whileBusy(const std::string& status, Measure&& measure) {
  view_.showStatus(status);
  view_.showBusy(true);
  try {
    auto result = measure();
    view_.showBusy(false);
    return result;
  } catch (...) {
    view_.showBusy(false);
    view_.showStatus({});
    throw;
  }
}

void MainScreenModel::Button_Detect_OffsetClick() {
  if (settings_.RadioGroup_Input_Format != choices::InputFormat::Separate) {
    prompter_.showError(
        "A side-by-side, over-under or 2D file holds one sound track for both views: there is no "
        "offset between two cameras to measure. Choose \"Separate L and R files\" to measure "
        "one.");
    return;
  }
  const auto left =
      prompter_.openFiles("Select the left camera's clip", {}, settings_.PathLeft, false);
  if (!left || left->empty()) return;
  const auto right =
      prompter_.openFiles("Select the right camera's clip", {}, settings_.PathRight, false);
  if (!right || right->empty()) return;
  guarded([&] {
    std::optional<FfmpegSoundSource> ffmpeg;
    SoundSource& source = soundSource_ != nullptr ? *soundSource_ : ffmpeg.emplace(settings_);
    const OffsetReport report = whileBusy("Measuring the offset from the clips' sound...", [&] {
      return OffsetDetector(source).detect(left->front(), right->front());
    });
    view_.showStatus("Offset frames: " + std::to_string(report.frames));
    settings_.Edit_Offset = std::to_string(report.frames);
    preview_.setClip(left->front(), right->front());
    showSettings();
    prompter_.showInformation(joinedLines(report.lines()));
  });
}

void MainScreenModel::Button_Measure_AlignmentClick() {
  const recipe::InputLayout layout = ConversionPlan(settings_).input();
  if (layout == recipe::InputLayout::Mono) {
    prompter_.showError(
        "A 2D file holds one view: there is no pair to align. Choose \"Separate L and R files\", "
        "\"Side-by-side LR\" or \"Over-under OU\" to measure one.");
    return;
  }
  const bool twoFiles = layout == recipe::InputLayout::Pair;
  const auto left = prompter_.openFiles(
      twoFiles ? "Select the left camera's clip" : "Select the clip holding both views", {},
      settings_.PathLeft, false);
  if (!left || left->empty()) return;
  std::optional<std::vector<std::string>> right = left;
  if (twoFiles) {
    right = prompter_.openFiles("Select the right camera's clip", {}, settings_.PathRight, false);
    if (!right || right->empty()) return;
  }
  guarded([&] {
    ScanRequest request;
    request.geometry = true;
    request.headersOnly = true;
    const GeometryReport report =
        whileBusy("Measuring the alignment from the clips' pictures...", [&] {
          return scan_.scanClip(settings_, layout, request, left->front(), right->front())
              .measuredGeometry();
        });
    settings_.Edit_Align_Vertical = fixed(report.verticalOffsetPx, 2);
    settings_.Edit_Align_Roll = fixed(report.rollDeg, 3);
    settings_.Edit_Align_Zoom = fixed(report.zoomPercent, 3);
    settings_.Edit_Align_Toe_In = fixed(report.toeInDeg, 3);
    settings_.Edit_Align_Tilt = fixed(report.tiltDeg, 3);
    // Measured values that nothing uses would surprise: "No change" becomes "Use these values".
    if (settings_.RadioGroup_Align == choices::Align::Unset ||
        settings_.RadioGroup_Align == choices::Align::NoChange) {
      settings_.RadioGroup_Align = choices::Align::UseValues;
    }
    preview_.setClip(left->front(), twoFiles ? right->front() : std::string(), report);
    showSettings();
    view_.showStatus(
        "Vertical offset: " + settings_.Edit_Align_Vertical +
        " px, roll: " + settings_.Edit_Align_Roll + " degrees, depth: " +
        depthVerdictName(depthVerdict(report.parallaxNearPermille, report.parallaxFarPermille)));
    prompter_.showInformation(joinedLines(report.lines()));
  });
}

// ---- the controls' events ----

void MainScreenModel::changed() {
  applyRules();
  preview_.settingsChanged();
}

void MainScreenModel::choiceChanged(std::string_view field, int index) {
  const SettingsField* found = findSettingsField(field);
  if (found == nullptr || !std::holds_alternative<ChoiceMember>(found->member)) return;
  found->setItemIndex(settings_, index);
  // Choosing a preset fills its fields; choosing a target sets what it decides.
  if (field == "ComboBox_FF_codec") {
    ComboBox_FF_codecChange();
    return;
  }
  if (field == "ComboBox_Target" && targetOf(settings_.ComboBox_Target) != nullptr) {
    applyTarget(settings_);
    showSettings();
  }
  changed();
}

void MainScreenModel::flagChanged(std::string_view field, bool on) {
  const SettingsField* found = findSettingsField(field);
  if (found == nullptr || !std::holds_alternative<bool ConversionSettings::*>(found->member)) {
    return;
  }
  settings_.*std::get<bool ConversionSettings::*>(found->member) = on;
  changed();
}

void MainScreenModel::textChanged(std::string_view field, const std::string& text) {
  const SettingsField* found = findSettingsField(field);
  if (found == nullptr ||
      !std::holds_alternative<std::string ConversionSettings::*>(found->member)) {
    return;
  }
  settings_.*std::get<std::string ConversionSettings::*>(found->member) = text;
  changed();
}

bool MainScreenModel::buttonPressed(std::string_view button) {
  const ButtonAction* action = findButtonAction(button);
  if (action == nullptr) return false;
  action->pressed(*this);
  return true;
}

void MainScreenModel::applyRule(std::string_view handler) {
  for (const ControlRule& rule : controlRules()) {
    if (rule.handler == handler) view_.applyRule(rule);
  }
}

void MainScreenModel::CheckBox_change_final_HVClick() {
  applyRule("CheckBox_change_final_HVClick");
}

void MainScreenModel::CheckBox_ffmpeg_makeClick() {
  applyRule("CheckBox_ffmpeg_makeClick");
}

void MainScreenModel::CheckBox_VD_MakeJobsClick() {
  applyRule("CheckBox_VD_MakeJobsClick");
}

void MainScreenModel::RadioGroup_FrameRatesClick() {
  applyRule("RadioGroup_FrameRatesClick");
}

void MainScreenModel::RadioGroup_LensClick() {
  applyRule("RadioGroup_LensClick");
}

void MainScreenModel::RadioGroup_Import_OptionsClick() {
  applyRule("RadioGroup_Import_OptionsClick");
}

void MainScreenModel::RadioGroup_Encode_OnClick() {
  applyRule("RadioGroup_Encode_OnClick");
}

void MainScreenModel::applyRules() {
  for (const ControlRule& rule : controlRules()) view_.applyRule(rule);
}

// ---- presets ----

void MainScreenModel::fillPresetList() {
  if (!presets_) return;
  presetNames_.clear();
  presetList_.clear();
  try {
    const IniText text = presets_->text();
    presetNames_ = PresetsFile::names(text);
    // An entry whose texts cannot go onto a command line is marked, not hidden: the file is
    // shared, and the rest of it stays usable.
    for (const std::string& name : presetNames_) {
      const std::string fault =
          presetFault(PresetsFile::parameters(text, name), PresetsFile::extension(text, name));
      presetList_.push_back(fault.empty() ? name : name + " (unusable: " + fault + ")");
    }
  } catch (const std::exception& error) {
    showError(error.what());
  }
  view_.showPresetList(presetList_);
}

std::string MainScreenModel::selectedPresetName() const {
  const int index = view_.selectedPreset();
  const bool listed = index >= 0 && static_cast<std::size_t>(index) < presetNames_.size();
  return listed ? presetNames_[static_cast<std::size_t>(index)] : std::string();
}

void MainScreenModel::ComboBox_FF_codecChange() {
  if (!presets_) return;
  guarded([&] { presets_->showPreset(settings_, selectedPresetName()); });
  view_.showPresetFields();
  // A marked entry says why once it is chosen; a run with it stops with the same words.
  try {
    checkCommandTexts(settings_, Shell::Cmd, commandtexts::kFfmpeg);
  } catch (const Error& error) {
    view_.showStatus(error.what());
  }
}

void MainScreenModel::Button_new_presetClick() {
  if (!presets_) return;
  try {
    presets_->save(settings_.Edit_preset_name, settings_.Edit_coding_presets,
                   settings_.Edit_Video_Extension);
  } catch (const std::exception& error) {
    showError(error.what());
    return;
  }
  fillPresetList();
}

void MainScreenModel::Button_Delete_PresetClick() {
  if (!presets_) return;
  if (!prompter_.askOkCancel("Error", "Do you really want to delete the chosen preset?")) return;
  try {
    presets_->remove(selectedPresetName());
  } catch (const std::exception& error) {
    showError(error.what());
    return;
  }
  // The first entry's name stays in the box; the preset fields keep the deleted preset.
  if (!presetNames_.empty()) view_.selectPreset(0);
  fillPresetList();
}

// ---- key releases ----

void MainScreenModel::Edit_PrefixKeyUp() {
  settings_.setPrefix(view_.fieldText("Edit_Prefix"));
}

void MainScreenModel::Edit_User_FRKeyUp() {
  guarded([&] { settings_.setUserFrNumText(view_.fieldText("Edit_FR_Num")); });
}

void MainScreenModel::Edit_FR_DenKeyUp() {
  guarded([&] { settings_.setUserFrDenText(view_.fieldText("Edit_FR_Den")); });
}

}  // namespace twinlens::window
