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
  static const char* const kNames[] = {"deinterlace", "time shift",   "colour match", "audio cut",
                                       "fields",      "motion",       "size factors", "split",
                                       "mirror",      "final size",   "selection",    "rate change",
                                       "stabilise",   "conform size", "conform rate", "align"};
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
  s.RadioGroup_Colour_Match = choices::ColourMatch::Right;  // the left view is changed
  s.Edit_Audio_Frames_Cut = "3";
  s.CheckBox_Input_SF = true;
  s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
  s.ComboBox_Blend = choices::BlendFrames::Frames4;
  s.CheckBox_Input_HW = true;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.CheckBox_HML = true;
  s.CheckBox_change_final_HV = true;
  s.RadioGroup_Repeat = choices::Repeat::Repeat2_5;
  s.RadioGroup_FrameRates = choices::FrameRates::Pal;
  s.CheckBox_Deshake = true;
  const ClipRecipe r = makeClipRecipe(s, {}, {});
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
  const ClipRecipe r = makeClipRecipe(s, {}, {left, GetParam().right.value_or(left)});
  EXPECT_EQ(r.outputs, GetParam().outputs);
  EXPECT_EQ(r.stereoTag, GetParam().tag);
}

const View L = View::Left;
const View R = View::Right;
const MediaInfo kSilentRight{{25, 1}, 100, false, 0, false};
const MediaInfo kTaggedRight{{25, 1}, 100, true, 48000, true};

INSTANTIATE_TEST_SUITE_P(
    Layouts, Outputs,
    ::testing::Values(
        OutputCase{"SeparateViewsKeepTheirOwnSound",
                   [](auto&) {},
                   std::nullopt,
                   {{{L}, L}, {{R}, R}},
                   StereoTag::None},
        OutputCase{"ASilentRightFileBorrowsTheLeftSound",
                   [](auto&) {},
                   kSilentRight,
                   {{{L}, L}, {{R}, L}},
                   StereoTag::None},
        OutputCase{"ASilentRightFileLendsNothingToUseRightAudio",
                   [](auto& s) {
                     s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
                     s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
                     s.CheckBox_Blend_RightSound = true;
                   },
                   kSilentRight,
                   {{{L, R}, L}},
                   StereoTag::LeftRight},
        OutputCase{"ReversedSeparateViewsSwapPlaces",
                   [](auto& s) { s.CheckBox_Reverse_LR = true; },
                   std::nullopt,
                   {{{R}, R}, {{L}, L}},
                   StereoTag::None},
        OutputCase{"SideBySideTakesTheFirstViewsSound",
                   [](auto& s) { s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide; },
                   std::nullopt,
                   {{{L, R}, L}},
                   StereoTag::LeftRight},
        OutputCase{"ReversedOverUnderPutsTheRightViewOnTop",
                   [](auto& s) {
                     s.RadioGroup_Output_Format = choices::OutputFormat::OverUnder;
                     s.CheckBox_Reverse_LR = true;
                   },
                   std::nullopt,
                   {{{R, L}, R}},
                   StereoTag::BottomTop},
        OutputCase{"InterlacedPutsTheRightViewFirst",
                   [](auto& s) { s.RadioGroup_Output_Format = choices::OutputFormat::Interlaced; },
                   std::nullopt,
                   {{{R, L}, R}},
                   StereoTag::RowInterleavedLR},
        OutputCase{"BlendedLayoutsCarryTheLeftViewsSound",
                   [](auto& s) {
                     s.RadioGroup_Output_Format = choices::OutputFormat::Interlaced;
                     s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
                   },
                   std::nullopt,
                   {{{R, L}, L}},
                   StereoTag::RowInterleavedLR},
        OutputCase{"UseRightAudioGivesEveryOutputTheRightSound",
                   [](auto& s) {
                     s.RadioGroup_Blend_TL = choices::BlendTimeLapse::TimeLapse;
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
                   [](auto& s) { s.RadioGroup_Output_Format = choices::OutputFormat::Mono; },
                   kTaggedRight,
                   {{{L}, L}},
                   StereoTag::Mono},
        OutputCase{"PicturesHaveNoSound",
                   [](auto& s) {
                     s.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
                     s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
                   },
                   std::nullopt,
                   {{{L, R}, std::nullopt}},
                   StereoTag::LeftRight},
        OutputCase{"NoOutputFormatHasNoOutput",
                   [](auto& s) { s.RadioGroup_Output_Format = choices::OutputFormat::Unset; },
                   std::nullopt,
                   {},
                   StereoTag::None}),
    [](const auto& info) { return std::string(info.param.title); });

// Two cameras' views of one clip: conformed where a step can make them a pair, else refused.
struct MismatchCase {
  const char* title;
  // What differs from a progressive 1920x1080 view at 25 frames a second with sound.
  std::function<void(MediaInfo& left, MediaInfo& right)> differ;
  std::vector<std::string> rightSteps;  // the conform steps of the right view
  const char* message;                  // empty: the clip goes on
  std::vector<std::string> notes = {};
};

class Mismatches : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(Mismatches, AreConformedOrRefused) {
  ClipNames names;
  names.leftFile = "/v/a_L.mp4";
  names.rightFile = "/v/a_R.mp4";
  MediaInfo left{{25, 1}, 100, true, 48000, false, 1920, 1080};
  left.scan = MediaInfo::Scan::Progressive;
  MediaInfo right = left;
  GetParam().differ(left, right);
  const std::string message = test::messageOf([&] {
    ConversionSettings s;
    s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
    const ClipRecipe r = makeClipRecipe(s, names, {left, right});
    std::vector<std::string> conforms;
    for (const std::string& step : stepNames(r, View::Right)) {
      if (step.rfind("conform", 0) == 0) conforms.push_back(step);
    }
    EXPECT_EQ(conforms, GetParam().rightSteps);
    if (const auto* size = r.find<recipe::ConformSize>(View::Right)) {
      EXPECT_EQ(*size, (recipe::ConformSize{left.width, left.height, left.pixelAspect}));
    }
    EXPECT_EQ(r.notes, GetParam().notes);
  });
  EXPECT_EQ(message, *GetParam().message ? GetParam().message : "(no error)");
}

const char* const kDrift =
    "The views run at 25 and 25.025 frames a second: the cameras' clocks drift apart, which "
    "\"Detect from sound\" measures";

INSTANTIATE_TEST_SUITE_P(
    Views, Mismatches,
    ::testing::Values(
        MismatchCase{"Alike", [](auto&, auto&) {}, {}, ""},
        MismatchCase{"SmallerOfTheSameShape",
                     [](auto&, auto& r) { r.width = 1280, r.height = 720; },
                     {"conform size"},
                     "",
                     {"The right view is scaled from 1280x720 to 1920x1080, the left view's size"}},
        MismatchCase{"ShapeWithinOnePercent",
                     [](auto&, auto& r) { r.width = 1280, r.height = 716; },
                     {"conform size"},
                     "",
                     {"The right view is scaled from 1280x716 to 1920x1080, the left view's size"}},
        MismatchCase{"AnotherShape",
                     [](auto&, auto& r) { r.width = 1440; },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" differ in shape (1920x1080 and "
                     "1440x1080); crop or pad one of them to the other's shape first"},
        MismatchCase{"WidePixelsOfTheSameShape",
                     [](auto&, auto& r) {
                       r.width = 1440, r.pixelAspect = {4, 3};
                     },
                     {"conform size"},
                     "",
                     {"The right view is scaled from 1440x1080 with 4:3 pixels to 1920x1080, the "
                      "left view's size and pixels"}},
        MismatchCase{"BothOfWidePixels",
                     [](auto& l, auto& r) {
                       l.width = r.width = 1440;
                       l.pixelAspect = r.pixelAspect = {4, 3};
                     },
                     {},
                     ""},
        MismatchCase{"RatesWithinOnePerMille",
                     [](auto&, auto& r) {
                       r.frameRate = {25025, 1000};
                     },
                     {},
                     "",
                     {kDrift}},
        MismatchCase{"AnotherRate",
                     [](auto&, auto& r) {
                       r.frameRate = {30000, 1001};
                     },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" run at different frame rates "
                     "(25 and 29.97 frames a second); convert one of them to the other's rate "
                     "first: frames dropped or repeated in one eye do not make a stereo pair"},
        MismatchCase{
            "VariableRateBesideTheSameSize",
            [](auto&, auto& r) { r.variableRate = true, r.width = 1280, r.height = 720; },
            {"conform rate", "conform size"},
            "",
            {"\"/v/a_R.mp4\" has a variable frame rate: its frames are laid on 25 frames a "
             "second by their time stamps, repeated or dropped where the time stamps say "
             "so",
             "The right view is scaled from 1280x720 to 1920x1080, the left view's size"}},
        MismatchCase{"TurnedOneWay",
                     [](auto& l, auto& r) { l.rotation = r.rotation = 90; },
                     {},
                     "",
                     {"Both views are turned by 90 degrees, as their rotation tags say"}},
        MismatchCase{"TurnedOnlyOnTheRight",
                     [](auto&, auto& r) { r.rotation = 270; },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" are turned differently by their "
                     "rotation tags (0 and 270 degrees); turn one of them to the other's way "
                     "first, or clear its rotation tag"},
        MismatchCase{"InterlacedBesideProgressive",
                     [](auto&, auto& r) { r.scan = MediaInfo::Scan::TopFirst; },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" differ in scan (progressive and "
                     "interlaced, top field first); deinterlace the interlaced one first "
                     "(\"Deinterlace\" does both views alike)"},
        MismatchCase{"FieldOrders",
                     [](auto& l, auto& r) {
                       l.scan = MediaInfo::Scan::BottomFirst;
                       r.scan = MediaInfo::Scan::TopFirst;
                     },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" differ in field order "
                     "(interlaced, bottom field first and interlaced, top field first); re-encode "
                     "one of them with the other's field order first"},
        MismatchCase{
            "ScanUnknown", [](auto&, auto& r) { r.scan = MediaInfo::Scan::Unknown; }, {}, ""},
        MismatchCase{"HdrBesideSdr",
                     [](auto& l, auto&) { l.transfer = "arib-std-b67"; },
                     {},
                     "The views \"/v/a_L.mp4\" and \"/v/a_R.mp4\" differ in dynamic range (HDR, "
                     "HLG and SDR); grade both to one range first: an eye in HDR beside an eye in "
                     "SDR is no pair"},
        MismatchCase{"NeitherHasSound",
                     [](auto& l, auto& r) { l.hasAudio = r.hasAudio = false; },
                     {},
                     "",
                     {"Neither \"/v/a_L.mp4\" nor \"/v/a_R.mp4\" has sound: the outputs are "
                      "silent"}},
        MismatchCase{"TheLeftHasNoSound",
                     [](auto& l, auto&) { l.hasAudio = false; },
                     {},
                     "",
                     {"\"/v/a_L.mp4\" has no sound: the right view's sound goes with it"}},
        MismatchCase{"SizeUnknown", [](auto&, auto& r) { r.width = r.height = 0; }, {}, ""}),
    [](const auto& info) { return std::string(info.param.title); });

// HDR views carry their colour tags to the outputs; others carry none.
TEST(ClipRecipe, HdrTagsGoWithTheOutputs) {
  MediaInfo hdr{{25, 1}, 100, true, 48000, false, 3840, 2160};
  hdr.transfer = "smpte2084", hdr.primaries = "bt2020", hdr.matrix = "bt2020nc";
  const ClipRecipe r = makeClipRecipe(ConversionSettings{}, {}, {hdr, hdr});
  EXPECT_EQ(r.transfer + " " + r.primaries + " " + r.matrix, "smpte2084 bt2020 bt2020nc");
  MediaInfo sdr = hdr;
  sdr.transfer = "bt709";
  EXPECT_EQ(makeClipRecipe(ConversionSettings{}, {}, {sdr, sdr}).transfer, "");
}

TEST(ClipRecipe, ABadNumberIsToldBeforeAnythingIsDecided) {
  ConversionSettings s;
  s.Edit_Offset = "1.5";
  EXPECT_EQ(test::messageOf([&] { makeClipRecipe(s, {}, {}); }),
            "'1.5' is not a valid integer value");
  s.Edit_Offset = "0";
  s.Edit_Audio_Frames_Cut = "";
  EXPECT_EQ(test::messageOf([&] { makeClipRecipe(s, {}, {}); }), "'' is not a valid integer value");
}

// "Align views" and "Convergence": the Align step stands where each view stands alone, sized in
// pixels of the view as read; automatic convergence and the depth come from the measurement.
TEST(ClipRecipe, GeometryAlignsEachViewWhereItStandsAlone) {
  const MediaInfo halfWidth{{25, 1}, 100, true, 48000, false, 1920, 1080};
  GeometryReport measured;
  measured.verticalOffsetPx = 6;
  measured.rollDeg = 0.2;
  measured.parallaxNearPermille = -12;
  measured.parallaxFarPermille = 8;
  ClipNames names;
  names.leftFile = "/v/a.mp4";
  ConversionSettings s;
  s.RadioGroup_Input_Format =
      choices::InputFormat::SideBySide;  // side by side, each view squeezed to half its width
  s.CheckBox_Input_HW = true;
  s.CheckBox_HMR = true;
  s.RadioGroup_Align = choices::Align::Measure;
  s.RadioGroup_Convergence = choices::Convergence::Automatic;
  const ClipRecipe r = makeClipRecipe(s, names, {halfWidth, std::nullopt, measured});
  EXPECT_EQ(stepNames(r, View::Right),
            (std::vector<std::string>{"size factors", "split", "align", "mirror"}));
  const auto* align = r.find<recipe::Align>(View::Right);
  ASSERT_NE(align, nullptr);
  // Near -12 and far 8: moving the near point to +3 would take the far point past +20, so the
  // far point goes to +20: a shift of 12 per mille of 960 pixels.
  EXPECT_EQ(*align, (recipe::Align{6, 0.2, 0, 0, 0, 11.52, 960, 1080, 2, 1}));
  EXPECT_EQ(*r.find<recipe::Align>(View::Left), *align);
  EXPECT_EQ(
      r.notes.back(),
      "Depth: near 0.0, far 20.0 per mille of the width after a convergence shift of 11.5 px: "
      "green");

  // Measuring without a measurement (the settings checked before any clip) aligns nothing;
  // neither does "No change", nor a 2D file.
  EXPECT_FALSE(makeClipRecipe(s, {}, {}).has<recipe::Align>(View::Right));
  s.RadioGroup_Align = choices::Align::NoChange;
  s.RadioGroup_Convergence = choices::Convergence::NoChange;
  EXPECT_EQ(makeClipRecipe(s, names, {halfWidth, std::nullopt, measured}).notes,
            std::vector<std::string>{});
  s.RadioGroup_Align = choices::Align::UseValues;
  s.Edit_Align_Vertical = "-3.5";
  s.RadioGroup_Input_Format = choices::InputFormat::Mono;
  EXPECT_FALSE(makeClipRecipe(s, names, {halfWidth}).has<recipe::Align>(View::Right));

  // Typed values that are no numbers, and pictures, stop before any clip is read.
  s.Edit_Align_Roll = "0,5";
  EXPECT_EQ(test::messageOf([&] { makeClipRecipe(s, {}, {}); }), "'0,5' is not a valid number");
  s.Edit_Align_Roll = "0.5";
  s.RadioGroup_Input_Format = choices::InputFormat::Separate;
  s.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  EXPECT_TRUE(test::messageOf([&] {
                makeClipRecipe(s, {}, {});
              }).starts_with("Picture sequences are not aligned"));
}

}  // namespace
}  // namespace twinlens
