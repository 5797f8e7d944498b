#include "engines/avisynth/ScriptLines.h"

#include <gtest/gtest.h>

#include <functional>

namespace twinlens {
namespace {

using Lines = std::vector<std::string>;

struct ShiftCase {
  std::int64_t offset;
  Lines left;
  Lines right;
};

class TimeShift : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(TimeShift, AdvancesTheRightViewForAPositiveOffset) {
  TextFile left;
  TextFile right;
  scriptlines::timeShift(left, View::Left, GetParam().offset);
  scriptlines::timeShift(right, View::Right, GetParam().offset);
  EXPECT_EQ(left.lines(), GetParam().left);
  EXPECT_EQ(right.lines(), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, TimeShift,
    ::testing::Values(
        ShiftCase{0, {}, {}}, ShiftCase{1, {"f = Framecount()", "Trim(0,f-2)"}, {"Trim(1,0)"}},
        ShiftCase{5, {"f = Framecount()", "Trim(0,f-6)"}, {"Trim(5,0)"}},
        ShiftCase{-1, {"Trim(1,0)"}, {"g = Framecount()", "Trim(0,g-2)"}},
        ShiftCase{-3, {"Trim(3,0)"}, {"g = Framecount()", "Trim(0,g-4)"}},
        // The ends of the 32-bit range must not wrap around.
        ShiftCase{2147483647, {"f = Framecount()", "Trim(0,f-2147483648)"}, {"Trim(2147483647,0)"}},
        ShiftCase{
            -2147483648LL, {"Trim(2147483648,0)"}, {"g = Framecount()", "Trim(0,g-2147483649)"}}));

// A settings change and the lines one group then writes.
struct GroupCase {
  const char* title;
  std::function<void(ConversionSettings&)> set;
  std::function<void(TextFile&, const ConversionSettings&)> write;
  Lines expected;
};

class Groups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(Groups, WriteTheirLines) {
  ConversionSettings settings;
  GetParam().set(settings);
  TextFile out;
  GetParam().write(out, settings);
  EXPECT_EQ(out.lines(), GetParam().expected);
}

// The lines of the step of type T of a view's recipe, as the settings make it; none without it.
template <typename T, typename Write>
void stepLines(const ConversionSettings& s, View view, Write write) {
  const ClipRecipe r = makeClipRecipe(s, {}, {});
  if (const T* step = r.find<T>(view)) write(*step);
}

void size(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::SizeFactors>(s, View::Left,
                                 [&](const auto& f) { scriptlines::sizeLines(out, f); });
}
void tail(TextFile& out, const ConversionSettings& s) {
  const ClipRecipe r = makeClipRecipe(s, {}, {});
  scriptlines::rateTail(out, r.find<recipe::FrameSelection>(View::Left),
                        r.find<recipe::RateChange>(View::Left));
}
void fields(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::Fields>(s, View::Left, [&](const auto& f) { scriptlines::fieldLines(out, f); });
}
void finalSize(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::FinalSize>(s, View::Left,
                               [&](const auto& f) { scriptlines::finalSize(out, f); });
}
void leftSplit(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::Split>(s, View::Left,
                           [&](const auto& f) { scriptlines::splitLines(out, View::Left, f); });
}
void rightSplit(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::Split>(s, View::Right,
                           [&](const auto& f) { scriptlines::splitLines(out, View::Right, f); });
}
void bothMirrors(TextFile& out, const ConversionSettings& s) {
  stepLines<recipe::Mirror>(s, View::Left,
                            [&](const auto& f) { scriptlines::mirrorLines(out, f); });
  out.add("--");
  stepLines<recipe::Mirror>(s, View::Right,
                            [&](const auto& f) { scriptlines::mirrorLines(out, f); });
}
void colour(TextFile& out, const ConversionSettings& s) {
  out.add(scriptlines::colourLine(makeClipRecipe(s, {}, {}).colour));
}
// The blending or time-lapse lines of a view, as the settings make them; none without.
void motion(TextFile& out, View view, const ConversionSettings& s, bool leftViewBefore) {
  stepLines<recipe::Motion>(
      s, view, [&](const auto& m) { scriptlines::blendOrTimeLapse(out, view, m, leftViewBefore); });
}

const Lines kResize(int w, int h) {
  return {"ClipWidth = Width()", "ClipHeight = Height()", "K_Width = " + std::to_string(w),
          "K_Height = " + std::to_string(h),
          "Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)"};
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, Groups,
    ::testing::Values(
        GroupCase{"NoHalfFormats", [](auto&) {}, size, {}},
        GroupCase{"BothHalfWidthAndHeight",
                  [](auto& s) {
                    s.CheckBox_Input_HW = s.CheckBox_Output_HW = true;
                    s.CheckBox_Input_HH = s.CheckBox_Output_HH = true;
                  },
                  size,
                  {}},
        GroupCase{"InputHalfWidth", [](auto& s) { s.CheckBox_Input_HW = true; }, size,
                  kResize(4, 2)},
        GroupCase{"OutputHalfWidth", [](auto& s) { s.CheckBox_Output_HW = true; }, size,
                  kResize(1, 2)},
        GroupCase{"InputHalfHeight", [](auto& s) { s.CheckBox_Input_HH = true; }, size,
                  kResize(2, 4)},
        GroupCase{"OutputHalfHeight", [](auto& s) { s.CheckBox_Output_HH = true; }, size,
                  kResize(2, 1)},
        GroupCase{"SideBySideLeft",
                  [](auto& s) { s.RadioGroup_Input_Format = choices::InputFormat::SideBySide; },
                  leftSplit,
                  {"ClipWidth = Width()", "Crop (0,0,-ClipWidth/2,-0)"}},
        GroupCase{"SideBySideRight",
                  [](auto& s) { s.RadioGroup_Input_Format = choices::InputFormat::SideBySide; },
                  rightSplit,
                  {"ClipWidth = Width()", "Crop (ClipWidth/2,0,-0,-0)"}},
        GroupCase{"OverUnderLeft",
                  [](auto& s) { s.RadioGroup_Input_Format = choices::InputFormat::OverUnder; },
                  leftSplit,
                  {"ClipHeight = Height()", "CropBottom (Height/2)"}},
        GroupCase{"OverUnderRight",
                  [](auto& s) { s.RadioGroup_Input_Format = choices::InputFormat::OverUnder; },
                  rightSplit,
                  {"ClipHeight = Height()", "Crop (0,Height/2,-0,-0)"}},
        GroupCase{"MonoInputNoSplit",
                  [](auto& s) { s.RadioGroup_Input_Format = choices::InputFormat::Mono; },
                  leftSplit,
                  {}},
        GroupCase{"MirrorsPerView",
                  [](auto& s) { s.CheckBox_HML = s.CheckBox_VML = s.CheckBox_VMR = true; },
                  bothMirrors,
                  {"FlipHorizontal()", "FlipVertical()", "--", "FlipVertical()"}},
        GroupCase{"FinalSizeOff", [](auto& s) { s.Edit_Blur = "0.5"; }, finalSize, {}},
        GroupCase{"BlurZero",
                  [](auto& s) { s.CheckBox_change_final_HV = true; },
                  finalSize,
                  {"Lanczos4Resize(1920,1080)"}},
        GroupCase{"BlurHalf",
                  [](auto& s) {
                    s.CheckBox_change_final_HV = true;
                    s.Edit_Blur = "0.5";
                    s.Edit_final_H = "960";
                    s.Edit_final_V = "540";
                  },
                  finalSize,
                  {"Blur(0.5)", "Lanczos4Resize(960,540)"}},
        // Only the exact text "0" means no blur.
        GroupCase{"BlurEmpty",
                  [](auto& s) {
                    s.CheckBox_change_final_HV = true;
                    s.Edit_Blur = "";
                  },
                  finalSize,
                  {"Blur()", "Lanczos4Resize(1920,1080)"}},
        GroupCase{"BlurZeroPointZero",
                  [](auto& s) {
                    s.CheckBox_change_final_HV = true;
                    s.Edit_Blur = "0.0";
                  },
                  finalSize,
                  {"Blur(0.0)", "Lanczos4Resize(1920,1080)"}}),
    [](const auto& info) { return std::string(info.param.title); });

INSTANTIATE_TEST_SUITE_P(
    FieldsAndColour, Groups,
    ::testing::Values(GroupCase{"NoFields", [](auto&) {}, fields, {}},
                      GroupCase{"WeaveInputFields",
                                [](auto& s) { s.CheckBox_Input_SF = true; },
                                fields,
                                {"AssumeFieldBased()", "Weave()", "SwapFields()"}},
                      GroupCase{"SeparateOutputFields",
                                [](auto& s) { s.CheckBox_Output_SF = true; },
                                fields,
                                {"AssumeTFF()", "SeparateFields()"}},
                      GroupCase{"FieldsInAndOut",
                                [](auto& s) { s.CheckBox_Input_SF = s.CheckBox_Output_SF = true; },
                                fields,
                                {}},
                      GroupCase{"ColourKept", [](auto&) {}, colour, {""}},
                      GroupCase{"ColourYV12",
                                [](auto& s) { s.ComboBox_Colour = choices::Colour::YV12; },
                                colour,
                                {"ConvertToYV12"}},
                      GroupCase{"ColourYUY2",
                                [](auto& s) { s.ComboBox_Colour = choices::Colour::YUY2; },
                                colour,
                                {"ConvertToYUY2"}},
                      GroupCase{"ColourRGB24",
                                [](auto& s) { s.ComboBox_Colour = choices::Colour::RGB24; },
                                colour,
                                {"ConvertToRGB24"}},
                      GroupCase{"ColourRGB32",
                                [](auto& s) { s.ComboBox_Colour = choices::Colour::RGB32; },
                                colour,
                                {"ConvertToRGB32"}},
                      GroupCase{"ColourNoneSelected",
                                [](auto& s) { s.ComboBox_Colour = choices::Colour::Unset; },
                                colour,
                                {""}}),
    [](const auto& info) { return std::string(info.param.title); });

INSTANTIATE_TEST_SUITE_P(
    Rates, Groups,
    ::testing::Values(
        GroupCase{"NothingChanges", [](auto&) {}, tail, {}},
        GroupCase{"PitchAloneAddsNothing",
                  [](auto& s) { s.RadioGroup_Pitch = choices::Pitch::Change; },
                  tail,
                  {}},
        GroupCase{"RepeatKeepsOldRate",
                  [](auto& s) { s.RadioGroup_Repeat = choices::Repeat::Repeat2_5; },
                  tail,
                  {"Frn=FrameRateNumerator()", "Frd=FrameRateDenominator()",
                   "SelectEvery(2,0,0,0,1,1)", "AssumeFPS(Frn, FRd, true)"}},
        GroupCase{
            "RepeatWithNoRateChosen",
            [](auto& s) {
              s.RadioGroup_Repeat = choices::Repeat::Repeat2_5;
              s.RadioGroup_FrameRates = choices::FrameRates::Unset;
            },
            tail,
            {"Frn=FrameRateNumerator()", "Frd=FrameRateDenominator()", "SelectEvery(2,0,0,0,1,1)"}},
        GroupCase{"RepeatWithNewRate",
                  [](auto& s) {
                    s.RadioGroup_Repeat = choices::Repeat::Repeat2_5;
                    s.RadioGroup_FrameRates = choices::FrameRates::Pal;
                  },
                  tail,
                  {"Frn=FrameRateNumerator()", "Frd=FrameRateDenominator()",
                   "SelectEvery(2,0,0,0,1,1)", "AssumeFPS(25000, 1000, true)"}},
        GroupCase{"RepeatWithPitch",
                  [](auto& s) {
                    s.RadioGroup_Repeat = choices::Repeat::Skip4;
                    s.RadioGroup_Pitch = choices::Pitch::Change;
                  },
                  tail,
                  {"AR= Audiorate(last)", "Frn=FrameRateNumerator()", "Frd=FrameRateDenominator()",
                   "SelectEvery(4,0)", "AssumeFPS(Frn, FRd, true)", "ResampleAudio(AR)"}},
        GroupCase{"RateWithPitch",
                  [](auto& s) {
                    s.RadioGroup_FrameRates = choices::FrameRates::HalfFilm;
                    s.RadioGroup_Pitch = choices::Pitch::Change;
                  },
                  tail,
                  {"AR= Audiorate(last)", "AssumeFPS(12000, 1001, true)", "ResampleAudio(AR)"}},
        GroupCase{"UserRateDefaults",
                  [](auto& s) { s.RadioGroup_FrameRates = choices::FrameRates::UserDefined; },
                  tail,
                  {"AssumeFPS(30000, 1001, true)"}},
        GroupCase{"UserRateNegative",
                  [](auto& s) {
                    s.RadioGroup_FrameRates = choices::FrameRates::UserDefined;
                    s.UserFrNum = -2147483647 - 1;
                    s.UserFrDen = 7;
                  },
                  tail,
                  {"AssumeFPS(-2147483648, 7, true)"}}),
    [](const auto& info) { return std::string(info.param.title); });

struct SelectionCase {
  choices::Repeat repeat;
  const char* selection;
};

class RepeatSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(RepeatSelection, IsTheThirdLineOfTheRepeat) {
  ConversionSettings s;
  s.RadioGroup_Repeat = GetParam().repeat;
  TextFile out;
  tail(out, s);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[2], GetParam().selection);
}

INSTANTIATE_TEST_SUITE_P(
    Items, RepeatSelection,
    ::testing::Values(SelectionCase{choices::Repeat::Repeat2, "SelectEvery(1,0,0)"},
                      SelectionCase{choices::Repeat::Repeat2_5, "SelectEvery(2,0,0,0,1,1)"},
                      SelectionCase{choices::Repeat::Repeat3, "SelectEvery(1,0,0,0)"},
                      SelectionCase{choices::Repeat::Repeat4, "SelectEvery(1,0,0,0,0)"},
                      SelectionCase{choices::Repeat::Skip2, "SelectEvery(2,0)"},
                      SelectionCase{choices::Repeat::Skip2_5, "SelectEvery(10,0,2,5,7)"},
                      SelectionCase{choices::Repeat::Skip3, "SelectEvery(3,0)"},
                      SelectionCase{choices::Repeat::Skip4, "SelectEvery(4,0)"}));

struct RateCase {
  choices::FrameRates rate;
  const char* line;
};

class FrameRateLine : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRateLine, IsTheWholeTail) {
  ConversionSettings s;
  s.RadioGroup_FrameRates = GetParam().rate;
  TextFile out;
  tail(out, s);
  EXPECT_EQ(out.lines(), Lines{GetParam().line});
}

INSTANTIATE_TEST_SUITE_P(
    Items, FrameRateLine,
    ::testing::Values(RateCase{choices::FrameRates::HalfFilm, "AssumeFPS(12000, 1001, true)"},
                      RateCase{choices::FrameRates::HalfPal, "AssumeFPS(12500, 1000, true)"},
                      RateCase{choices::FrameRates::HalfNtsc, "AssumeFPS(15000, 1001, true)"},
                      RateCase{choices::FrameRates::Film, "AssumeFPS(24000, 1001, true)"},
                      RateCase{choices::FrameRates::Pal, "AssumeFPS(25000, 1000, true)"},
                      RateCase{choices::FrameRates::Ntsc, "AssumeFPS(30000, 1001, true)"},
                      RateCase{choices::FrameRates::DoublePal, "AssumeFPS(50000, 1000, true)"},
                      RateCase{choices::FrameRates::DoubleNtsc, "AssumeFPS(60000, 1001, true)"}));

// Blending and time-lapse, by view and by whether the left view's lines come first.
struct BlendCase {
  const char* title;
  choices::BlendTimeLapse mode;
  choices::BlendFrames frames;
  bool shutter;
  bool rightSound;
  View view;
  bool leftViewBefore;
  Lines expected;
};

class Blend : public ::testing::TestWithParam<BlendCase> {};

TEST_P(Blend, WritesTheCascade) {
  const auto& c = GetParam();
  ConversionSettings s;
  s.RadioGroup_Blend_TL = c.mode;
  s.ComboBox_Blend = c.frames;
  s.CheckBox_180 = c.shutter;
  s.CheckBox_Blend_RightSound = c.rightSound;
  TextFile out;
  motion(out, c.view, s, c.leftViewBefore);
  EXPECT_EQ(out.lines(), c.expected);
}

const char* const kTl1 = "c1=selectevery(last, 2, 0)";
const char* const kTl2 = "c2=selectevery(last, 2, 1)";
const char* const kTl3 = "Overlay(c1, c2, mode=\"blend\", opacity=0.5)";

INSTANTIATE_TEST_SUITE_P(
    Cases, Blend,
    ::testing::Values(
        BlendCase{"Off",
                  choices::BlendTimeLapse::NoChange,
                  choices::BlendFrames::Frames16,
                  false,
                  false,
                  View::Left,
                  false,
                  {}},
        BlendCase{"TwoFramesLeft",
                  choices::BlendTimeLapse::Blend,
                  choices::BlendFrames::Frames2,
                  false,
                  false,
                  View::Left,
                  false,
                  {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "al=c01",
                   "Overlay(c01, c02, mode=\"blend\", opacity=0.5)", "AudioDub (last,al)"}},
        BlendCase{"TwoFramesShutterRightAfterLeft",
                  choices::BlendTimeLapse::Blend,
                  choices::BlendFrames::Frames2,
                  true,
                  false,
                  View::Right,
                  true,
                  {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "ar=c01", "c01",
                   "AudioDub (last,al)"}},
        BlendCase{
            "FourFramesLeft",
            choices::BlendTimeLapse::Blend,
            choices::BlendFrames::Frames4,
            false,
            false,
            View::Left,
            false,
            {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "c03=Trim(last, 2, 0)",
             "c04=Trim(last, 3, 0)", "al=c02", "c11=Overlay(c01, c02, mode=\"blend\", opacity=0.5)",
             "c12=Overlay(c03, c04, mode=\"blend\", opacity=0.5)",
             "Overlay(c11, c12, mode=\"blend\", opacity=0.5)", "AudioDub (last,al)"}},
        // The left view's lines come first in every script, so "Use R audio" cannot name ar
        // there yet: the left view keeps its own sound.
        BlendCase{"RightSoundInLeftView",
                  choices::BlendTimeLapse::Blend,
                  choices::BlendFrames::Frames2,
                  false,
                  true,
                  View::Left,
                  false,
                  {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "al=c01",
                   "Overlay(c01, c02, mode=\"blend\", opacity=0.5)", "AudioDub (last,al)"}},
        BlendCase{"RightSoundInRightView",
                  choices::BlendTimeLapse::Blend,
                  choices::BlendFrames::Frames2,
                  false,
                  true,
                  View::Right,
                  true,
                  {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "ar=c01",
                   "Overlay(c01, c02, mode=\"blend\", opacity=0.5)", "AudioDub (last,ar)"}},
        // A right view standing alone has no al to take.
        BlendCase{"RightViewAlone",
                  choices::BlendTimeLapse::Blend,
                  choices::BlendFrames::Frames2,
                  false,
                  false,
                  View::Right,
                  false,
                  {"c01=Trim(last, 0, 0)", "c02=Trim(last, 1, 0)", "ar=c01",
                   "Overlay(c01, c02, mode=\"blend\", opacity=0.5)", "AudioDub (last,ar)"}},
        BlendCase{"TimeLapseTwoFramesLeft",
                  choices::BlendTimeLapse::TimeLapse,
                  choices::BlendFrames::Frames2,
                  false,
                  false,
                  View::Left,
                  false,
                  {"fr = FrameRate()", kTl1, kTl2, kTl3, "fn = FrameCount()", "AssumeFPS(fr)",
                   "al=last", "AudioDubEx (last,al)", "Trim(1, fn)"}},
        BlendCase{"TimeLapseTwoFramesShutter",
                  choices::BlendTimeLapse::TimeLapse,
                  choices::BlendFrames::Frames2,
                  true,
                  false,
                  View::Left,
                  false,
                  {"fr = FrameRate()", "SelectEven", "fn = FrameCount()", "AssumeFPS(fr)",
                   "al=last", "AudioDubEx (last,al)", "Trim(1, fn)"}},
        BlendCase{"TimeLapseFourFramesRightAfterLeft",
                  choices::BlendTimeLapse::TimeLapse,
                  choices::BlendFrames::Frames4,
                  false,
                  false,
                  View::Right,
                  true,
                  {kTl1, kTl2, kTl3, kTl1, kTl2, kTl3, "AssumeFPS(fr)", "ar=last",
                   "AudioDubEx (last,al)", "Trim(1, fn)"}},
        BlendCase{"TimeLapseRightAlone",
                  choices::BlendTimeLapse::TimeLapse,
                  choices::BlendFrames::Frames4,
                  true,
                  false,
                  View::Right,
                  false,
                  {"fr = FrameRate()", kTl1, kTl2, kTl3, "SelectEven", "fn = FrameCount()",
                   "AssumeFPS(fr)", "ar=last", "AudioDubEx (last,ar)", "Trim(1, fn)"}},
        BlendCase{"TimeLapseRightSoundLeft",
                  choices::BlendTimeLapse::TimeLapse,
                  choices::BlendFrames::Frames2,
                  false,
                  true,
                  View::Left,
                  false,
                  {"fr = FrameRate()", kTl1, kTl2, kTl3, "fn = FrameCount()", "AssumeFPS(fr)",
                   "al=last", "AudioDubEx (last,al)", "Trim(1, fn)"}},
        BlendCase{
            "TimeLapseRightSoundRight",
            choices::BlendTimeLapse::TimeLapse,
            choices::BlendFrames::Frames2,
            false,
            true,
            View::Right,
            true,
            {kTl1, kTl2, kTl3, "AssumeFPS(fr)", "ar=last", "AudioDubEx (last,ar)", "Trim(1, fn)"}}),
    [](const auto& info) { return std::string(info.param.title); });

struct CascadeCase {
  choices::BlendFrames item;
  std::size_t trims;
  std::size_t levelLines;
  const char* sound;
  const char* last;
};

class BlendCascade : public ::testing::TestWithParam<CascadeCase> {};

TEST_P(BlendCascade, HasOneTrimPerFrameAndHalvesPerLevel) {
  ConversionSettings s;
  s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
  s.ComboBox_Blend = GetParam().item;
  TextFile out;
  motion(out, View::Left, s, false);
  const std::size_t trims = GetParam().trims;
  ASSERT_EQ(out.size(), trims + 1 + GetParam().levelLines + 2);
  EXPECT_EQ(out[trims - 1],
            "c0" + std::to_string(trims) + "=Trim(last, " + std::to_string(trims - 1) + ", 0)");
  EXPECT_EQ(out[trims], GetParam().sound);
  EXPECT_EQ(out[out.size() - 2], GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlendCascade,
    ::testing::Values(CascadeCase{choices::BlendFrames::Frames2, 2, 0, "al=c01",
                                  "Overlay(c01, c02, mode=\"blend\", opacity=0.5)"},
                      CascadeCase{choices::BlendFrames::Frames8, 8, 6, "al=c04",
                                  "Overlay(c21, c22, mode=\"blend\", opacity=0.5)"},
                      CascadeCase{choices::BlendFrames::Frames16, 16, 14, "al=c08",
                                  "Overlay(c31, c32, mode=\"blend\", opacity=0.5)"},
                      CascadeCase{choices::BlendFrames::Frames32, 32, 30, "al=c016",
                                  "Overlay(c41, c42, mode=\"blend\", opacity=0.5)"},
                      CascadeCase{choices::BlendFrames::Frames64, 64, 62, "al=c032",
                                  "Overlay(c51, c52, mode=\"blend\", opacity=0.5)"},
                      CascadeCase{choices::BlendFrames::Frames128, 128, 126, "al=c064",
                                  "Overlay(c61, c62, mode=\"blend\", opacity=0.5)"}));

TEST(BlendCascade, LevelsPairNeighboursOfTheLevelBelow) {
  ConversionSettings s;
  s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
  s.ComboBox_Blend = choices::BlendFrames::Frames128;
  TextFile out;
  motion(out, View::Left, s, false);
  // First level line after 128 trims and the sound line, and the last level line.
  EXPECT_EQ(out[129], "c11=Overlay(c01, c02, mode=\"blend\", opacity=0.5)");
  EXPECT_EQ(out[129 + 63], "c164=Overlay(c0127, c0128, mode=\"blend\", opacity=0.5)");
  EXPECT_EQ(out[129 + 64], "c21=Overlay(c11, c12, mode=\"blend\", opacity=0.5)");
  EXPECT_EQ(out[129 + 125], "c62=Overlay(c53, c54, mode=\"blend\", opacity=0.5)");
}

}  // namespace
}  // namespace twinlens
