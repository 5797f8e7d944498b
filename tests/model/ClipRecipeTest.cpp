// The decisions a clip's recipe makes once for both engines: the order of the steps, the views
// each output shows with whose sound, and the stereo tag.
#include "model/ClipRecipe.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

using recipe::StereoTag;

// A step's name, for readable comparisons.
std::string nameOf(const recipe::Step& step) {
  static const char* const kNames[] = {"deinterlace", "time shift",  "colour match", "audio cut",
                                       "fields",      "motion",      "size factors", "split",
                                       "mirror",      "final size",  "selection",    "rate change",
                                       "stabilise",   "conform size"};
  return kNames[step.index()];
}

std::vector<std::string> stepNames(const ClipRecipe& r, View view) {
  std::vector<std::string> names;
  for (const recipe::Step& step : r.of(view)) names.push_back(nameOf(step));
  return names;
}

TEST(ClipRecipe, EveryStepStandsInTheOneOrderBothEnginesFollow) {
  ConversionSettings s;
  s.CheckBox_Output_DI = true;
  s.Edit_Offset = "2";
  s.RadioGroup_Colour_Match = 2;  // the left view is changed
  s.Edit_Audio_Frames_Cut = "3";
  s.CheckBox_Input_SF = true;
  s.RadioGroup_Blend_TL = 1;
  s.ComboBox_Blend = 1;
  s.CheckBox_Input_HW = true;
  s.RadioGroup_Input_Format = 1;
  s.CheckBox_HML = true;
  s.CheckBox_change_final_HV = true;
  s.RadioGroup_Repeat = 2;
  s.RadioGroup_FrameRates = 5;
  s.CheckBox_Deshake = true;
  const ClipRecipe r = makeClipRecipe(s, {});
  EXPECT_EQ(stepNames(r, View::Left),
            (std::vector<std::string>{"deinterlace", "time shift", "colour match", "audio cut",
                                      "fields", "motion", "size factors", "split", "mirror",
                                      "final size", "selection", "rate change", "stabilise"}));
  // The right view keeps its colours and is not mirrored.
  EXPECT_EQ(stepNames(r, View::Right),
            (std::vector<std::string>{"deinterlace", "time shift", "audio cut", "fields", "motion",
                                      "size factors", "split", "final size", "selection",
                                      "rate change", "stabilise"}));
  EXPECT_EQ(r.find<recipe::ColourMatch>(View::Left)->reference, View::Right);
  EXPECT_EQ(r.find<recipe::AudioCut>(View::Left)->text, "3");
  EXPECT_EQ(r.find<recipe::RateChange>(View::Left)->rate, (recipe::FrameRate{25000, 1000}));
}

// What each output shows and whose sound it carries.
struct OutputCase {
  const char* title;
  std::function<void(ConversionSettings&)> set;
  std::optional<MediaInfo> right;  // the left file always has sound
  std::vector<recipe::Output> outputs;
  StereoTag tag;
};

class Outputs : public ::testing::TestWithParam<OutputCase> {};

TEST_P(Outputs, ShowTheirViewsWithTheirSound) {
  ConversionSettings s;
  GetParam().set(s);
  const MediaInfo left{{25, 1}, 100, true, 48000, false};
  const ClipRecipe r = makeClipRecipe(s, {}, left, GetParam().right.value_or(left));
  EXPECT_EQ(r.outputs, GetParam().outputs);
  EXPECT_EQ(r.stereoTag, GetParam().tag);
}

const View L = View::Left;
const View R = View::Right;
const MediaInfo kSilentRight{{25, 1}, 100, false, 0, false};
const MediaInfo kTaggedRight{{25, 1}, 100, true, 48000, true};

INSTANTIATE_TEST_SUITE_P(
    Layouts, Outputs,
    ::testing::Values(OutputCase{"SeparateViewsKeepTheirOwnSound",
                                 [](auto&) {},
                                 std::nullopt,
                                 {{{L}, L}, {{R}, R}},
                                 StereoTag::None},
                      OutputCase{"ASilentRightFileGivesItsViewNoSound",
                                 [](auto&) {},
                                 kSilentRight,
                                 {{{L}, L}, {{R}, std::nullopt}},
                                 StereoTag::None},
                      OutputCase{"ReversedSeparateViewsSwapPlaces",
                                 [](auto& s) { s.CheckBox_Reverse_LR = true; },
                                 std::nullopt,
                                 {{{R}, R}, {{L}, L}},
                                 StereoTag::None},
                      OutputCase{"SideBySideTakesTheFirstViewsSound",
                                 [](auto& s) { s.RadioGroup_Output_Format = 1; },
                                 std::nullopt,
                                 {{{L, R}, L}},
                                 StereoTag::LeftRight},
                      OutputCase{"ReversedOverUnderPutsTheRightViewOnTop",
                                 [](auto& s) {
                                   s.RadioGroup_Output_Format = 2;
                                   s.CheckBox_Reverse_LR = true;
                                 },
                                 std::nullopt,
                                 {{{R, L}, R}},
                                 StereoTag::BottomTop},
                      OutputCase{"InterlacedPutsTheRightViewFirst",
                                 [](auto& s) { s.RadioGroup_Output_Format = 3; },
                                 std::nullopt,
                                 {{{R, L}, R}},
                                 StereoTag::RowInterleavedLR},
                      OutputCase{"BlendedLayoutsCarryTheLeftViewsSound",
                                 [](auto& s) {
                                   s.RadioGroup_Output_Format = 3;
                                   s.RadioGroup_Blend_TL = 1;
                                 },
                                 std::nullopt,
                                 {{{R, L}, L}},
                                 StereoTag::RowInterleavedLR},
                      OutputCase{"UseRightAudioGivesEveryOutputTheRightSound",
                                 [](auto& s) {
                                   s.RadioGroup_Blend_TL = 2;
                                   s.CheckBox_Blend_RightSound = true;
                                 },
                                 std::nullopt,
                                 {{{L}, R}, {{R}, R}},
                                 StereoTag::None},
                      OutputCase{"UseRightAudioWithoutBlendingChangesNothing",
                                 [](auto& s) { s.CheckBox_Blend_RightSound = true; },
                                 std::nullopt,
                                 {{{L}, L}, {{R}, R}},
                                 StereoTag::None},
                      OutputCase{"OneViewOfATaggedInputIsTaggedMono",
                                 [](auto& s) { s.RadioGroup_Output_Format = 4; },
                                 kTaggedRight,
                                 {{{L}, L}},
                                 StereoTag::Mono},
                      OutputCase{"PicturesHaveNoSound",
                                 [](auto& s) {
                                   s.RadioGroup_Import_Options = 2;
                                   s.RadioGroup_Output_Format = 1;
                                 },
                                 std::nullopt,
                                 {{{L, R}, std::nullopt}},
                                 StereoTag::LeftRight},
                      OutputCase{"NoOutputFormatHasNoOutput",
                                 [](auto& s) { s.RadioGroup_Output_Format = -1; },
                                 std::nullopt,
                                 {},
                                 StereoTag::None}),
    [](const auto& info) { return std::string(info.param.title); });

// Two cameras' views of one clip: conformed where a step can make them a pair, else refused.
struct MismatchCase {
  const char* title;
  MediaInfo right;  // beside a 1920x1080 left view at 25 frames a second
  std::optional<recipe::ConformSize> conform;
  const char* message;  // empty: the clip goes on
  std::vector<std::string> notes = {};
};

class Mismatches : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(Mismatches, AreConformedOrRefused) {
  ClipNames names;
  names.leftFile = "/v/a_L.mp4";
  names.rightFile = "/v/a_R.mp4";
  const MediaInfo left{{25, 1}, 100, true, 48000, false, 1920, 1080};
  const std::string message = test::messageOf([&] {
    const ClipRecipe r = makeClipRecipe(ConversionSettings{}, names, left, GetParam().right);
    const auto* conform = r.find<recipe::ConformSize>(View::Right);
    EXPECT_EQ(conform ? std::optional(*conform) : std::nullopt, GetParam().conform);
    EXPECT_FALSE(r.has<recipe::ConformSize>(View::Left));
    EXPECT_EQ(r.notes, GetParam().notes);
  });
  EXPECT_EQ(message, *GetParam().message ? GetParam().message : "(no error)");
}

INSTANTIATE_TEST_SUITE_P(
    Views, Mismatches,
    ::testing::Values(
        MismatchCase{"Alike", {{25, 1}, 100, true, 48000, false, 1920, 1080}, std::nullopt, ""},
        MismatchCase{"SmallerOfTheSameShape",
                     {{25, 1}, 100, true, 48000, false, 1280, 720},
                     recipe::ConformSize{1920, 1080},
                     "",
                     {"The right view is scaled from 1280x720 to 1920x1080, the left view's size"}},
        MismatchCase{"ShapeWithinOnePercent",
                     {{25, 1}, 100, true, 48000, false, 1280, 716},
                     recipe::ConformSize{1920, 1080},
                     "",
                     {"The right view is scaled from 1280x716 to 1920x1080, the left view's size"}},
        MismatchCase{"AnotherShape",
                     {{25, 1}, 100, true, 48000, false, 1440, 1080},
                     std::nullopt,
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" differ in shape (1920x1080 and "
                     "1440x1080); crop or pad one of them to the other's shape first"},
        MismatchCase{"RatesWithinOnePerMille",
                     {{25025, 1000}, 100, true, 48000, false, 1920, 1080},
                     std::nullopt,
                     "",
                     {"The views run at 25 and 25.025 frames a second: the cameras' clocks drift "
                      "apart, which \"Detect from sound\" measures"}},
        MismatchCase{"AnotherRate",
                     {{30000, 1001}, 100, true, 48000, false, 1920, 1080},
                     std::nullopt,
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" run at different frame rates "
                     "(25 and 29.97 frames a second); convert one of them to the other's rate "
                     "first: frames dropped or repeated in one eye do not make a stereo pair"},
        MismatchCase{"SizeUnknown", {{25, 1}, 100, true, 48000, false, 0, 0}, std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ClipRecipe, ABadNumberIsToldBeforeAnythingIsDecided) {
  ConversionSettings s;
  s.Edit_Offset = "1.5";
  EXPECT_EQ(test::messageOf([&] { makeClipRecipe(s, {}); }), "'1.5' is not a valid integer value");
  s.Edit_Offset = "0";
  s.Edit_Audio_Frames_Cut = "";
  EXPECT_EQ(test::messageOf([&] { makeClipRecipe(s, {}); }), "'' is not a valid integer value");
}

}  // namespace
}  // namespace twinlens
