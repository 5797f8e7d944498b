#include "model/ConversionSettings.h"

#include <gtest/gtest.h>

#include "base/Error.h"
#include "model/SettingsFields.h"
#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

TEST(ConversionSettings, FirstStartDefaults) {
  const ConversionSettings s("/opt/twinlens");
  EXPECT_EQ(s.PathLeft, "/opt/twinlens");
  EXPECT_EQ(s.PathRight, "/opt/twinlens");
  EXPECT_EQ(s.DeshakerDir, " ");
  EXPECT_EQ(s.Edit_Audio_Frames_Cut, "0");
  EXPECT_EQ(s.Edit_Blur, "0");
  EXPECT_EQ(s.Edit_final_H, "1920");
  EXPECT_EQ(s.Edit_final_V, "1080");
  EXPECT_EQ(s.UserFrNum, 30000);
  EXPECT_EQ(s.UserFrDen, 1001);
  EXPECT_EQ(s.Edit_FR_Num, "30000");
  EXPECT_EQ(s.RadioGroup_Pitch, choices::Pitch::NoChange);
  EXPECT_EQ(s.DeshakePart1a.size(), 70u);
  EXPECT_EQ(s.DeshakePart1b.size(), 70u);
  EXPECT_EQ(s.DeshakePart2.size(), 98u);
  EXPECT_EQ(s.DeshakePart2.back(), '"');
}

TEST(ConversionSettings, UserFrameRateKeepsTheTextAndTheLastValidValue) {
  ConversionSettings s;
  s.setUserFrNumText("24000");
  EXPECT_EQ(s.UserFrNum, 24000);
  EXPECT_EQ(test::messageOf([&] { s.setUserFrNumText("24000x"); }),
            "'24000x' is not a valid integer value");
  EXPECT_EQ(s.UserFrNum, 24000);
  EXPECT_EQ(s.Edit_FR_Num, "24000x");
  EXPECT_THROW(s.setUserFrDenText(""), Error);
  EXPECT_EQ(s.UserFrDen, 1001);
  EXPECT_EQ(s.Edit_FR_Den, "");
}

TEST(ConversionSettings, ChoiceIndicesClampOrDeselect) {
  EXPECT_EQ(ConversionSettings::clampRadioIndex(7, 4), 3);
  EXPECT_EQ(ConversionSettings::clampRadioIndex(-5, 4), -1);
  EXPECT_EQ(ConversionSettings::clampRadioIndex(2, 4), 2);
  EXPECT_EQ(ConversionSettings::dropDownIndex(5, 5), -1);
  EXPECT_EQ(ConversionSettings::dropDownIndex(-3, 5), -1);
  EXPECT_EQ(ConversionSettings::dropDownIndex(4, 5), 4);
}

TEST(SettingsFields, SetByNameFollowsTheKindOfTheField) {
  ConversionSettings s;
  setSettingsField(s, *findSettingsField("RadioGroup_Output_Format"), "9");
  EXPECT_EQ(s.RadioGroup_Output_Format, choices::OutputFormat::AnaglyphGrey);
  setSettingsField(s, *findSettingsField("ComboBox_Colour"), "9");
  EXPECT_EQ(s.ComboBox_Colour, choices::Colour::Unset);
  setSettingsField(s, *findSettingsField("CheckBox_Deshake"), "1");
  EXPECT_TRUE(s.CheckBox_Deshake);
  setSettingsField(s, *findSettingsField("Edit_Offset"), "-3");
  EXPECT_EQ(s.Edit_Offset, "-3");
  setSettingsField(s, *findSettingsField("UserFrDen"), "1000");
  EXPECT_EQ(s.Edit_FR_Den, "1000");
  setSettingsField(s, *findSettingsField("VcfLR"), "/vd/lr.vcf");
  EXPECT_EQ(s.Edit_vcf_LR, "/vd/lr.vcf");
  EXPECT_THROW(setSettingsField(s, *findSettingsField("CheckBox_2VD"), "yes"), Error);
  EXPECT_THROW(setSettingsField(s, *findSettingsField("RadioGroup_Repeat"), "two"), Error);
  EXPECT_EQ(findSettingsField("NoSuchField"), nullptr);
}

TEST(SettingsFields, EveryFieldReadsBackWhatWasSet) {
  ConversionSettings s;
  for (const auto& field : settingsFields()) {
    const std::string value = field.kind == SettingsField::Kind::Text ? "x y" : "1";
    setSettingsField(s, field, value);
    EXPECT_EQ(settingsFieldText(s, field), value) << field.name;
  }
}

}  // namespace
}  // namespace twinlens
