#include "window/ControlRules.h"

#include <gtest/gtest.h>

#include <functional>

#include "model/SettingsFields.h"

namespace twinlens::window {
namespace {

// A setting's value and whether the rule of `handler` then turns its controls on.
struct RuleCase {
  const char* label;
  const char* handler;
  const char* field;
  const char* value;
  bool on;
};

class ControlRulesTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ControlRulesTest, FollowTheSettingThatDecides) {
  const RuleCase& c = GetParam();
  const ControlRule* rule = findControlRule(c.handler);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->source, c.field);
  ConversionSettings settings;
  setSettingsField(settings, *findSettingsField(c.field), c.value);
  EXPECT_EQ(rule->on(settings), c.on);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ControlRulesTest,
    ::testing::Values(
        RuleCase{"FinalSizeOff", "CheckBox_change_final_HVClick", "CheckBox_change_final_HV", "0",
                 false},
        RuleCase{"FinalSizeOn", "CheckBox_change_final_HVClick", "CheckBox_change_final_HV", "1",
                 true},
        RuleCase{"ExecuteFfmpegOff", "CheckBox_ffmpeg_makeClick", "CheckBox_ffmpeg_make", "0",
                 false},
        RuleCase{"ExecuteFfmpegOn", "CheckBox_ffmpeg_makeClick", "CheckBox_ffmpeg_make", "1", true},
        RuleCase{"VirtualDubOff", "CheckBox_VD_MakeJobsClick", "CheckBox_VD_MakeJobs", "0", false},
        RuleCase{"VirtualDubOn", "CheckBox_VD_MakeJobsClick", "CheckBox_VD_MakeJobs", "1", true},
        RuleCase{"DoubleNtscIsNoUserRate", "RadioGroup_FrameRatesClick", "RadioGroup_FrameRates",
                 "8", false},
        RuleCase{"UserRate", "RadioGroup_FrameRatesClick", "RadioGroup_FrameRates", "9", true},
        RuleCase{"NoRateChosen", "RadioGroup_FrameRatesClick", "RadioGroup_FrameRates", "-1",
                 false},
        RuleCase{"DirectShowHasNoPictureRate", "RadioGroup_Import_OptionsClick",
                 "RadioGroup_Import_Options", "1", false},
        RuleCase{"PicturesShowTheirRate", "RadioGroup_Import_OptionsClick",
                 "RadioGroup_Import_Options", "2", true},
        RuleCase{"AKnownLensHasItsOwnFieldOfView", "RadioGroup_LensClick", "RadioGroup_Lens", "0",
                 false},
        RuleCase{"AnotherLensIsTyped", "RadioGroup_LensClick", "RadioGroup_Lens", "2", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ControlRules, EveryRuleActsOnFieldsOrTheirLabels) {
  ASSERT_EQ(controlRules().size(), 8u);
  for (const ControlRule& rule : controlRules()) {
    EXPECT_NE(findSettingsField(rule.source), nullptr) << rule.source;
    ASSERT_NE(findControlRule(rule.handler), nullptr) << rule.handler;
    EXPECT_EQ(findControlRule(rule.handler)->source, rule.source) << rule.handler;
    for (const std::string_view target : rule.targets) {
      EXPECT_TRUE(findSettingsField(target) != nullptr || target.starts_with("Label_")) << target;
    }
  }
  // At the defaults every rule holds its controls off.
  for (const ControlRule& rule : controlRules()) {
    EXPECT_FALSE(rule.on(ConversionSettings{})) << rule.handler;
  }
}

// Each job engine's fields can be used when the encodes run on it, and only then.
TEST(ControlRules, WhereTheEncodesRunEnablesThatEnginesFields) {
  const std::pair<int, std::vector<std::string_view>> cases[] = {
      {0, {}},
      {1,
       {"Label_Slurm_Partition", "Edit_Slurm_Partition", "Label_Slurm_Clips_At_Once",
        "Edit_Slurm_Clips_At_Once", "Label_Slurm_CPUs", "Edit_Slurm_CPUs", "Label_Slurm_Memory",
        "Edit_Slurm_Memory"}},
      {2, {"Label_Parallel_Computers", "Edit_Parallel_Computers"}},
  };
  for (const auto& [on, enabled] : cases) {
    ConversionSettings settings;
    setSettingsField(settings, *findSettingsField("RadioGroup_Encode_On"), std::to_string(on));
    std::vector<std::string_view> found;
    for (const ControlRule& rule : controlRules()) {
      if (rule.handler != "RadioGroup_Encode_OnClick") continue;
      for (const std::string_view target : rule.targets) {
        if (rule.on(settings)) found.push_back(target);
      }
    }
    EXPECT_EQ(found, enabled) << on;
  }
}

}  // namespace
}  // namespace twinlens::window
