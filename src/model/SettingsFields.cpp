#include "model/SettingsFields.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <utility>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "model/Choices.h"

namespace twinlens {

namespace {

using Kind = SettingsField::Kind;
using S = ConversionSettings;

constexpr int count(const auto& captions) {
  return static_cast<int>(captions.size());
}

// A choice's member read and written as its item index.
template <auto Member>
constexpr ChoiceMember choice() {
  using Choice = std::remove_cvref_t<decltype(std::declval<S&>().*Member)>;
  return ChoiceMember{[](const S& s) { return static_cast<int>(s.*Member); },
                      [](S& s, int index) { s.*Member = static_cast<Choice>(index); }};
}

const std::array kFields = {
    SettingsField{"RadioGroup_Input_Format", Kind::Radio, count(choices::kInputFormat),
                  choice<&S::RadioGroup_Input_Format>()},
    SettingsField{"RadioGroup_Import_Options", Kind::Radio, count(choices::kImportOptions),
                  choice<&S::RadioGroup_Import_Options>()},
    SettingsField{"Edit_import_picture_FR", Kind::Text, 0, &S::Edit_import_picture_FR},
    SettingsField{"CheckBox_MVC_Ref", Kind::Flag, 0, &S::CheckBox_MVC_Ref},
    SettingsField{"CheckBox_Input_HW", Kind::Flag, 0, &S::CheckBox_Input_HW},
    SettingsField{"CheckBox_Input_HH", Kind::Flag, 0, &S::CheckBox_Input_HH},
    SettingsField{"CheckBox_Input_SF", Kind::Flag, 0, &S::CheckBox_Input_SF},
    SettingsField{"Edit_Offset", Kind::Text, 0, &S::Edit_Offset},
    SettingsField{"Edit_Audio_Frames_Cut", Kind::Text, 0, &S::Edit_Audio_Frames_Cut},
    SettingsField{"RadioGroup_Output_Format", Kind::Radio, count(choices::kOutputFormat),
                  choice<&S::RadioGroup_Output_Format>()},
    SettingsField{"Prefix", Kind::Text, 0, &S::Prefix},
    SettingsField{"ComboBox_Colour", Kind::DropDown, count(choices::kColour),
                  choice<&S::ComboBox_Colour>()},
    SettingsField{"CheckBox_change_final_HV", Kind::Flag, 0, &S::CheckBox_change_final_HV},
    SettingsField{"Edit_final_H", Kind::Text, 0, &S::Edit_final_H},
    SettingsField{"Edit_final_V", Kind::Text, 0, &S::Edit_final_V},
    SettingsField{"Edit_Blur", Kind::Text, 0, &S::Edit_Blur},
    SettingsField{"CheckBox_Output_SF", Kind::Flag, 0, &S::CheckBox_Output_SF},
    SettingsField{"CheckBox_Output_HW", Kind::Flag, 0, &S::CheckBox_Output_HW},
    SettingsField{"CheckBox_Output_HH", Kind::Flag, 0, &S::CheckBox_Output_HH},
    SettingsField{"CheckBox_HML", Kind::Flag, 0, &S::CheckBox_HML},
    SettingsField{"CheckBox_VML", Kind::Flag, 0, &S::CheckBox_VML},
    SettingsField{"CheckBox_HMR", Kind::Flag, 0, &S::CheckBox_HMR},
    SettingsField{"CheckBox_VMR", Kind::Flag, 0, &S::CheckBox_VMR},
    SettingsField{"CheckBox_Reverse_LR", Kind::Flag, 0, &S::CheckBox_Reverse_LR},
    SettingsField{"RadioGroup_Repeat", Kind::Radio, count(choices::kRepeat),
                  choice<&S::RadioGroup_Repeat>()},
    SettingsField{"RadioGroup_FrameRates", Kind::Radio, count(choices::kFrameRates),
                  choice<&S::RadioGroup_FrameRates>()},
    SettingsField{"UserFrNum", Kind::Integer, 0, &S::UserFrNum},
    SettingsField{"UserFrDen", Kind::Integer, 0, &S::UserFrDen},
    SettingsField{"Edit_FR_Num", Kind::Text, 0, &S::Edit_FR_Num},
    SettingsField{"Edit_FR_Den", Kind::Text, 0, &S::Edit_FR_Den},
    SettingsField{"RadioGroup_Pitch", Kind::Radio, count(choices::kPitch),
                  choice<&S::RadioGroup_Pitch>()},
    SettingsField{"RadioGroup_Colour_Match", Kind::Radio, count(choices::kColourMatch),
                  choice<&S::RadioGroup_Colour_Match>()},
    SettingsField{"RadioGroup_Blend_TL", Kind::Radio, count(choices::kBlendTimeLapse),
                  choice<&S::RadioGroup_Blend_TL>()},
    SettingsField{"ComboBox_Blend", Kind::DropDown, count(choices::kBlend),
                  choice<&S::ComboBox_Blend>()},
    SettingsField{"CheckBox_180", Kind::Flag, 0, &S::CheckBox_180},
    SettingsField{"CheckBox_Blend_RightSound", Kind::Flag, 0, &S::CheckBox_Blend_RightSound},
    SettingsField{"CheckBox_Deshake", Kind::Flag, 0, &S::CheckBox_Deshake},
    SettingsField{"DeshakerDir", Kind::Text, 0, &S::DeshakerDir},
    SettingsField{"DeshakePart1a", Kind::Text, 0, &S::DeshakePart1a},
    SettingsField{"DeshakePart1b", Kind::Text, 0, &S::DeshakePart1b},
    SettingsField{"DeshakePart2", Kind::Text, 0, &S::DeshakePart2},
    SettingsField{"RadioGroup_Align", Kind::Radio, count(choices::kAlign),
                  choice<&S::RadioGroup_Align>()},
    SettingsField{"Edit_Align_Vertical", Kind::Text, 0, &S::Edit_Align_Vertical},
    SettingsField{"Edit_Align_Roll", Kind::Text, 0, &S::Edit_Align_Roll},
    SettingsField{"Edit_Align_Zoom", Kind::Text, 0, &S::Edit_Align_Zoom},
    SettingsField{"Edit_Align_Toe_In", Kind::Text, 0, &S::Edit_Align_Toe_In},
    SettingsField{"Edit_Align_Tilt", Kind::Text, 0, &S::Edit_Align_Tilt},
    SettingsField{"RadioGroup_Convergence", Kind::Radio, count(choices::kConvergence),
                  choice<&S::RadioGroup_Convergence>()},
    SettingsField{"Edit_Convergence", Kind::Text, 0, &S::Edit_Convergence},
    SettingsField{"RadioGroup_Lens", Kind::Radio, count(choices::kLens),
                  choice<&S::RadioGroup_Lens>()},
    SettingsField{"Edit_Lens_FOV", Kind::Text, 0, &S::Edit_Lens_FOV},
    SettingsField{"Edit_Window_FOV", Kind::Text, 0, &S::Edit_Window_FOV},
    SettingsField{"RadioGroup_Projection", Kind::Radio, count(choices::kProjection),
                  choice<&S::RadioGroup_Projection>()},
    SettingsField{"CheckBox_Player_Tags", Kind::Flag, 0, &S::CheckBox_Player_Tags},
    SettingsField{"ComboBox_Target", Kind::DropDown, count(choices::kTarget),
                  choice<&S::ComboBox_Target>()},
    SettingsField{"RadioGroup_Engine", Kind::Radio, count(choices::kEngine),
                  choice<&S::RadioGroup_Engine>()},
    SettingsField{"FfmpegLocation", Kind::Text, 0, &S::FfmpegLocation},
    SettingsField{"ComboBox_FF_codec", Kind::DropDown, -1, choice<&S::ComboBox_FF_codec>()},
    SettingsField{"Edit_coding_presets", Kind::Text, 0, &S::Edit_coding_presets},
    SettingsField{"Edit_Video_Extension", Kind::Text, 0, &S::Edit_Video_Extension},
    SettingsField{"Edit_preset_name", Kind::Text, 0, &S::Edit_preset_name},
    SettingsField{"RadioGroup_Encode_On", Kind::Radio, count(choices::kEncodeOn),
                  choice<&S::RadioGroup_Encode_On>()},
    SettingsField{"Edit_Slurm_Partition", Kind::Text, 0, &S::Edit_Slurm_Partition},
    SettingsField{"Edit_Slurm_Clips_At_Once", Kind::Text, 0, &S::Edit_Slurm_Clips_At_Once},
    SettingsField{"Edit_Slurm_CPUs", Kind::Text, 0, &S::Edit_Slurm_CPUs},
    SettingsField{"Edit_Slurm_Memory", Kind::Text, 0, &S::Edit_Slurm_Memory},
    SettingsField{"Edit_Parallel_Computers", Kind::Text, 0, &S::Edit_Parallel_Computers},
    SettingsField{"VcfDeint", Kind::Text, 0, &S::VcfDeint},
    SettingsField{"Edit_vcf_deint", Kind::Text, 0, &S::Edit_vcf_deint},
    SettingsField{"VcfSeparate", Kind::Text, 0, &S::VcfSeparate},
    SettingsField{"Edit_vcf_separate", Kind::Text, 0, &S::Edit_vcf_separate},
    SettingsField{"VcfLR", Kind::Text, 0, &S::VcfLR},
    SettingsField{"Edit_vcf_LR", Kind::Text, 0, &S::Edit_vcf_LR},
    SettingsField{"Edit_VD2", Kind::Text, 0, &S::Edit_VD2},
    SettingsField{"CheckBox_Output_DI", Kind::Flag, 0, &S::CheckBox_Output_DI},
    SettingsField{"CheckBox_Output_DI_Phase", Kind::Flag, 0, &S::CheckBox_Output_DI_Phase},
    SettingsField{"CheckBox_ffmpeg_make", Kind::Flag, 0, &S::CheckBox_ffmpeg_make},
    SettingsField{"CheckBox_Execute_ffmpeg", Kind::Flag, 0, &S::CheckBox_Execute_ffmpeg},
    SettingsField{"CheckBox_VD_MakeJobs", Kind::Flag, 0, &S::CheckBox_VD_MakeJobs},
    SettingsField{"CheckBox_Execute_VD", Kind::Flag, 0, &S::CheckBox_Execute_VD},
    SettingsField{"CheckBox_2VD", Kind::Flag, 0, &S::CheckBox_2VD},
    SettingsField{"PathLeft", Kind::Text, 0, &S::PathLeft},
    SettingsField{"PathRight", Kind::Text, 0, &S::PathRight},
};

}  // namespace

std::span<const SettingsField> settingsFields() {
  return kFields;
}

const SettingsField* findSettingsField(std::string_view name) {
  const auto it = std::find_if(kFields.begin(), kFields.end(),
                               [name](const SettingsField& f) { return f.name == name; });
  return it == kFields.end() ? nullptr : &*it;
}

void setSettingsField(ConversionSettings& settings, const SettingsField& field,
                      const std::string& value) {
  switch (field.kind) {
    case Kind::Text:
      // A configuration file is shown in its field, as when the window's button chooses it.
      if (field.name == "VcfDeint") {
        settings.setVcfDeint(value);
      } else if (field.name == "VcfSeparate") {
        settings.setVcfSeparate(value);
      } else if (field.name == "VcfLR") {
        settings.setVcfLR(value);
      } else {
        settings.*std::get<std::string S::*>(field.member) = value;
      }
      return;
    case Kind::Flag: {
      if (value != "0" && value != "1") throw Error("'" + value + "' is not a valid flag value");
      settings.*std::get<bool S::*>(field.member) = value == "1";
      return;
    }
    case Kind::Integer: {
      const std::int32_t number = toInteger(value);
      if (field.name == "UserFrNum") {
        settings.setUserFrNum(number);
      } else if (field.name == "UserFrDen") {
        settings.setUserFrDen(number);
      } else {
        settings.*std::get<std::int32_t S::*>(field.member) = number;
      }
      return;
    }
    case Kind::Radio:
      field.setItemIndex(settings,
                         ConversionSettings::clampRadioIndex(toInteger(value), field.count));
      return;
    case Kind::DropDown: {
      const int index = toInteger(value);
      field.setItemIndex(settings, field.count < 0
                                       ? std::max(index, -1)
                                       : ConversionSettings::dropDownIndex(index, field.count));
      return;
    }
  }
}

std::string settingsFieldText(const ConversionSettings& settings, const SettingsField& field) {
  if (const auto* text = std::get_if<std::string S::*>(&field.member)) return settings.**text;
  if (const auto* flag = std::get_if<bool S::*>(&field.member)) return settings.**flag ? "1" : "0";
  if (const auto* choice = std::get_if<ChoiceMember>(&field.member)) {
    return std::to_string(choice->get(settings));
  }
  return std::to_string(settings.*std::get<std::int32_t S::*>(field.member));
}

int SettingsField::itemIndex(const ConversionSettings& settings) const {
  return std::get<ChoiceMember>(member).get(settings);
}

void SettingsField::setItemIndex(ConversionSettings& settings, int index) const {
  std::get<ChoiceMember>(member).set(settings, index);
}

}  // namespace twinlens
