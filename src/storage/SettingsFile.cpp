#include "storage/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <variant>

#include "engine/Choices.h"
#include "engine/IntegerText.h"
#include "engine/Paths.h"
#include "storage/IniFile.h"
#include "storage/PresetsFile.h"

namespace twinlens {

namespace {

using S = ConversionSettings;

enum class Kind {
  Radio,        // clamped into -1..count-1
  DropDown,     // outside the list selects nothing
  PresetIndex,  // a position in the preset list
  Flag,         // any non-zero integer checks
  Text,         // verbatim
  Number,       // read into an integer, saved from the text as typed
};

struct SettingsKey {
  std::string_view section;
  std::string_view key;
  Kind kind;
  int count;  // items of a fixed choice
  std::variant<int S::*, bool S::*, std::string S::*> field;
  std::string S::*typedText = nullptr;  // what a number is saved from
};

constexpr int count(const auto& captions) {
  return static_cast<int>(captions.size());
}

// In the order loading reads and applies them.
const std::array<SettingsKey, 52> kKeys = {{
    {"Input", "Format", Kind::Radio, count(choices::kInputFormat), &S::RadioGroup_Input_Format},
    {"Frames", "Progressive Frame Rates", Kind::Radio, count(choices::kFrameRates),
     &S::RadioGroup_FrameRates},
    {"Frames", "Pitch", Kind::Radio, count(choices::kPitch), &S::RadioGroup_Pitch},
    {"Output", "Format", Kind::Radio, count(choices::kOutputFormat), &S::RadioGroup_Output_Format},
    {"Frames", "Repeat", Kind::Radio, count(choices::kRepeat), &S::RadioGroup_Repeat},
    {"Input", "Import Options", Kind::Radio, count(choices::kImportOptions),
     &S::RadioGroup_Import_Options},
    {"Frames", "Blend", Kind::Radio, count(choices::kBlendTimeLapse), &S::RadioGroup_Blend_TL},
    {"Output", "ColourMatch", Kind::Radio, count(choices::kColourMatch),
     &S::RadioGroup_Colour_Match},
    {"Input", "Half Width", Kind::Flag, 0, &S::CheckBox_Input_HW},
    {"Input", "Half Height", Kind::Flag, 0, &S::CheckBox_Input_HH},
    {"Input", "Separate Fields", Kind::Flag, 0, &S::CheckBox_Input_SF},
    {"Input", "MVC Reference", Kind::Flag, 0, &S::CheckBox_MVC_Ref},
    {"Output", "Deint", Kind::Flag, 0, &S::CheckBox_Output_DI},
    {"Output", "DeintPhase", Kind::Flag, 0, &S::CheckBox_Output_DI_Phase},
    {"Output", "Half Width", Kind::Flag, 0, &S::CheckBox_Output_HW},
    {"Output", "Half Height", Kind::Flag, 0, &S::CheckBox_Output_HH},
    {"Output", "Separate Fields", Kind::Flag, 0, &S::CheckBox_Output_SF},
    {"Output", "Execute VirtualDub", Kind::Flag, 0, &S::CheckBox_Execute_VD},
    {"Output", "Use Two VirtualDubs", Kind::Flag, 0, &S::CheckBox_2VD},
    {"Output", "H Mirror L", Kind::Flag, 0, &S::CheckBox_HML},
    {"Output", "V Mirror L", Kind::Flag, 0, &S::CheckBox_VML},
    {"Output", "H Mirror R", Kind::Flag, 0, &S::CheckBox_HMR},
    {"Output", "V Mirror R", Kind::Flag, 0, &S::CheckBox_VMR},
    {"Output", "MakeVDJobs", Kind::Flag, 0, &S::CheckBox_VD_MakeJobs},
    {"Output", "Makeffmpeg", Kind::Flag, 0, &S::CheckBox_ffmpeg_make},
    {"Output", "Execute FFmpeg", Kind::Flag, 0, &S::CheckBox_Execute_ffmpeg},
    {"Output", "Change Resolution", Kind::Flag, 0, &S::CheckBox_change_final_HV},
    {"Frames", "180", Kind::Flag, 0, &S::CheckBox_180},
    {"Frames", "Blend Right Sound", Kind::Flag, 0, &S::CheckBox_Blend_RightSound},
    {"Input", "Deshaker", Kind::Flag, 0, &S::CheckBox_Deshake},
    {"Output", "Reverse", Kind::Flag, 0, &S::CheckBox_Reverse_LR},
    {"Output", "Colour", Kind::DropDown, count(choices::kColour), &S::ComboBox_Colour},
    {"Output", "Codec", Kind::PresetIndex, 0, &S::ComboBox_FF_codec},
    {"Frames", "BlendNumber", Kind::DropDown, count(choices::kBlend), &S::ComboBox_Blend},
    {"Input", "Audio Frames", Kind::Text, 0, &S::Edit_Audio_Frames_Cut},
    {"Output", "Blur", Kind::Text, 0, &S::Edit_Blur},
    {"File", "Path Left", Kind::Text, 0, &S::PathLeft},
    {"File", "Path Right", Kind::Text, 0, &S::PathRight},
    {"File", "VCF separate", Kind::Text, 0, &S::VcfSeparate},
    {"File", "VCF deint", Kind::Text, 0, &S::VcfDeint},
    {"File", "VCF LR", Kind::Text, 0, &S::VcfLR},
    {"File", "VirtualDub No2", Kind::Text, 0, &S::Edit_VD2},
    {"Output", "Final H", Kind::Text, 0, &S::Edit_final_H},
    {"Output", "Final V", Kind::Text, 0, &S::Edit_final_V},
    {"Input", "Deshaker Dir", Kind::Text, 0, &S::DeshakerDir},
    {"File", "Deshake Part 1a", Kind::Text, 0, &S::DeshakePart1a},
    {"File", "Deshake Part 1b", Kind::Text, 0, &S::DeshakePart1b},
    {"File", "Deshake Part 2", Kind::Text, 0, &S::DeshakePart2},
    {"File", "Prefix", Kind::Text, 0, &S::Prefix},
    {"Final", "User FR Num", Kind::Number, 0, &S::UserFrNum, &S::Edit_FR_Num},
    {"Final", "User FR Den", Kind::Number, 0, &S::UserFrDen, &S::Edit_FR_Den},
    {"File", "ffmpeg location", Kind::Text, 0, &S::FfmpegLocation},
}};

// Saving writes the same keys in another order: rows 1 to 42, then the prefix, the frame rate
// and the ffmpeg location, then the final size and the Deshaker texts.
constexpr std::array<std::size_t, 52> kSaveOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35,
    36, 37, 38, 39, 40, 41, 48, 49, 50, 51, 42, 43, 44, 45, 46, 47};

// The field's value as written to the file.
std::string textOf(const ConversionSettings& settings, const SettingsKey& entry) {
  if (entry.typedText != nullptr) return settings.*entry.typedText;
  if (const auto* text = std::get_if<std::string S::*>(&entry.field)) return settings.**text;
  if (const auto* flag = std::get_if<bool S::*>(&entry.field)) return settings.**flag ? "1" : "0";
  return std::to_string(settings.*std::get<int S::*>(entry.field));
}

}  // namespace

void LoadSettings(ConversionSettings& settings, const std::string& path, const PresetsFile* presets,
                  const std::string& programFolder, const std::vector<std::string>* listedPresets) {
  const ConversionSettings defaults(programFolder);
  const IniFile ini(path);
  std::vector<std::string> presetNames;

  for (const SettingsKey& entry : kKeys) {
    const std::string section(entry.section);
    const std::string key(entry.key);
    switch (entry.kind) {
      case Kind::Text: {
        const auto member = std::get<std::string S::*>(entry.field);
        settings.*member = ini.read(section, key, defaults.*member);
        break;
      }
      case Kind::Flag: {
        const auto member = std::get<bool S::*>(entry.field);
        const auto number = tryToInteger(ini.read(section, key, defaults.*member ? "1" : "0"));
        settings.*member = number ? *number != 0 : defaults.*member;
        break;
      }
      case Kind::Number: {
        const auto member = std::get<int S::*>(entry.field);
        settings.*member = toInteger(ini.read(section, key, std::to_string(defaults.*member)));
        break;
      }
      case Kind::Radio:
      case Kind::DropDown:
      case Kind::PresetIndex: {
        const auto member = std::get<int S::*>(entry.field);
        const int index = tryToInteger(ini.read(section, key, std::to_string(defaults.*member)))
                              .value_or(defaults.*member);
        if (entry.kind == Kind::Radio) {
          settings.*member = ConversionSettings::clampRadioIndex(index, entry.count);
        } else if (entry.kind == Kind::DropDown) {
          settings.*member = ConversionSettings::dropDownIndex(index, entry.count);
        } else if (presets != nullptr) {
          presetNames = listedPresets != nullptr ? *listedPresets : presets->names();
          settings.*member =
              ConversionSettings::dropDownIndex(index, static_cast<int>(presetNames.size()));
        } else {
          settings.*member = std::max(index, -1);
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
    presets->showPreset(
        settings, selected >= 0 ? presetNames[static_cast<std::size_t>(selected)] : std::string());
  }
}

void SaveSettings(const ConversionSettings& settings, const std::string& path) {
  IniFile ini(path);
  for (const std::size_t row : kSaveOrder) {
    const SettingsKey& entry = kKeys[row];
    ini.write(std::string(entry.section), std::string(entry.key), textOf(settings, entry));
  }
}

}  // namespace twinlens
