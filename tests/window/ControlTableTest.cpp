#include "window/ControlTable.h"

#include <gtest/gtest.h>

#include <set>

#include "model/SettingsFields.h"

namespace twinlens::window {
namespace {

// What a control shows, as the user reads it.
struct Shown {
  const char* control;
  const char* parent;
  const char* caption;
  const char* tooltip;
  const char* status;
};

class ControlTableShows : public ::testing::TestWithParam<Shown> {};

TEST_P(ControlTableShows, CaptionAndHintWhereTheyBelong) {
  const Shown& shown = GetParam();
  const Control* control = findControl(shown.control);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->parent, shown.parent);
  EXPECT_EQ(control->caption, shown.caption);
  EXPECT_EQ(tooltipOf(*control), shown.tooltip);
  EXPECT_EQ(statusHintOf(*control), shown.status);
}

constexpr auto kFinalSize =
    "Final size per left or right picture. E.g. LR will have double horizontal size";

INSTANTIATE_TEST_SUITE_P(
    Window, ControlTableShows,
    ::testing::Values(
        Shown{"RadioGroup_Input_Format", "TabSheet_Input", "Input Format", "Choose input 3D format",
              "Choose input 3D format"},
        Shown{"Label_Audio_Frames_Cut", "TabSheet_Input", "Audio frames cut:",
              "Number of audio frames cut at the end of video. Useful when importing from "
              "DebugMode frame server.",
              "Number of audio frames cut at the end of video. Useful when importing from "
              "DebugMode frame server."},
        Shown{"Edit_Audio_Frames_Cut", "TabSheet_Input", "", "", ""},
        Shown{"Edit_final_H", "GroupBox_Final_size", "", "", kFinalSize},
        Shown{"CheckBox_HML", "GroupBox_Mirroring", "H Mirror L",
              "Horizontal mirror or left picture", "Horizontal mirror or left picture"},
        Shown{"RadioGroup_Colour_Match", "TabSheet_Advanced", "Colo(u)r match reference",
              "Match colours of left and right clip", "Match colours of left and right clip"},
        Shown{"CheckBox_180", "GroupBox_Blending", "180o Shutter",
              "The resultant video will have 180 degrees shutter angle",
              "The resultant video will have 180 degrees shutter angle"},
        Shown{"Button3", "GroupBox_VirtualDub", "VCF for LR or OU output",
              "Choose VirtualDub VCF file used when exporting side-by-side and over-under files.",
              "Choose VirtualDub VCF file used when exporting side-by-side and over-under files."},
        Shown{"CheckBox_Output_DI_Phase", "GroupBox_VirtualDub", "Do only deinterlace phase", "",
              "If checked, deinterlace will be executed, but the final file will be only in "
              "Avisynth form (*.avs)"},
        Shown{"CheckBox_Execute_ffmpeg", "Panel_HandOff", "Execute ffmpeg", "",
              "The ffmpeg bat file will be run after selection of input files"},
        Shown{"TabSheet_FFmpeg", "", "FFmpeg", "", ""}),
    [](const auto& info) { return std::string(info.param.control); });

TEST(ControlTable, EightTabsAndEveryControlInsideAParentNamedBeforeIt) {
  std::set<std::string_view> seen;
  std::vector<std::string_view> tabs;
  for (const Control& control : controls()) {
    EXPECT_TRUE(seen.insert(control.name).second) << "twice: " << control.name;
    if (control.kind == ControlKind::Tab) tabs.push_back(control.caption);
    const bool topLevel = control.kind == ControlKind::Tab || control.kind == ControlKind::Panel;
    EXPECT_EQ(control.parent.empty(), topLevel) << control.name;
    if (!topLevel) {
      EXPECT_TRUE(seen.contains(control.parent)) << control.name;
    }
    if (!control.labelFor.empty()) {
      EXPECT_EQ(control.kind, ControlKind::Label) << control.name;
      EXPECT_NE(findControl(control.labelFor), nullptr) << control.name;
    }
  }
  EXPECT_EQ(tabs, (std::vector<std::string_view>{"Input settings", "Output settings", "Frame rates",
                                                 "Advanced", "Geometry", "VR and headsets",
                                                 "FFmpeg", "VirtualDub"}));
}

// A control that shows a setting is named after its field and is of the field's kind, and starts
// with the field's default.
TEST(ControlTable, ControlsOfSettingsMatchTheirFields) {
  const ConversionSettings defaults;
  int matched = 0;
  for (const Control& control : controls()) {
    const SettingsField* field = findSettingsField(control.name);
    if (field == nullptr) continue;
    ++matched;
    SCOPED_TRACE(std::string(control.name));
    switch (field->kind) {
      case SettingsField::Kind::Radio:
        EXPECT_EQ(control.kind, ControlKind::ChoiceGroup);
        EXPECT_EQ(static_cast<int>(control.options.size()), field->count);
        break;
      case SettingsField::Kind::DropDown:
        EXPECT_TRUE(control.kind == ControlKind::DropDown ||
                    control.kind == ControlKind::EditableDropDown);
        if (field->count >= 0) {
          EXPECT_EQ(static_cast<int>(control.options.size()), field->count);
        }
        break;
      case SettingsField::Kind::Flag:
        EXPECT_EQ(control.kind, ControlKind::CheckBox);
        break;
      case SettingsField::Kind::Text:
      case SettingsField::Kind::Integer:
        EXPECT_EQ(control.kind, ControlKind::Edit);
        EXPECT_EQ(control.initial, settingsFieldText(defaults, *field));
        break;
    }
  }
  EXPECT_GT(matched, 40);
}

}  // namespace
}  // namespace twinlens::window
