#include "storage/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <stdexcept>
#include <string_view>
#include <variant>

#include "base/IntegerText.h"
#include "base/Paths.h"
#include "model/SettingsFields.h"
#include "storage/IniFile.h"
#include "storage/IniText.h"
#include "storage/PresetsFile.h"

namespace twinlens {

namespace {

// A key of the settings file: where a field of the one settings table is kept. The field's kind,
// its number of items and its clamping come from that table.
struct SettingsKey {
  std::string_view section;
  std::string_view key;
  std::string_view field;
  std::string_view savedFrom = {};  // the text a number is saved from, as typed
};

// In the order loading reads and applies them.
constexpr std::array<SettingsKey, 73> kKeys = {{
    {"Input", "Format", "RadioGroup_Input_Format"},
    {"Frames", "Progressive Frame Rates", "RadioGroup_FrameRates"},
    {"Frames", "Pitch", "RadioGroup_Pitch"},
    {"Output", "Format", "RadioGroup_Output_Format"},
    {"Frames", "Repeat", "RadioGroup_Repeat"},
    {"Input", "Import Options", "RadioGroup_Import_Options"},
    {"Frames", "Blend", "RadioGroup_Blend_TL"},
    {"Output", "ColourMatch", "RadioGroup_Colour_Match"},
    {"Input", "Half Width", "CheckBox_Input_HW"},
    {"Input", "Half Height", "CheckBox_Input_HH"},
    {"Input", "Separate Fields", "CheckBox_Input_SF"},
    {"Input", "MVC Reference", "CheckBox_MVC_Ref"},
    {"Output", "Deint", "CheckBox_Output_DI"},
    {"Output", "DeintPhase", "CheckBox_Output_DI_Phase"},
    {"Output", "Half Width", "CheckBox_Output_HW"},
    {"Output", "Half Height", "CheckBox_Output_HH"},
    {"Output", "Separate Fields", "CheckBox_Output_SF"},
    {"Output", "Execute VirtualDub", "CheckBox_Execute_VD"},
    {"Output", "Use Two VirtualDubs", "CheckBox_2VD"},
    {"Output", "H Mirror L", "CheckBox_HML"},
    {"Output", "V Mirror L", "CheckBox_VML"},
    {"Output", "H Mirror R", "CheckBox_HMR"},
    {"Output", "V Mirror R", "CheckBox_VMR"},
    {"Output", "MakeVDJobs", "CheckBox_VD_MakeJobs"},
    {"Output", "Makeffmpeg", "CheckBox_ffmpeg_make"},
    {"Output", "Execute FFmpeg", "CheckBox_Execute_ffmpeg"},
    {"Output", "Change Resolution", "CheckBox_change_final_HV"},
    {"Frames", "180", "CheckBox_180"},
    {"Frames", "Blend Right Sound", "CheckBox_Blend_RightSound"},
    {"Input", "Deshaker", "CheckBox_Deshake"},
    {"Output", "Reverse", "CheckBox_Reverse_LR"},
    {"Output", "Colour", "ComboBox_Colour"},
    {"Output", "Codec", "ComboBox_FF_codec"},
    {"Frames", "BlendNumber", "ComboBox_Blend"},
    {"Input", "Audio Frames", "Edit_Audio_Frames_Cut"},
    {"Output", "Blur", "Edit_Blur"},
    {"File", "Path Left", "PathLeft"},
    {"File", "Path Right", "PathRight"},
    {"File", "VCF separate", "VcfSeparate"},
    {"File", "VCF deint", "VcfDeint"},
    {"File", "VCF LR", "VcfLR"},
    {"File", "VirtualDub No2", "Edit_VD2"},
    {"Output", "Final H", "Edit_final_H"},
    {"Output", "Final V", "Edit_final_V"},
    {"Input", "Deshaker Dir", "DeshakerDir"},
    {"File", "Deshake Part 1a", "DeshakePart1a"},
    {"File", "Deshake Part 1b", "DeshakePart1b"},
    {"File", "Deshake Part 2", "DeshakePart2"},
    {"File", "Prefix", "Prefix"},
    {"Final", "User FR Num", "UserFrNum", "Edit_FR_Num"},
    {"Final", "User FR Den", "UserFrDen", "Edit_FR_Den"},
    {"File", "ffmpeg location", "FfmpegLocation"},
    {"Output", "Engine", "RadioGroup_Engine"},
    {"Geometry", "Align", "RadioGroup_Align"},
    {"Geometry", "Vertical", "Edit_Align_Vertical"},
    {"Geometry", "Roll", "Edit_Align_Roll"},
    {"Geometry", "Zoom", "Edit_Align_Zoom"},
    {"Geometry", "Toe-in", "Edit_Align_Toe_In"},
    {"Geometry", "Tilt", "Edit_Align_Tilt"},
    {"Geometry", "Convergence", "RadioGroup_Convergence"},
    {"Geometry", "Convergence Shift", "Edit_Convergence"},
    {"VR", "Lens", "RadioGroup_Lens"},
    {"VR", "Lens FOV", "Edit_Lens_FOV"},
    {"VR", "Projection", "RadioGroup_Projection"},
    {"VR", "Window FOV", "Edit_Window_FOV"},
    {"VR", "Player Tags", "CheckBox_Player_Tags"},
    {"VR", "Target", "ComboBox_Target"},
    {"Encode", "On", "RadioGroup_Encode_On"},
    {"Encode", "Slurm Partition", "Edit_Slurm_Partition"},
    {"Encode", "Slurm Clips At Once", "Edit_Slurm_Clips_At_Once"},
    {"Encode", "Slurm CPUs", "Edit_Slurm_CPUs"},
    {"Encode", "Slurm Memory", "Edit_Slurm_Memory"},
    {"Encode", "Parallel Computers", "Edit_Parallel_Computers"},
}};

// Saving writes the same keys in another order: rows 1 to 42, then the prefix, the frame rate
// and the ffmpeg location, then the final size and the Deshaker texts, then the engine and the
// geometry, then the VR keys, then where the encodes run.
constexpr std::array<std::size_t, kKeys.size()> kSaveOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
    19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37,
    38, 39, 40, 41, 48, 49, 50, 51, 42, 43, 44, 45, 46, 47, 52, 53, 54, 55, 56,
    57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72};

// Each key is saved once: a key added to the table and not to the order is a build error.
constexpr bool savesEachKeyOnce() {
  std::array<bool, kKeys.size()> saved{};
  for (const std::size_t row : kSaveOrder) {
    if (row >= saved.size() || saved[row]) return false;
    saved[row] = true;
  }
  return true;
}
static_assert(savesEachKeyOnce());

using S = ConversionSettings;
using Kind = SettingsField::Kind;

const SettingsField& fieldNamed(std::string_view name) {
  const SettingsField* field = findSettingsField(name);
  // Every name above is a field of the settings table; a test reads and writes them all.
  if (field == nullptr) throw std::logic_error("no settings field " + std::string(name));
  return *field;
}

// The field each key reads and the one it is saved from, found once.
struct KeyFields {
  const SettingsField* read;
  const SettingsField* saved;
};
const std::array<KeyFields, kKeys.size()>& keyFields() {
  static const auto fields = [] {
    std::array<KeyFields, kKeys.size()> found{};
    for (std::size_t row = 0; row < kKeys.size(); ++row) {
      const SettingsKey& entry = kKeys[row];
      found[row].read = &fieldNamed(entry.field);
      found[row].saved = entry.savedFrom.empty() ? found[row].read : &fieldNamed(entry.savedFrom);
    }
    return found;
  }();
  return fields;
}

// How a message names the file that gave a setting its text.
std::string fileSource(std::string_view path) {
  if (path.empty()) return "the settings file";
  std::string extension(path.substr(std::min(path.size(), path.rfind('.'))));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::string(extension == ".lay" ? "the layout file \"" : "the settings file \"") +
         std::string(path) + "\"";
}

}  // namespace

void LoadSettings(ConversionSettings& settings, const std::string& path, const PresetsFile* presets,
                  const std::string& programFolder, const std::vector<std::string>* listedPresets) {
  const IniText presetsText = presets != nullptr ? presets->text() : IniText();
  LoadSettings(settings, IniFile(path).text(), presets != nullptr ? &presetsText : nullptr,
               programFolder, listedPresets, path, presets != nullptr ? presets->path() : "");
}

void LoadSettings(ConversionSettings& settings, const IniText& file, const IniText* presets,
                  const std::string& programFolder, const std::vector<std::string>* listedPresets,
                  std::string_view filePath, std::string_view presetsPath) {
  const ConversionSettings defaults(programFolder);
  const std::string source = fileSource(filePath);
  const IniText::Lookup values = file.lookup();
  const auto read = [&values](const std::string& section, const std::string& key,
                              const std::string& fallback) {
    return values.value(section, key).value_or(fallback);
  };
  std::vector<std::string> presetNames;

  for (std::size_t row = 0; row < kKeys.size(); ++row) {
    const SettingsKey& entry = kKeys[row];
    const std::string section(entry.section);
    const std::string key(entry.key);
    const SettingsField& field = *keyFields()[row].read;
    switch (field.kind) {
      case Kind::Text: {
        const auto member = std::get<std::string S::*>(field.member);
        settings.*member = read(section, key, defaults.*member);
        settings.sources.record(field.name, settings.*member, source);
        break;
      }
      case Kind::Flag: {
        // Any non-zero number checks.
        const auto member = std::get<bool S::*>(field.member);
        const auto number = tryToInteger(read(section, key, defaults.*member ? "1" : "0"));
        settings.*member = number ? *number != 0 : defaults.*member;
        break;
      }
      case Kind::Integer: {
        // A number that is not one stops the load.
        const auto member = std::get<std::int32_t S::*>(field.member);
        settings.*member = toInteger(read(section, key, std::to_string(defaults.*member)));
        break;
      }
      case Kind::Radio:
      case Kind::DropDown: {
        const int fallback = field.itemIndex(defaults);
        const int index =
            tryToInteger(read(section, key, std::to_string(fallback))).value_or(fallback);
        if (field.kind == Kind::Radio) {
          field.setItemIndex(settings, ConversionSettings::clampRadioIndex(index, field.count));
        } else if (field.count >= 0) {
          field.setItemIndex(settings, ConversionSettings::dropDownIndex(index, field.count));
        } else if (presets != nullptr) {
          // The preset box: a position in the list of presets shown.
          presetNames = listedPresets != nullptr ? *listedPresets : PresetsFile::names(*presets);
          field.setItemIndex(settings, ConversionSettings::dropDownIndex(
                                           index, static_cast<int>(presetNames.size())));
        } else {
          field.setItemIndex(settings, std::max(index, -1));
        }
        break;
      }
    }
  }

  if (!settings.FfmpegLocation.empty()) {
    settings.FfmpegDialogFolder = paths::dir(settings.FfmpegLocation);
  }
  settings.setVcfSeparate(settings.VcfSeparate);
  settings.setVcfDeint(settings.VcfDeint);
  settings.setVcfLR(settings.VcfLR);
  settings.setUserFrNum(settings.UserFrNum);
  settings.setUserFrDen(settings.UserFrDen);
  if (presets != nullptr) {
    const int selected = settings.ComboBox_FF_codec;
    PresetsFile::showPreset(
        *presets, settings,
        selected >= 0 ? presetNames[static_cast<std::size_t>(selected)] : std::string(),
        presetsPath);
  }
}

std::vector<IniFile::Entry> settingsEntries(const ConversionSettings& settings) {
  std::vector<IniFile::Entry> entries;
  for (const std::size_t row : kSaveOrder) {
    const SettingsKey& entry = kKeys[row];
    entries.push_back({std::string(entry.section), std::string(entry.key),
                       settingsFieldText(settings, *keyFields()[row].saved)});
  }
  return entries;
}

void SaveSettings(const ConversionSettings& settings, const std::string& path) {
  IniFile(path).write(settingsEntries(settings));
}

}  // namespace twinlens
