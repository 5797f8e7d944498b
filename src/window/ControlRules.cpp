#include "window/ControlRules.h"

#include <algorithm>
#include <array>

#include "model/Choices.h"
#include "window/MainScreenModel.h"

namespace twinlens::window {

namespace {

using Effect = ControlRule::Effect;
using S = ConversionSettings;

constexpr std::array<std::string_view, 3> kFinalSize = {"Edit_final_H", "Edit_final_V",
                                                        "Edit_Blur"};
constexpr std::array<std::string_view, 1> kExecuteFfmpeg = {"CheckBox_Execute_ffmpeg"};
constexpr std::array<std::string_view, 2> kVirtualDub = {"CheckBox_Execute_VD", "CheckBox_2VD"};
constexpr std::array<std::string_view, 2> kUserFrameRate = {"Edit_FR_Num", "Edit_FR_Den"};
constexpr std::array<std::string_view, 2> kLensFieldOfView = {"Label_Lens_FOV", "Edit_Lens_FOV"};
constexpr std::array<std::string_view, 8> kSlurm = {
    "Label_Slurm_Partition",    "Edit_Slurm_Partition", "Label_Slurm_Clips_At_Once",
    "Edit_Slurm_Clips_At_Once", "Label_Slurm_CPUs",     "Edit_Slurm_CPUs",
    "Label_Slurm_Memory",       "Edit_Slurm_Memory"};
constexpr std::array<std::string_view, 2> kParallel = {"Label_Parallel_Computers",
                                                       "Edit_Parallel_Computers"};
constexpr std::array<std::string_view, 2> kPictureRate = {"Label_picture_FR",
                                                          "Edit_import_picture_FR"};

const std::array kRules = {
    ControlRule{"CheckBox_change_final_HVClick", "CheckBox_change_final_HV", Effect::Enable,
                kFinalSize, [](const S& s) { return s.CheckBox_change_final_HV; },
                &MainScreenModel::CheckBox_change_final_HVClick},
    ControlRule{"CheckBox_ffmpeg_makeClick", "CheckBox_ffmpeg_make", Effect::Enable, kExecuteFfmpeg,
                [](const S& s) { return s.CheckBox_ffmpeg_make; },
                &MainScreenModel::CheckBox_ffmpeg_makeClick},
    ControlRule{"CheckBox_VD_MakeJobsClick", "CheckBox_VD_MakeJobs", Effect::Enable, kVirtualDub,
                [](const S& s) { return s.CheckBox_VD_MakeJobs; },
                &MainScreenModel::CheckBox_VD_MakeJobsClick},
    // Only a rate of the user's own needs its numerator and denominator.
    ControlRule{
        "RadioGroup_FrameRatesClick", "RadioGroup_FrameRates", Effect::Enable, kUserFrameRate,
        [](const S& s) { return s.RadioGroup_FrameRates == choices::FrameRates::UserDefined; },
        &MainScreenModel::RadioGroup_FrameRatesClick},
    // Only pictures have a rate of their own to give.
    ControlRule{
        "RadioGroup_Import_OptionsClick", "RadioGroup_Import_Options", Effect::Show, kPictureRate,
        [](const S& s) { return s.RadioGroup_Import_Options == choices::ImportOptions::Pictures; },
        &MainScreenModel::RadioGroup_Import_OptionsClick},
    // The lenses the program knows have their own field of view.
    ControlRule{"RadioGroup_LensClick", "RadioGroup_Lens", Effect::Enable, kLensFieldOfView,
                [](const S& s) { return s.RadioGroup_Lens == choices::Lens::Other; },
                &MainScreenModel::RadioGroup_LensClick},
    // Each job engine has its own fields.
    ControlRule{"RadioGroup_Encode_OnClick", "RadioGroup_Encode_On", Effect::Enable, kSlurm,
                [](const S& s) { return s.RadioGroup_Encode_On == choices::EncodeOn::Slurm; },
                &MainScreenModel::RadioGroup_Encode_OnClick},
    ControlRule{"RadioGroup_Encode_OnClick", "RadioGroup_Encode_On", Effect::Enable, kParallel,
                [](const S& s) { return s.RadioGroup_Encode_On == choices::EncodeOn::Parallel; },
                &MainScreenModel::RadioGroup_Encode_OnClick},
};

}  // namespace

std::span<const ControlRule> controlRules() {
  return kRules;
}

const ControlRule* findControlRule(std::string_view handler) {
  const auto it = std::find_if(kRules.begin(), kRules.end(), [handler](const ControlRule& rule) {
    return rule.handler == handler;
  });
  return it == kRules.end() ? nullptr : &*it;
}

}  // namespace twinlens::window
