#include "engines/avisynth/FfmpegBatch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/TextFiles.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

constexpr auto W = PathStyle::Windows;

ConversionSettings separateOutput() {
  ConversionSettings settings;
  settings.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  settings.Edit_coding_presets = "-c:v libx264 -crf 18";
  settings.Edit_Video_Extension = ".mp4";
  return settings;
}

// The commands of one clip with both views in C:\v.
std::vector<std::string> commandsOf(const ConversionSettings& settings) {
  FfmpegBatch batch(settings, W);
  batch.addClip("C:\\v\\trip_L.avs", "C:\\v\\trip_R.avs", "");
  const auto lines = batch.finish("Hist_trip-l.avs").lines();
  return {lines.begin() + 2, lines.end()};
}

struct ProgramCase {
  const char* location;
  const char* program;
};

class FfmpegProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(FfmpegProgram, EveryCommandStartsWithTheQuotedProgram) {
  auto settings = separateOutput();
  settings.FfmpegLocation = GetParam().location;
  settings.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  FfmpegBatch batch(settings, W);
  batch.addClip("C:\\v\\trip_L.avs", "C:\\v\\trip_R.avs", "");
  const TextFile text = batch.finish("Hist_trip-l.avs");
  const std::string program = std::string("\"") + GetParam().program + "\" -i ";
  EXPECT_EQ(text[3], program + "\"Hist_trip-l.avs\" -f null /dev/null");
  EXPECT_EQ(text[6], program + "\"trip_L.avs\" -c:v libx264 -crf 18 \"trip_L.mp4\"");
  EXPECT_EQ(text[7], program + "\"trip_R.avs\" -c:v libx264 -crf 18 \"trip_R.mp4\"");
}

INSTANTIATE_TEST_SUITE_P(
    Locations, FfmpegProgram,
    ::testing::Values(ProgramCase{"", "ffmpeg.exe"}, ProgramCase{" ", "ffmpeg.exe"},
                      ProgramCase{"  ", "  "},
                      ProgramCase{"C:\\Program Files\\ffmpeg\\bin\\ffmpeg.exe",
                                  "C:\\Program Files\\ffmpeg\\bin\\ffmpeg.exe"},
                      ProgramCase{"D:\\100%\\ffmpeg.exe", "D:\\100%%\\ffmpeg.exe"}));

struct ExtensionCase {
  const char* extension;
  const char* output;
};

class FfmpegOutputName : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(FfmpegOutputName, ReplacesTheScriptExtensionWithTheTextAsTyped) {
  auto settings = separateOutput();
  settings.Edit_Video_Extension = GetParam().extension;
  const auto commands = commandsOf(settings);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0], std::string("\"ffmpeg.exe\" -i \"trip_L.avs\" -c:v libx264 -crf 18 \"") +
                             GetParam().output + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, FfmpegOutputName,
    ::testing::Values(ExtensionCase{".mp4", "trip_L.mp4"},
                      ExtensionCase{".jpg", "ImgSeq_%%07d_trip_L.jpg"},
                      ExtensionCase{".PNG", "ImgSeq_%%07d_trip_L.PNG"},
                      ExtensionCase{".Jpg", "ImgSeq_%%07d_trip_L.Jpg"},
                      ExtensionCase{".bMp", "ImgSeq_%%07d_trip_L.bMp"},
                      ExtensionCase{".jpeg", "trip_L.jpeg"}, ExtensionCase{".tif", "trip_L.tif"},
                      ExtensionCase{".png ", "trip_L.png "}, ExtensionCase{"png", "trip_Lpng"},
                      ExtensionCase{"mp4", "trip_Lmp4"}, ExtensionCase{"", "trip_L"}));

TEST(FfmpegBatch, EmptyParametersLeaveTwoBlanksBetweenTheNames) {
  auto settings = separateOutput();
  settings.Edit_coding_presets = "";
  EXPECT_EQ(commandsOf(settings)[0], "\"ffmpeg.exe\" -i \"trip_L.avs\"  \"trip_L.mp4\"");
}

// The options are the words ffmpeg receives: plain words stand as typed, the others are quoted
// for cmd.exe with their percent signs doubled, and blanks between them are one.
TEST(FfmpegBatch, ParametersGoInAsTheWordsTheyStandFor) {
  auto settings = separateOutput();
  settings.Edit_coding_presets = " -vf \"scale=1280:-2\"  -an %X -metadata title=\"A & B\" ";
  EXPECT_EQ(commandsOf(settings)[0],
            "\"ffmpeg.exe\" -i \"trip_L.avs\" -vf scale=1280:-2 -an \"%%X\" -metadata "
            "\"title=A & B\" \"trip_L.mp4\"");
}

struct LayoutCase {
  choices::OutputFormat format;
  const char* primary;
  std::vector<std::string> commands;
};

class FfmpegLayoutWithDeshake : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(FfmpegLayoutWithDeshake, OnlySeparateAndMonoOutputRunTheDeshakerPasses) {
  auto settings = separateOutput();
  settings.CheckBox_Deshake = true;
  settings.RadioGroup_Output_Format = GetParam().format;
  FfmpegBatch batch(settings, W);
  batch.addClip(GetParam().primary, "C:\\v\\trip_R.avs", "");
  const auto lines = batch.finish("Hist_trip-l.avs").lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), GetParam().commands);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FfmpegLayoutWithDeshake,
    ::testing::Values(
        LayoutCase{choices::OutputFormat::SideBySide,
                   "C:\\v\\trip_LR.avs",
                   {"\"ffmpeg.exe\" -i \"trip_LR.avs\" -c:v libx264 -crf 18 \"trip_LR.mp4\""}},
        LayoutCase{choices::OutputFormat::OverUnder,
                   "C:\\v\\trip_OU.avs",
                   {"\"ffmpeg.exe\" -i \"trip_OU.avs\" -c:v libx264 -crf 18 \"trip_OU.mp4\""}},
        LayoutCase{choices::OutputFormat::Interlaced,
                   "C:\\v\\trip_OU.avs",
                   {"\"ffmpeg.exe\" -i \"trip_OU.avs\" -c:v libx264 -crf 18 \"trip_OU.mp4\""}},
        LayoutCase{choices::OutputFormat::Mono,
                   "C:\\v\\trip-l.avs",
                   {"\"ffmpeg.exe\" -i \"Deshake_1_trip-l.avs\" -f null /dev/null",
                    "\"ffmpeg.exe\" -i \"Deshake_2_trip-l.avs\" -c:v libx264 -crf 18 "
                    "\"trip-l.mp4\""}}));

TEST(FfmpegBatch, RightOutputScriptGoesThroughTheRightFolderPrefix) {
  auto settings = separateOutput();
  FfmpegBatch batch(settings, W);
  batch.addClip("C:\\l\\clip_L.avs", "C:\\r\\clip_R.avs", "..\\r\\");
  EXPECT_EQ(batch.finish("Hist_clip_L.avs").lines(),
            (std::vector<std::string>{
                "@echo off",
                "REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!",
                "\"ffmpeg.exe\" -i \"clip_L.avs\" -c:v libx264 -crf 18 \"clip_L.mp4\"",
                "\"ffmpeg.exe\" -i \"..\\r\\clip_R.avs\" -c:v libx264 -crf 18 \"clip_R.mp4\""}));
}

struct ReversedMonoCase {
  choices::InputFormat inputFormat;
  bool reverse;
  const char* folder;
};

class FfmpegReversedMono : public ::testing::TestWithParam<ReversedMonoCase> {};

TEST_P(FfmpegReversedMono, PassScriptsAreFoundWhereTheViewWroteThem) {
  auto settings = separateOutput();
  settings.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  settings.RadioGroup_Input_Format = GetParam().inputFormat;
  settings.CheckBox_Reverse_LR = GetParam().reverse;
  settings.CheckBox_Deshake = true;
  FfmpegBatch batch(settings, W);
  batch.addClip("C:\\l\\clip.avs", "C:\\r\\clip.avs", "..\\r\\");
  const std::string folder = GetParam().folder;
  EXPECT_EQ(batch.finish("Hist_clip.avs").lines(),
            (std::vector<std::string>{
                "@echo off",
                "REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!",
                "\"ffmpeg.exe\" -i \"" + folder + "Deshake_1_clip.avs\" -f null /dev/null",
                "\"ffmpeg.exe\" -i \"" + folder +
                    "Deshake_2_clip.avs\" -c:v libx264 -crf 18 \"clip.mp4\""}));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FfmpegReversedMono,
    ::testing::Values(ReversedMonoCase{choices::InputFormat::Separate, false, ""},
                      ReversedMonoCase{choices::InputFormat::Separate, true, "..\\r\\"},
                      ReversedMonoCase{choices::InputFormat::SideBySide, true, "..\\r\\"},
                      ReversedMonoCase{choices::InputFormat::Mono, true, ""}));

TEST(FfmpegBatch, PercentSignsInFileNamesAreDoubledForTheCommandInterpreter) {
  auto settings = separateOutput();
  FfmpegBatch batch(settings, W);
  batch.addClip("C:\\v\\50%off_L.avs", "C:\\v%1\\50%off_R.avs", "..\\v%1\\");
  const TextFile text = batch.finish("Hist_50%off-l.avs");
  EXPECT_EQ(text[2], "\"ffmpeg.exe\" -i \"50%%off_L.avs\" -c:v libx264 -crf 18 \"50%%off_L.mp4\"");
  EXPECT_EQ(text[3],
            "\"ffmpeg.exe\" -i \"..\\v%%1\\50%%off_R.avs\" -c:v libx264 -crf 18 "
            "\"50%%off_R.mp4\"");
}

TEST(FfmpegBatch, ColourMatchingRunsTheHistogramScriptBeforeAnyEncoding) {
  for (auto match :
       {choices::ColourMatch::NoChange, choices::ColourMatch::Left, choices::ColourMatch::Right}) {
    auto settings = separateOutput();
    settings.RadioGroup_Colour_Match = match;
    FfmpegBatch batch(settings, W);
    batch.addClip("C:\\v\\a_L.avs", "C:\\v\\a_R.avs", "");
    batch.addClip("C:\\v\\b_L.avs", "C:\\v\\b_R.avs", "");
    const TextFile text = batch.finish("Hist_b-l.avs");
    const bool matches = match != choices::ColourMatch::NoChange;
    const std::size_t header = matches ? 6 : 2;
    ASSERT_EQ(text.size(), header + 4) << "match " << choices::itemIndex(match);
    EXPECT_EQ(text[header], "\"ffmpeg.exe\" -i \"a_L.avs\" -c:v libx264 -crf 18 \"a_L.mp4\"");
    if (matches) {
      EXPECT_EQ(text[2], "REM First create histogram txt files");
      EXPECT_EQ(text[3], "\"ffmpeg.exe\" -i \"Hist_b-l.avs\" -f null /dev/null");
      EXPECT_EQ(text[4], "REM ");
      EXPECT_EQ(text[5], "REM Then create video files");
    }
  }
}

TEST(FfmpegBatch, PosixPathsAreNamedByTheirFileNames) {
  auto settings = separateOutput();
  FfmpegBatch batch(settings, PathStyle::Posix);
  batch.addClip("/home/me/v.d/trip_L.avs", "/home/me/r/trip_R.avs", "../r/");
  const TextFile text = batch.finish("Hist_trip-l.avs");
  EXPECT_EQ(text[2], "\"ffmpeg.exe\" -i \"trip_L.avs\" -c:v libx264 -crf 18 \"trip_L.mp4\"");
  EXPECT_EQ(text[3], "\"ffmpeg.exe\" -i \"../r/trip_R.avs\" -c:v libx264 -crf 18 \"trip_R.mp4\"");
}

// Two deshaked separate-output clips, the second one's right view in another folder, with a
// chosen ffmpeg and colour matching: the whole file, byte for byte.
TEST(FfmpegBatch, GoldenDeshakedSeparateOutputWithColourMatch) {
  auto settings = separateOutput();
  settings.CheckBox_Deshake = true;
  settings.RadioGroup_Colour_Match = choices::ColourMatch::Right;
  settings.FfmpegLocation = "C:\\Program Files\\ffmpeg\\bin\\ffmpeg.exe";
  FfmpegBatch batch(settings, W);
  batch.addClip("D:\\trip\\trip_L.avs", "D:\\trip\\trip_R.avs", "");
  batch.addClip("D:\\trip\\day 2_L.avs", "D:\\trip\\right\\day 2_R.avs", "right\\");

  test::TempDir dir;
  const std::string path = dir.file("trip_L.bat");
  platform::saveTextFile(batch.finish("Hist_day 2-l.avs"), path);
  const std::filesystem::path golden =
      std::filesystem::path(TWINLENS_GOLDEN_DIR) / "ffmpeg_deshake_two_clips" / "expected.bat";
  const std::string expected = test::readBytes(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  EXPECT_EQ(test::readBytes(path), expected);
}

}  // namespace
}  // namespace twinlens
