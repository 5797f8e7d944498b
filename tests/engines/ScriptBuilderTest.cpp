#include "engines/avisynth/ScriptBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/Error.h"
#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

using Lines = std::vector<std::string>;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr auto W = PathStyle::Windows;

struct Built {
  std::vector<ScriptFile> scripts;
  TextFile histogram;

  std::vector<std::string> paths() const {
    std::vector<std::string> result;
    for (const auto& s : scripts) result.push_back(s.path);
    return result;
  }
  // The lines last written under a path.
  Lines at(const std::string& path) const {
    const auto it = std::find_if(scripts.rbegin(), scripts.rend(),
                                 [&](const ScriptFile& s) { return s.path == path; });
    if (it == scripts.rend()) ADD_FAILURE() << "no script " << path;
    return it == scripts.rend() ? Lines{} : it->lines.lines();
  }
};

Built build(const ConversionSettings& s, const std::string& left, const std::string& right) {
  Built built;
  const ClipNames names = deriveClipNames(s, left, right, W);
  built.scripts = ScriptBuilder(W).build(makeClipRecipe(s, names, {}), built.histogram);
  return built;
}

const char* const kL = "C:\\v\\clip_L.avi";
const char* const kR = "C:\\v\\clip_R.avi";

TEST(ScriptBuilder, PlainPairWritesOneSourceLinePerView) {
  const Built b = build(ConversionSettings{}, kL, kR);
  EXPECT_THAT(b.paths(), ElementsAre("C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs"));
  EXPECT_THAT(b.at("C:\\v\\clip_L.avs"), ElementsAre("AVISource(\"clip_L.avi\")"));
  EXPECT_THAT(b.at("C:\\v\\clip_R.avs"), ElementsAre("AVISource(\"clip_R.avi\")"));
  EXPECT_THAT(
      b.histogram.lines(),
      ElementsAre("AVISource(\"clip_L.avi\")", "WriteHistogram(\"C:\\v\\Hist_clip_L.txt\",100)",
                  "AVISource(\"clip_R.avi\")", "WriteHistogram(\"C:\\v\\Hist_clip_R.txt\",100)"));
}

struct BadNumberCase {
  const char* offset;
  const char* audio;
  const char* message;
};

class BadNumbers : public ::testing::TestWithParam<BadNumberCase> {};

TEST_P(BadNumbers, StopTheClipBeforeTheHistogramGrows) {
  ConversionSettings s;
  s.Edit_Offset = GetParam().offset;
  s.Edit_Audio_Frames_Cut = GetParam().audio;
  TextFile histogram{"earlier clip"};
  const ClipNames names = deriveClipNames(s, kL, kR, W);
  EXPECT_EQ(
      test::messageOf([&] { ScriptBuilder(W).build(makeClipRecipe(s, names, {}), histogram); }),
      GetParam().message);
  EXPECT_EQ(histogram, TextFile{"earlier clip"});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadNumbers,
    ::testing::Values(BadNumberCase{"x", "0", "'x' is not a valid integer value"},
                      BadNumberCase{"1.5", "0", "'1.5' is not a valid integer value"},
                      BadNumberCase{"2147483648", "0", "'2147483648' is not a valid integer value"},
                      BadNumberCase{"0", "", "'' is not a valid integer value"},
                      BadNumberCase{"", " 3", "' 3' is not a valid integer value"}));

struct OffsetCase {
  const char* text;
  Lines left;
  Lines right;
};

class OffsetText : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(OffsetText, IsReadAsAnIntegerAndWrittenInDecimal) {
  ConversionSettings s;
  s.Edit_Offset = GetParam().text;
  const Built b = build(s, kL, kR);
  Lines left{"AVISource(\"clip_L.avi\")"};
  left.insert(left.end(), GetParam().left.begin(), GetParam().left.end());
  Lines right{"AVISource(\"clip_R.avi\")"};
  right.insert(right.end(), GetParam().right.begin(), GetParam().right.end());
  EXPECT_EQ(b.at("C:\\v\\clip_L.avs"), left);
  EXPECT_EQ(b.at("C:\\v\\clip_R.avs"), right);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OffsetText,
    ::testing::Values(OffsetCase{"", {}, {}}, OffsetCase{"0", {}, {}},
                      OffsetCase{"+2", {"f = Framecount()", "Trim(0,f-3)"}, {"Trim(2,0)"}},
                      OffsetCase{"$A", {"f = Framecount()", "Trim(0,f-11)"}, {"Trim(10,0)"}},
                      OffsetCase{"-2147483648",
                                 {"Trim(2147483648,0)"},
                                 {"g = Framecount()", "Trim(0,g-2147483649)"}},
                      OffsetCase{"2147483647",
                                 {"f = Framecount()", "Trim(0,f-2147483648)"},
                                 {"Trim(2147483647,0)"}}));

TEST(ScriptBuilder, EmptyOffsetShiftsNothing) {
  ConversionSettings s;
  s.Edit_Offset = "";
  EXPECT_THAT(build(s, kL, kR).at("C:\\v\\clip_L.avs"), ElementsAre("AVISource(\"clip_L.avi\")"));
}

struct AudioCase {
  const char* text;
  bool cuts;
};

class AudioCut : public ::testing::TestWithParam<AudioCase> {};

TEST_P(AudioCut, CutsOnlyAboveZeroAndWritesTheTextAsTyped) {
  ConversionSettings s;
  s.Edit_Audio_Frames_Cut = GetParam().text;
  const Lines expected =
      GetParam().cuts ? Lines{"AVISource(\"clip_R.avi\")", "v_tmp=last",
                              std::string("a_tmp=trim(0,FrameCount()-") + GetParam().text + ")",
                              "AudioDub(v_tmp, a_tmp)"}
                      : Lines{"AVISource(\"clip_R.avi\")"};
  EXPECT_EQ(build(s, kL, kR).at("C:\\v\\clip_R.avs"), expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, AudioCut,
                         ::testing::Values(AudioCase{"0", false}, AudioCase{"-4", false},
                                           AudioCase{"3", true}, AudioCase{"+3", true},
                                           AudioCase{"$A", true}));

// The first line of each view as the output scripts hold it.
struct SourceCase {
  const char* title;
  choices::ImportOptions import;
  choices::OutputFormat output;
  bool deinterlace;
  const char* left;
  const char* right;
  const char* leftSource;
  const char* rightSource;
};

class SourceLines : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourceLines, OpenEachViewFromTheScriptsFolder) {
  const auto& c = GetParam();
  ConversionSettings s;
  s.RadioGroup_Import_Options = c.import;
  s.RadioGroup_Output_Format = c.output;
  s.CheckBox_Output_DI = c.deinterlace;
  ClipNames names = deriveClipNames(s, c.left, c.right, W);
  names.leftPictures = {"C:\\p\\L%04d.jpg", 1, 250};
  names.rightPictures = {"D:\\q\\R%03d.jpg", 17, 99};
  TextFile histogram;
  const auto scripts = ScriptBuilder(W).build(makeClipRecipe(s, names, {}), histogram);
  Lines firstLines;
  for (const auto& script : scripts) firstLines.emplace_back(script.lines[0]);
  if (c.output == choices::OutputFormat::SideBySide) {
    // The layout: the left view's first line, then the right view's after "a=last".
    const auto& lines = scripts.back().lines.lines();
    const auto a = std::find(lines.begin(), lines.end(), "a=last");
    ASSERT_NE(a, lines.end());
    EXPECT_EQ(lines[c.deinterlace ? 1 : 0], c.leftSource);
    EXPECT_EQ(*(a + (c.deinterlace ? 2 : 1)), c.rightSource);
  } else {
    EXPECT_EQ(firstLines[firstLines.size() - 2], c.leftSource);
    EXPECT_EQ(firstLines.back(), c.rightSource);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Imports, SourceLines,
    ::testing::Values(
        SourceCase{"AviSeparate", choices::ImportOptions::AviSource,
                   choices::OutputFormat::Separate, false, kL, kR, "AVISource(\"clip_L.avi\")",
                   "AVISource(\"clip_R.avi\")"},
        SourceCase{"DirectShowSeparate", choices::ImportOptions::DirectShowSource,
                   choices::OutputFormat::Separate, false, kL, kR,
                   "DirectShowSource(\"clip_L.avi\")", "DirectShowSource(\"clip_R.avi\")"},
        SourceCase{"PicturesSeparate", choices::ImportOptions::Pictures,
                   choices::OutputFormat::Separate, false, kL, kR,
                   "ImageSource(\"C:\\p\\L%04d.jpg\", 1 , 250 , 25)",
                   "ImageSource(\"D:\\q\\R%03d.jpg\", 17 , 99 , 25)"},
        SourceCase{"DeinterlacedSeparate", choices::ImportOptions::Pictures,
                   choices::OutputFormat::Separate, true, kL, kR, "AVISource(\"DI_clip_L.avi\")",
                   "AVISource(\"DI_clip_R.avi\")"},
        // Separate output puts the right view beside the right file: a bare name.
        SourceCase{"AviApartSeparate", choices::ImportOptions::AviSource,
                   choices::OutputFormat::Separate, false, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "AVISource(\"a_L.avi\")", "AVISource(\"a_R.avi\")"},
        SourceCase{"DeinterlacedApartSeparate", choices::ImportOptions::AviSource,
                   choices::OutputFormat::Separate, true, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "AVISource(\"DI_a_L.avi\")", "AVISource(\"DI_a_R.avi\")"},
        // Any other output reads the right view through the right folder prefix.
        SourceCase{"AviApartSideBySide", choices::ImportOptions::AviSource,
                   choices::OutputFormat::SideBySide, false, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "AVISource(\"a_L.avi\")", "AVISource(\"..\\r\\a_R.avi\")"},
        SourceCase{"DirectShowApartSideBySide", choices::ImportOptions::DirectShowSource,
                   choices::OutputFormat::SideBySide, false, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "DirectShowSource(\"a_L.avi\")", "DirectShowSource(\"..\\r\\a_R.avi\")"},
        SourceCase{"DeinterlacedApartSideBySide", choices::ImportOptions::DirectShowSource,
                   choices::OutputFormat::SideBySide, true, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "AVISource(\"DI_a_L.avi\")", "AVISource(\"..\\r\\DI_a_R.avi\")"},
        SourceCase{"PicturesApartSideBySide", choices::ImportOptions::Pictures,
                   choices::OutputFormat::SideBySide, false, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi",
                   "ImageSource(\"C:\\p\\L%04d.jpg\", 1 , 250 , 25)",
                   "ImageSource(\"D:\\q\\R%03d.jpg\", 17 , 99 , 25)"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ScriptBuilder, SingleFileInputRepeatsTheLeftPictures) {
  ConversionSettings s;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  ClipNames names = deriveClipNames(s, "C:\\p\\img0250.jpg", "C:\\p\\img0250.jpg", W);
  names.leftPictures = {"C:\\p\\img%04d.jpg", 1, 250};
  TextFile histogram;
  const auto scripts = ScriptBuilder(W).build(makeClipRecipe(s, names, {}), histogram);
  const std::string line = "ImageSource(\"C:\\p\\img%04d.jpg\", 1 , 250 , 25)";
  ASSERT_EQ(scripts.size(), 1u);
  const Lines first = scripts[0].lines.lines();
  EXPECT_EQ(std::count(first.begin(), first.end(), line), 2);
  EXPECT_EQ(histogram[2], line);
}

TEST(ScriptBuilder, HistogramCopiesTheLeftViewSoFarAndOpensTheRightFileThroughThePrefix) {
  ConversionSettings s;
  s.Edit_Offset = "2";
  s.CheckBox_Output_DI = true;
  s.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  s.CheckBox_HML = true;
  const Built b = build(s, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi");
  EXPECT_THAT(
      b.histogram.lines(),
      ElementsAre("AVISource(\"DI_a_L.avi\")", "f = Framecount()", "Trim(0,f-3)",
                  "WriteHistogram(\"C:\\l\\Hist_a_L.txt\",100)", "AVISource(\"..\\r\\a_R.avi\")",
                  "WriteHistogram(\"C:\\r\\Hist_a_R.txt\",100)"));
}

TEST(ScriptBuilder, HistogramGrowsClipByClip) {
  ConversionSettings s;
  TextFile histogram;
  ScriptBuilder builder(W);
  builder.build(makeClipRecipe(s, deriveClipNames(s, kL, kR, W), {}), histogram);
  builder.build(makeClipRecipe(s, deriveClipNames(s, "C:\\v\\b_L.avi", "C:\\v\\b_R.avi", W), {}),
                histogram);
  ASSERT_EQ(histogram.size(), 8u);
  EXPECT_EQ(histogram[4], "AVISource(\"b_L.avi\")");
}

struct MatchCase {
  choices::ColourMatch match;
  choices::OutputFormat output;
  const char* left;
  const char* right;
  const char* script;
  Lines expected;
};

class ColourMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ColourMatch, ChangesOneViewTowardsTheOther) {
  ConversionSettings s;
  s.RadioGroup_Colour_Match = GetParam().match;
  s.RadioGroup_Output_Format = GetParam().output;
  EXPECT_EQ(build(s, GetParam().left, GetParam().right).at(GetParam().script), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ColourMatch,
    ::testing::Values(MatchCase{choices::ColourMatch::NoChange,
                                choices::OutputFormat::Separate,
                                kL,
                                kR,
                                "C:\\v\\clip_R.avs",
                                {"AVISource(\"clip_R.avi\")"}},
                      MatchCase{choices::ColourMatch::Left,
                                choices::OutputFormat::Separate,
                                kL,
                                kR,
                                "C:\\v\\clip_R.avs",
                                {"AVISource(\"clip_R.avi\")",
                                 "colourlike(\"Hist_clip_R.txt\", \"Hist_clip_L.txt\")"}},
                      MatchCase{choices::ColourMatch::Right,
                                choices::OutputFormat::Separate,
                                kL,
                                kR,
                                "C:\\v\\clip_L.avs",
                                {"AVISource(\"clip_L.avi\")",
                                 "colourlike(\"Hist_clip_L.txt\", \"Hist_clip_R.txt\")"}},
                      MatchCase{choices::ColourMatch::Right,
                                choices::OutputFormat::Mono,
                                "C:\\l\\a_L.avi",
                                "C:\\r\\a_R.avi",
                                "C:\\l\\a_L.avs",
                                {"AVISource(\"a_L.avi\")",
                                 "colourlike(\"Hist_a_L.txt\", \"..\\r\\Hist_a_R.txt\")"}},
                      // The right output script lies beside the right file, so the histograms are
                      // named from there.
                      MatchCase{choices::ColourMatch::Left,
                                choices::OutputFormat::Separate,
                                "C:\\l\\a_L.avi",
                                "C:\\r\\a_R.avi",
                                "C:\\r\\a_R.avs",
                                {"AVISource(\"a_R.avi\")",
                                 "colourlike(\"Hist_a_R.txt\", \"..\\l\\Hist_a_L.txt\")"}}));

// Which view goes under which name.
struct WritingCase {
  const char* title;
  choices::InputFormat input;
  choices::OutputFormat output;
  bool reverse;
  bool deshake;
  std::vector<std::pair<std::string, std::string>> written;  // path, its mirror line
};

class Writing : public ::testing::TestWithParam<WritingCase> {};

TEST_P(Writing, PutsEachViewUnderItsName) {
  const auto& c = GetParam();
  ConversionSettings s;
  s.RadioGroup_Input_Format = c.input;
  s.RadioGroup_Output_Format = c.output;
  s.CheckBox_Reverse_LR = c.reverse;
  s.CheckBox_Deshake = c.deshake;
  // Mirroring tells the views apart.
  s.CheckBox_HML = true;
  s.CheckBox_VMR = true;
  const bool single = c.input != choices::InputFormat::Separate;
  const Built b = build(s, single ? "C:\\v\\clip.avi" : kL, single ? "C:\\v\\clip.avi" : kR);
  std::vector<std::pair<std::string, std::string>> written;
  for (const auto& script : b.scripts) {
    const auto& lines = script.lines.lines();
    const bool left = std::find(lines.begin(), lines.end(), "FlipHorizontal()") != lines.end();
    const bool right = std::find(lines.begin(), lines.end(), "FlipVertical()") != lines.end();
    written.emplace_back(script.path, left && right ? "both" : left ? "left" : "right");
  }
  EXPECT_EQ(written, c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Writing,
    ::testing::Values(WritingCase{"Separate",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Separate,
                                  false,
                                  false,
                                  {{"C:\\v\\clip_L.avs", "left"}, {"C:\\v\\clip_R.avs", "right"}}},
                      WritingCase{"SeparateReverse",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Separate,
                                  true,
                                  false,
                                  {{"C:\\v\\clip_L.avs", "right"}, {"C:\\v\\clip_R.avs", "left"}}},
                      WritingCase{"Mono",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Mono,
                                  false,
                                  false,
                                  {{"C:\\v\\clip_L.avs", "left"}}},
                      WritingCase{"MonoReverse",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Mono,
                                  true,
                                  false,
                                  {{"C:\\v\\clip_L.avs", "right"}}},
                      WritingCase{"SideBySide",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::SideBySide,
                                  false,
                                  true,
                                  {{"C:\\v\\clip_LR.avs", "both"}}},
                      WritingCase{"OverUnder",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::OverUnder,
                                  true,
                                  true,
                                  {{"C:\\v\\clip_OU.avs", "both"}}},
                      WritingCase{"Interlaced",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Interlaced,
                                  false,
                                  false,
                                  {{"C:\\v\\clip_OU.avs", "both"}}},
                      WritingCase{"SeparateDeshake",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Separate,
                                  false,
                                  true,
                                  {{"C:\\v\\Deshake_1_clip_L.avs", "left"},
                                   {"C:\\v\\Deshake_2_clip_L.avs", "left"},
                                   {"C:\\v\\Deshake_1_clip_R.avs", "right"},
                                   {"C:\\v\\Deshake_2_clip_R.avs", "right"}}},
                      WritingCase{"SeparateDeshakeReverse",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Separate,
                                  true,
                                  true,
                                  {{"C:\\v\\Deshake_1_clip_R.avs", "left"},
                                   {"C:\\v\\Deshake_2_clip_R.avs", "left"},
                                   {"C:\\v\\Deshake_1_clip_L.avs", "right"},
                                   {"C:\\v\\Deshake_2_clip_L.avs", "right"}}},
                      // A mono input has one view under both names: Reverse swaps neither pair, so
                      // each keeps a name of its own and the batch file and job lists find both.
                      WritingCase{"MonoInputSeparateDeshakeReverse",
                                  choices::InputFormat::Mono,
                                  choices::OutputFormat::Separate,
                                  true,
                                  true,
                                  {{"C:\\v\\Deshake_1_clip_L.avs", "left"},
                                   {"C:\\v\\Deshake_2_clip_L.avs", "left"},
                                   {"C:\\v\\Deshake_1_clip_R.avs", "right"},
                                   {"C:\\v\\Deshake_2_clip_R.avs", "right"}}},
                      WritingCase{"MonoDeshake",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Mono,
                                  false,
                                  true,
                                  {{"C:\\v\\Deshake_1_clip_L.avs", "left"},
                                   {"C:\\v\\Deshake_2_clip_L.avs", "left"}}},
                      WritingCase{"MonoDeshakeReverse",
                                  choices::InputFormat::SideBySide,
                                  choices::OutputFormat::Mono,
                                  true,
                                  true,
                                  {{"C:\\v\\Deshake_1_clip.avs", "left"},
                                   {"C:\\v\\Deshake_2_clip.avs", "left"}}},
                      WritingCase{"NoOutputFormat",
                                  choices::InputFormat::Separate,
                                  choices::OutputFormat::Unset,
                                  false,
                                  false,
                                  {}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ScriptBuilder, DeshakerPassesEndInThePluginLinesAndTheColour) {
  ConversionSettings s;
  s.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  s.CheckBox_Deshake = true;
  s.ComboBox_Colour = choices::Colour::RGB32;
  s.RadioGroup_FrameRates = choices::FrameRates::Pal;
  const Built b = build(s, "C:\\v\\clip-l.avi", "C:\\v\\clip-r.avi");
  const std::string head = "LoadVirtualDubPlugin (\" \", \"deshaker\", preroll=0)";
  const std::string tail =
      "C:\\v\\Deshaker.log|0|0|0|0|0|0|0|0|0|0|0|0|0|1|15|15|5|15|1|1|30|30|0|0|1|0|1|0|1|10|"
      "1000|1|64|0|0|20|5000|100|20|1\")";
  EXPECT_THAT(b.at("C:\\v\\Deshake_1_clip-l.avs"),
              ElementsAre("AVISource(\"clip-l.avi\")", "AssumeFPS(25000, 1000, true)",
                          "ConvertToRGB32", head,
                          "deshaker(\"18|1|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|"
                          "30|300|4|" +
                              tail,
                          "ConvertToRGB32"));
  EXPECT_THAT(b.at("C:\\v\\Deshake_2_clip-l.avs"),
              ElementsAre("AVISource(\"clip-l.avi\")", "AssumeFPS(25000, 1000, true)",
                          "ConvertToRGB32", head,
                          "deshaker(\"18|2|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|"
                          "30|300|4|" +
                              tail,
                          "ConvertToRGB32"));
}

TEST(ScriptBuilder, DeshakerLogStaysInTheLeftFolder) {
  ConversionSettings s;
  s.CheckBox_Deshake = true;
  s.DeshakePart1a = "\"a|";
  s.DeshakePart1b = "\"b|";
  s.DeshakePart2 = "|z\"";
  const Built b = build(s, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi");
  EXPECT_THAT(b.paths(), ElementsAre("C:\\l\\Deshake_1_a_L.avs", "C:\\l\\Deshake_2_a_L.avs",
                                     "C:\\r\\Deshake_1_a_R.avs", "C:\\r\\Deshake_2_a_R.avs"));
  EXPECT_EQ(b.at("C:\\r\\Deshake_2_a_R.avs").back(), "deshaker(\"b|C:\\l\\Deshaker.log|z\")");
}

TEST(ScriptBuilder, LayoutsAssembleTheViewsAndEndInTheRateTailAndColour) {
  ConversionSettings s;
  s.RadioGroup_Output_Format = choices::OutputFormat::Interlaced;
  s.RadioGroup_Repeat = choices::Repeat::Repeat2;
  s.ComboBox_Colour = choices::Colour::YUY2;
  s.CheckBox_Output_DI = true;
  const Built b = build(s, kL, kR);
  EXPECT_THAT(b.paths(),
              ElementsAre("C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs", "C:\\v\\clip_OU.avs"));
  EXPECT_THAT(
      b.at("C:\\v\\clip_OU.avs"),
      ElementsAre("a=AVISource(\"DI_clip_L.avi\")", "AVISource(\"DI_clip_L.avi\")", "a=last",
                  "b=AVISource(\"DI_clip_R.avi\")", "AVISource(\"DI_clip_R.avi\")", "b=last",
                  "Interleave(b,a)", "AssumeFieldBased()", "Weave()", "Frn=FrameRateNumerator()",
                  "Frd=FrameRateDenominator()", "SelectEvery(1,0,0)", "AssumeFPS(Frn, FRd, true)",
                  "ConvertToYUY2"));
}

struct StackCase {
  choices::OutputFormat output;
  bool reverse;
  Lines end;
};

class Stacking : public ::testing::TestWithParam<StackCase> {};

TEST_P(Stacking, FollowsTheReverseSwitch) {
  ConversionSettings s;
  s.RadioGroup_Output_Format = GetParam().output;
  s.CheckBox_Reverse_LR = GetParam().reverse;
  const Lines lines = build(s, kL, kR).scripts.back().lines.lines();
  const Lines end(lines.begin() + 4, lines.end());
  EXPECT_EQ(end, GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Stacking,
    ::testing::Values(StackCase{choices::OutputFormat::SideBySide, false, {"StackHorizontal(a,b)"}},
                      StackCase{choices::OutputFormat::SideBySide, true, {"StackHorizontal(b,a)"}},
                      StackCase{choices::OutputFormat::OverUnder, false, {"StackVertical(a,b)"}},
                      StackCase{choices::OutputFormat::OverUnder, true, {"StackVertical(b,a)"}},
                      StackCase{choices::OutputFormat::Interlaced,
                                false,
                                {"Interleave(b,a)", "AssumeFieldBased()", "Weave()"}},
                      StackCase{choices::OutputFormat::Interlaced,
                                true,
                                {"Interleave(a,b)", "AssumeFieldBased()", "Weave()"}}));

// ---- Mends ----

// A deinterlaced view opens an intermediate whose fields, size and split are done already.
TEST(ScriptBuilderMend, DeinterlacedViewsAreNotProcessedTwice) {
  ConversionSettings s;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  s.CheckBox_Output_DI = true;
  s.CheckBox_Input_SF = true;
  s.CheckBox_Input_HW = true;
  s.CheckBox_HML = true;
  const Built b = build(s, "C:\\v\\clip.avi", "C:\\v\\clip.avi");
  EXPECT_THAT(b.paths(), ElementsAre("C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs",
                                     "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs"));
  EXPECT_THAT(
      b.at("C:\\v\\DI_clip_L.avs"),
      ElementsAre("AVISource(\"clip.avi\")", "AssumeFieldBased()", "Weave()", "SwapFields()",
                  "ClipWidth = Width()", "ClipHeight = Height()", "K_Width = 4", "K_Height = 2",
                  "Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)",
                  "ClipWidth = Width()", "Crop (0,0,-ClipWidth/2,-0)"));
  EXPECT_THAT(
      b.at("C:\\v\\DI_clip_R.avs"),
      ElementsAre("AVISource(\"clip.avi\")", "AssumeFieldBased()", "Weave()", "SwapFields()",
                  "ClipWidth = Width()", "ClipHeight = Height()", "K_Width = 4", "K_Height = 2",
                  "Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)",
                  "ClipWidth = Width()", "Crop (ClipWidth/2,0,-0,-0)"));
  EXPECT_THAT(b.at("C:\\v\\clip_L.avs"),
              ElementsAre("AVISource(\"DI_clip_L.avi\")", "FlipHorizontal()"));
  EXPECT_THAT(b.at("C:\\v\\clip_R.avs"), ElementsAre("AVISource(\"DI_clip_R.avi\")"));
}

TEST(ScriptBuilderMend, WithoutDeinterlacingTheViewsDoTheirOwnFieldsSizeAndSplit) {
  ConversionSettings s;
  s.RadioGroup_Input_Format = choices::InputFormat::OverUnder;
  s.CheckBox_Output_SF = true;
  s.CheckBox_Output_HH = true;
  const Built b = build(s, "C:\\v\\clip.avi", "C:\\v\\clip.avi");
  EXPECT_THAT(
      b.at("C:\\v\\clip_R.avs"),
      ElementsAre("AVISource(\"clip.avi\")", "AssumeTFF()", "SeparateFields()",
                  "ClipWidth = Width()", "ClipHeight = Height()", "K_Width = 2", "K_Height = 1",
                  "Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)",
                  "ClipHeight = Height()", "Crop (0,Height/2,-0,-0)"));
}

// One file that holds both views gets a deinterlace script and intermediate per view.
TEST(ScriptBuilderMend, SingleFileViewsDeinterlaceIntoTheirOwnIntermediates) {
  ConversionSettings s;
  s.RadioGroup_Input_Format = choices::InputFormat::OverUnder;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  s.CheckBox_Output_DI = true;
  const Built b = build(s, "C:\\v\\clip.avi", "C:\\v\\clip.avi");
  EXPECT_THAT(b.paths(),
              ElementsAre("C:\\v\\DI_clip_L.avs", "C:\\v\\DI_clip_R.avs", "C:\\v\\clip_LR.avs"));
  EXPECT_THAT(b.at("C:\\v\\clip_LR.avs"),
              ElementsAre("AVISource(\"DI_clip_L.avi\")", "AVISource(\"DI_clip_L.avi\")", "a=last",
                          "AVISource(\"DI_clip_R.avi\")", "AVISource(\"DI_clip_R.avi\")", "b=last",
                          "StackHorizontal(a,b)"));
}

TEST(ScriptBuilderMend, DistinctFilesKeepTheirDeinterlaceNames) {
  ConversionSettings s;
  s.CheckBox_Output_DI = true;
  const Built b = build(s, "C:\\v\\clip-l.avi", "C:\\v\\clip-r.avi");
  EXPECT_THAT(b.paths(), ElementsAre("C:\\v\\DI_clip-l.avs", "C:\\v\\DI_clip-r.avs",
                                     "C:\\v\\clip_L.avs", "C:\\v\\clip_R.avs"));
  EXPECT_THAT(b.at("C:\\v\\clip_R.avs"), ElementsAre("AVISource(\"DI_clip-r.avi\")"));
}

// Each written script sets every variable before reading it.
struct VariableCase {
  const char* title;
  choices::OutputFormat output;
  choices::BlendTimeLapse mode;
  bool rightSound;
  bool reverse;
  const char* script;
  Lines expected;
};

class VariablesSetBeforeUse : public ::testing::TestWithParam<VariableCase> {};

TEST_P(VariablesSetBeforeUse, InEveryWrittenScript) {
  const auto& c = GetParam();
  ConversionSettings s;
  s.RadioGroup_Output_Format = c.output;
  s.RadioGroup_Blend_TL = c.mode;
  s.CheckBox_Blend_RightSound = c.rightSound;
  s.CheckBox_Reverse_LR = c.reverse;
  EXPECT_EQ(build(s, kL, kR).at(c.script), c.expected);
}

const char* const kTl1 = "c1=selectevery(last, 2, 0)";
const char* const kTl2 = "c2=selectevery(last, 2, 1)";
const char* const kTl3 = "Overlay(c1, c2, mode=\"blend\", opacity=0.5)";
const char* const kBl1 = "c01=Trim(last, 0, 0)";
const char* const kBl2 = "c02=Trim(last, 1, 0)";
const char* const kBl3 = "Overlay(c01, c02, mode=\"blend\", opacity=0.5)";

INSTANTIATE_TEST_SUITE_P(
    Scripts, VariablesSetBeforeUse,
    ::testing::Values(
        VariableCase{
            "RightScriptTimeLapse",
            choices::OutputFormat::Separate,
            choices::BlendTimeLapse::TimeLapse,
            false,
            false,
            "C:\\v\\clip_R.avs",
            {"AVISource(\"clip_R.avi\")", "fr = FrameRate()", kTl1, kTl2, kTl3, "fn = FrameCount()",
             "AssumeFPS(fr)", "ar=last", "AudioDubEx (last,ar)", "Trim(1, fn)"}},
        // Reverse writes the right view alone under the left name.
        VariableCase{
            "ReversedRightViewBlend",
            choices::OutputFormat::Separate,
            choices::BlendTimeLapse::Blend,
            false,
            true,
            "C:\\v\\clip_L.avs",
            {"AVISource(\"clip_R.avi\")", kBl1, kBl2, "ar=c01", kBl3, "AudioDub (last,ar)"}},
        VariableCase{
            "MonoReversedTimeLapse",
            choices::OutputFormat::Mono,
            choices::BlendTimeLapse::TimeLapse,
            true,
            true,
            "C:\\v\\clip_L.avs",
            {"AVISource(\"clip_R.avi\")", "fr = FrameRate()", kTl1, kTl2, kTl3, "fn = FrameCount()",
             "AssumeFPS(fr)", "ar=last", "AudioDubEx (last,ar)", "Trim(1, fn)"}},
        // "Use R audio" where the left view stands alone or first: the right clip is opened for
        // its sound before the left view's lines.
        VariableCase{
            "LeftScriptWithRightSound",
            choices::OutputFormat::Separate,
            choices::BlendTimeLapse::Blend,
            true,
            false,
            "C:\\v\\clip_L.avs",
            {"AVISource(\"clip_R.avi\")", kBl1, kBl2, "ar=c01", "AVISource(\"clip_L.avi\")", kBl1,
             kBl2, "al=c01", kBl3, "AudioDub (last,ar)"}},
        VariableCase{"MonoTimeLapseWithRightSound",
                     choices::OutputFormat::Mono,
                     choices::BlendTimeLapse::TimeLapse,
                     true,
                     false,
                     "C:\\v\\clip_L.avs",
                     {"AVISource(\"clip_R.avi\")", "fr = FrameRate()", kTl1, kTl2, kTl3,
                      "fn = FrameCount()", "AssumeFPS(fr)", "ar=last", "AVISource(\"clip_L.avi\")",
                      "fr = FrameRate()", kTl1, kTl2, kTl3, "fn = FrameCount()", "AssumeFPS(fr)",
                      "al=last", "AudioDubEx (last,ar)", "Trim(1, fn)"}},
        VariableCase{
            "LayoutWithRightSound",
            choices::OutputFormat::SideBySide,
            choices::BlendTimeLapse::Blend,
            true,
            false,
            "C:\\v\\clip_LR.avs",
            {"AVISource(\"clip_R.avi\")", kBl1, kBl2, "ar=c01", "AVISource(\"clip_L.avi\")", kBl1,
             kBl2, "al=c01", kBl3, "AudioDub (last,ar)", "a=last", "AVISource(\"clip_R.avi\")",
             kBl1, kBl2, "ar=c01", kBl3, "AudioDub (last,ar)", "b=last", "StackHorizontal(a,b)"}},
        // Where the left view comes first, every name is set and the lines stay as they are.
        VariableCase{"LayoutTimeLapse",
                     choices::OutputFormat::OverUnder,
                     choices::BlendTimeLapse::TimeLapse,
                     false,
                     false,
                     "C:\\v\\clip_OU.avs",
                     {"AVISource(\"clip_L.avi\")",
                      "fr = FrameRate()",
                      kTl1,
                      kTl2,
                      kTl3,
                      "fn = FrameCount()",
                      "AssumeFPS(fr)",
                      "al=last",
                      "AudioDubEx (last,al)",
                      "Trim(1, fn)",
                      "a=last",
                      "AVISource(\"clip_R.avi\")",
                      kTl1,
                      kTl2,
                      kTl3,
                      "AssumeFPS(fr)",
                      "ar=last",
                      "AudioDubEx (last,al)",
                      "Trim(1, fn)",
                      "b=last",
                      "StackVertical(a,b)"}}),
    [](const auto& info) { return std::string(info.param.title); });

// Names resolve against the folder of the script that holds them.
TEST(ScriptBuilderMend, ReversedViewsNameTheirFilesFromTheOtherFolder) {
  ConversionSettings s;
  s.CheckBox_Reverse_LR = true;
  s.RadioGroup_Colour_Match = choices::ColourMatch::Right;
  const Built b = build(s, "C:\\shoot\\left\\a_L.avi", "C:\\shoot\\right\\a_R.avi");
  EXPECT_THAT(b.at("C:\\shoot\\left\\a_L.avs"), ElementsAre("AVISource(\"..\\right\\a_R.avi\")"));
  EXPECT_THAT(b.at("C:\\shoot\\right\\a_R.avs"),
              ElementsAre("AVISource(\"..\\left\\a_L.avi\")",
                          "colourlike(\"..\\left\\Hist_a_L.txt\", \"Hist_a_R.txt\")"));
}

TEST(ScriptBuilderMend, ReversedDeshakerPassesNameTheirFilesFromTheirOwnFolder) {
  ConversionSettings s;
  s.CheckBox_Reverse_LR = true;
  s.CheckBox_Deshake = true;
  s.CheckBox_Output_DI = true;
  const Built b = build(s, "C:\\l\\a_L.avi", "D:\\r\\a_R.avi");
  EXPECT_EQ(b.at("C:\\l\\Deshake_1_a_L.avs")[0], "AVISource(\"D:\\r\\DI_a_R.avi\")");
  EXPECT_EQ(b.at("D:\\r\\Deshake_2_a_R.avs")[0], "AVISource(\"C:\\l\\DI_a_L.avi\")");
}

TEST(ScriptBuilderMend, LayoutOpensTheRightIntermediateThroughThePrefix) {
  ConversionSettings s;
  s.RadioGroup_Output_Format = choices::OutputFormat::OverUnder;
  s.CheckBox_Output_DI = true;
  const Built b = build(s, "C:\\l\\a_L.avi", "C:\\r\\a_R.avi");
  EXPECT_THAT(b.at("C:\\l\\a_OU.avs"),
              ElementsAre("a=AVISource(\"DI_a_L.avi\")", "AVISource(\"DI_a_L.avi\")", "a=last",
                          "b=AVISource(\"..\\r\\DI_a_R.avi\")", "AVISource(\"..\\r\\DI_a_R.avi\")",
                          "b=last", "StackVertical(a,b)"));
}

// A marker in the folder name moves the layout script into the folder without it.
TEST(ScriptBuilderMend, LayoutInTheStemFolderNamesTheInputsFromThere) {
  ConversionSettings s;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  const Built b = build(s, "C:\\day_L.1\\a_L.avi", "C:\\day_L.1\\a_R.avi");
  EXPECT_THAT(b.at("C:\\day.1\\a_LR.avs"),
              ElementsAre("AVISource(\"..\\day_L.1\\a_L.avi\")", "a=last",
                          "AVISource(\"..\\day_L.1\\a_R.avi\")", "b=last", "StackHorizontal(a,b)"));
}

TEST(ScriptBuilderMend, SharedFolderKeepsEveryNameBare) {
  ConversionSettings s;
  s.CheckBox_Reverse_LR = true;
  s.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  const Built b = build(s, "C:\\V\\a_L.avi", "c:\\v\\a_R.avi");
  EXPECT_THAT(
      b.at("C:\\V\\a_L.avs"),
      ElementsAre("AVISource(\"a_R.avi\")", "colourlike(\"Hist_a_R.txt\", \"Hist_a_L.txt\")"));
  EXPECT_THAT(b.at("c:\\v\\a_R.avs"), ElementsAre("AVISource(\"a_L.avi\")"));
}

}  // namespace
}  // namespace twinlens
