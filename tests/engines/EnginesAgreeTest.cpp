// Both engines render one recipe: for every setting a settings file can hold (choices left
// unchosen included), the AviSynth scripts and the ffmpeg graphs apply the same steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engines/avisynth/ScriptBuilder.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ClipRecipe.h"
#include "model/SettingsFields.h"

namespace twinlens {
namespace {

constexpr PathStyle W = PathStyle::Windows;
using Steps = std::set<std::string>;

bool has(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The steps the scripts of a clip apply, read off their lines.
Steps scriptSteps(const std::vector<ScriptFile>& scripts) {
  std::string all;
  int views = 0;
  for (const ScriptFile& script : scripts) {
    all += script.lines.text();
    const bool deinterlace = has(script.path, "\\DI_");
    const bool firstPass = has(script.path, "Deshake_1_");
    if (!deinterlace && !firstPass && !has(script.path, "_LR.") && !has(script.path, "_OU.")) {
      ++views;
    }
    if (!deinterlace && !script.lines.empty() &&
        script.lines[script.lines.size() - 1].starts_with("ConvertTo") &&
        script.lines[script.lines.size() - 1] != "ConvertToRGB32") {
      all += "\r\n#colour space\r\n";
    }
  }
  Steps steps;
  auto mark = [&](bool present, const char* step) {
    if (present) steps.insert(step);
  };
  mark(has(all, "AVISource(\"DI_"), "deinterlace");
  mark(has(all, "Framecount()"), "time shift");
  mark(has(all, "colourlike("), "colour match");
  mark(has(all, "a_tmp=trim("), "audio cut");
  mark(has(all, "SwapFields()"), "weave fields");
  mark(has(all, "SeparateFields()"), "separate fields");
  mark(has(all, "Overlay(c0"), "blend");
  mark(has(all, "selectevery(last, 2"), "time-lapse");
  mark(has(all, "K_Width = "), "size");
  mark(has(all, "Crop"), "split");
  mark(has(all, "FlipHorizontal()"), "mirror across");
  mark(has(all, "FlipVertical()"), "mirror upside down");
  mark(has(all, "Blur("), "blur");
  mark(has(all, "Lanczos4Resize(1"), "final size");
  mark(has(all, "SelectEvery("), "frame selection");
  mark(has(all, "AssumeFPS(F") || has(all, "AssumeFPS(1") || has(all, "AssumeFPS(2") ||
           has(all, "AssumeFPS(3") || has(all, "AssumeFPS(5") || has(all, "AssumeFPS(6"),
       "rate");
  mark(has(all, "ResampleAudio("), "pitch");
  mark(has(all, "#colour space"), "colour space");
  mark(has(all, "deshaker("), "stabilise");
  mark(has(all, "StackHorizontal"), "side by side");
  mark(has(all, "StackVertical"), "over-under");
  mark(has(all, "Interleave(a,b)") || has(all, "Interleave(b,a)"), "interlaced");
  mark(views == 2, "two views");
  return steps;
}

// The filters of a graph, in their order (a comma within quotes is part of its filter).
std::vector<std::string> filtersOf(const std::string& graph) {
  std::vector<std::string> filters(1);
  bool quoted = false;
  bool pad = false;  // a pad's label: "[s1]"
  for (const char c : graph) {
    if (c == '\'') quoted = !quoted;
    if (!quoted && (c == '[' || c == ']')) pad = c == '[';
    if (!quoted && (pad || c == ']' || c == ',' || c == ';' || c == '\n' || c == '\r')) {
      if (!filters.back().empty()) filters.emplace_back();
    } else {
      filters.back().push_back(c);
    }
  }
  return filters;
}

// The steps a clip's graphs apply, read off their filters.
Steps graphSteps(const FfmpegClipJob& job) {
  const std::string all = job.graph.text();
  // A time-lapse picks one frame of every N and then drops the first; a frame selection picks
  // frames of every cycle and keeps them all.
  bool timeLapse = false;
  bool selection = false;
  const std::vector<std::string> filters = filtersOf(all);
  for (std::size_t i = 0; i < filters.size(); ++i) {
    if (!filters[i].starts_with("select=")) continue;
    const bool dropsFirst = i + 3 < filters.size() && filters[i + 3] == "trim=start_frame=1";
    (dropsFirst ? timeLapse : selection) = true;
  }
  Steps steps;
  auto mark = [&](bool present, const char* step) {
    if (present) steps.insert(step);
  };
  mark(has(all, "bwdif"), "deinterlace");
  mark(has(all, "trim=end_frame="), "time shift");
  mark(has(all, "lut1d"), "colour match");
  // Without a time shift only the audio cut ends a sound early.
  mark(!has(all, "trim=end_frame=") && has(all, "atrim=end_sample="), "audio cut");
  mark(has(all, "weave=first_field=top"), "weave fields");
  mark(has(all, "separatefields"), "separate fields");
  mark(has(all, "tmix") && !timeLapse, "blend");
  mark(timeLapse, "time-lapse");
  mark(has(all, "scale=trunc(iw*"), "size");
  mark(has(all, "crop="), "split");
  mark(has(all, "hflip"), "mirror across");
  mark(has(all, "vflip"), "mirror upside down");
  mark(has(all, "gblur"), "blur");
  mark(has(all, "scale='1920'"), "final size");
  mark(selection, "frame selection");
  mark(has(all, "asetrate="), "rate");
  mark(has(all, "aresample="), "pitch");
  mark(has(all, "format=yuv420p") || has(all, "format=bgra"), "colour space");
  mark(has(all, "vidstabtransform"), "stabilise");
  mark(has(all, "hstack"), "side by side");
  mark(has(all, "vstack"), "over-under");
  mark(has(all, "weave=first_field=bottom"), "interlaced");
  mark(job.outputs.size() == 2, "two views");
  return steps;
}

struct AgreeCase {
  const char* title;
  std::vector<const char*> settings;  // "field=value", as a settings file holds them
  Steps steps;                        // besides the two views of separate output
};

class EnginesAgree : public ::testing::TestWithParam<AgreeCase> {};

TEST_P(EnginesAgree, OnTheStepsOfEverySetting) {
  ConversionSettings s;
  for (const std::string setting : GetParam().settings) {
    const std::size_t eq = setting.find('=');
    const SettingsField* field = findSettingsField(setting.substr(0, eq));
    ASSERT_NE(field, nullptr) << setting;
    setSettingsField(s, *field, setting.substr(eq + 1));
  }
  const ClipNames names = deriveClipNames(s, "C:\\v\\a_L.avi", "C:\\v\\a_R.avi", W);
  // 24 frames a second is none of the output rates, so every rate choice changes the rate.
  const MediaInfo media{{24, 1}, 240, true, 48000, false};

  TextFile histogram;
  const Steps scripts =
      scriptSteps(ScriptBuilder(W).build(makeClipRecipe(s, names, {media, media}), histogram));
  const Steps graphs =
      graphSteps(FilterGraphBuilder(W).build(makeClipRecipe(s, names, {media, media})));

  Steps expected = GetParam().steps;
  if (s.RadioGroup_Output_Format == choices::OutputFormat::Separate) expected.insert("two views");
  EXPECT_EQ(scripts, expected) << "AviSynth scripts";
  EXPECT_EQ(graphs, expected) << "ffmpeg graphs";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EnginesAgree,
    ::testing::Values(
        AgreeCase{"Defaults", {}, {}},
        AgreeCase{"PositiveOffset", {"Edit_Offset=3"}, {"time shift"}},
        AgreeCase{"NegativeOffsetInHex", {"Edit_Offset=-$2"}, {"time shift"}},
        AgreeCase{"EmptyOffset", {"Edit_Offset="}, {}},
        AgreeCase{"MatchToLeft", {"RadioGroup_Colour_Match=1"}, {"colour match"}},
        AgreeCase{"MatchToRight", {"RadioGroup_Colour_Match=2"}, {"colour match"}},
        AgreeCase{"MatchUnchosen", {"RadioGroup_Colour_Match=-1"}, {}},
        AgreeCase{"AudioCut", {"Edit_Audio_Frames_Cut=5"}, {"audio cut"}},
        AgreeCase{"NegativeAudioCut", {"Edit_Audio_Frames_Cut=-4"}, {}},
        AgreeCase{"WeaveInputFields", {"CheckBox_Input_SF=1"}, {"weave fields"}},
        AgreeCase{"SeparateOutputFields", {"CheckBox_Output_SF=1"}, {"separate fields"}},
        AgreeCase{"FieldsBothWays", {"CheckBox_Input_SF=1", "CheckBox_Output_SF=1"}, {}},
        AgreeCase{"Blend8", {"RadioGroup_Blend_TL=1", "ComboBox_Blend=2"}, {"blend"}},
        AgreeCase{"BlendUnchosenCount", {"RadioGroup_Blend_TL=1", "ComboBox_Blend=-1"}, {}},
        AgreeCase{"TwoFramesHalfShutter",
                  {"RadioGroup_Blend_TL=1", "ComboBox_Blend=0", "CheckBox_180=1"},
                  {}},
        AgreeCase{"TimeLapse4", {"RadioGroup_Blend_TL=2", "ComboBox_Blend=1"}, {"time-lapse"}},
        AgreeCase{"TimeLapseUnchosenCount", {"RadioGroup_Blend_TL=2", "ComboBox_Blend=-1"}, {}},
        AgreeCase{"MotionUnchosen", {"RadioGroup_Blend_TL=-1", "ComboBox_Blend=3"}, {}},
        AgreeCase{"HalfWidthInput", {"CheckBox_Input_HW=1"}, {"size"}},
        AgreeCase{"HalfHeightOutput", {"CheckBox_Output_HH=1"}, {"size"}},
        AgreeCase{"HalfWidthBothWays", {"CheckBox_Input_HW=1", "CheckBox_Output_HW=1"}, {}},
        AgreeCase{"SideBySideInput", {"RadioGroup_Input_Format=1"}, {"split"}},
        AgreeCase{"OverUnderInput", {"RadioGroup_Input_Format=2"}, {"split"}},
        AgreeCase{"InputUnchosen", {"RadioGroup_Input_Format=-1"}, {}},
        AgreeCase{"MirrorLeftAcross", {"CheckBox_HML=1"}, {"mirror across"}},
        AgreeCase{"MirrorRightUpsideDown", {"CheckBox_VMR=1"}, {"mirror upside down"}},
        AgreeCase{"FinalSize", {"CheckBox_change_final_HV=1"}, {"final size"}},
        AgreeCase{"FinalSizeBlurred",
                  {"CheckBox_change_final_HV=1", "Edit_Blur=1.5"},
                  {"final size", "blur"}},
        AgreeCase{"BlurWithoutFinalSize", {"Edit_Blur=2"}, {}},
        AgreeCase{"Repeat2", {"RadioGroup_Repeat=1"}, {"frame selection", "rate"}},
        AgreeCase{"Skip1Of3To25p",
                  {"RadioGroup_Repeat=7", "RadioGroup_FrameRates=5"},
                  {"frame selection", "rate"}},
        AgreeCase{"RepeatWithRateUnchosen",
                  {"RadioGroup_Repeat=1", "RadioGroup_FrameRates=-1"},
                  {"frame selection"}},
        AgreeCase{"RepeatUnchosen", {"RadioGroup_Repeat=-1"}, {}},
        AgreeCase{"To25p", {"RadioGroup_FrameRates=5"}, {"rate"}},
        AgreeCase{"To25pKeepingPitch",
                  {"RadioGroup_FrameRates=5", "RadioGroup_Pitch=1"},
                  {"rate", "pitch"}},
        AgreeCase{"PitchAlone", {"RadioGroup_Pitch=1"}, {}},
        AgreeCase{"UserRate", {"RadioGroup_FrameRates=9"}, {"rate"}},
        AgreeCase{"RateUnchosen", {"RadioGroup_FrameRates=-1", "RadioGroup_Pitch=-1"}, {}},
        AgreeCase{"YV12", {"ComboBox_Colour=1"}, {"colour space"}},
        AgreeCase{"ColourUnchosen", {"ComboBox_Colour=-1"}, {}},
        AgreeCase{"Stabilised", {"CheckBox_Deshake=1"}, {"stabilise"}},
        AgreeCase{"StabilisedYV12",
                  {"CheckBox_Deshake=1", "ComboBox_Colour=1"},
                  {"stabilise", "colour space"}},
        AgreeCase{"Deinterlaced", {"CheckBox_Output_DI=1"}, {"deinterlace"}},
        AgreeCase{"DeinterlacedHalfWidthSplit",
                  {"CheckBox_Output_DI=1", "RadioGroup_Input_Format=1", "CheckBox_Input_HW=1"},
                  {"deinterlace", "size", "split"}},
        AgreeCase{"SideBySide", {"RadioGroup_Output_Format=1"}, {"side by side"}},
        AgreeCase{"OverUnder", {"RadioGroup_Output_Format=2"}, {"over-under"}},
        AgreeCase{"Interlaced", {"RadioGroup_Output_Format=3"}, {"interlaced"}},
        AgreeCase{"Mono", {"RadioGroup_Output_Format=4"}, {}},
        AgreeCase{"ReversedSideBySideBlended",
                  {"RadioGroup_Output_Format=1", "CheckBox_Reverse_LR=1", "RadioGroup_Blend_TL=1",
                   "ComboBox_Blend=1", "CheckBox_Blend_RightSound=1"},
                  {"side by side", "blend"}}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace twinlens
