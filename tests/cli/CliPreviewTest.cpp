// twinlens-cli preview on frame-coded clips (every frame shows its number; the right camera's in
// other colours): the preview's picture against the same frame of a lossless encode of the same
// conversion, over a table of layouts and options; the check modes on a misaligned pair; and
// what cannot be shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "CliOutcome.h"
#include "base/Error.h"
#include "media/FfprobeMediaProbe.h"
#include "platform/ProgramOutput.h"
#include "run/FramePreview.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::TempDir;

void ffmpeg(std::vector<std::string> args) {
  args.insert(args.begin(), {"ffmpeg", "-v", "error", "-y"});
  const platform::ProgramOutput result = platform::runProgram(args);
  ASSERT_EQ(result.exitCode, 0) << result.errors;
}

// A picture's pixels, as 8-bit RGB; `frame` picks one of a clip's.
std::string pixels(const std::string& file, int frame = 0) {
  const platform::ProgramOutput decoded = platform::runProgram(
      {"ffmpeg", "-v", "error", "-i", file, "-vf", "select=eq(n\\," + std::to_string(frame) + ")",
       "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.errors;
  return decoded.output;
}

// The largest difference of two pictures' values; 256 when their sizes differ.
int largestDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return 256;
  int largest = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    largest = std::max(
        largest, std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])));
  }
  return largest;
}

struct PreviewCase {
  const char* title;
  std::vector<std::string> settings;
  int frame;
};

void PrintTo(const PreviewCase& preview, std::ostream* out) {
  *out << preview.title;
}

class PreviewFrames : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewFrames, EqualTheFrameOfALosslessEncode) {
  TempDir dir;
  const std::string left = dir.file("clip_L.mkv");
  const std::string right = dir.file("clip_R.mkv");
  ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=3,format=yuv420p", "-c:v", "ffv1", left});
  ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=3,hue=h=120,format=yuv420p", "-c:v", "ffv1",
          right});
  std::vector<std::string> settings{
      "--set", "RadioGroup_Engine=1",           "--set", "Edit_Video_Extension=.mkv",
      "--set", "Edit_coding_presets=-c:v ffv1", "--set", "Prefix=o_"};
  for (const std::string& setting : GetParam().settings) {
    settings.insert(settings.end(), {"--set", setting});
  }

  std::vector<std::string> convert = settings;
  convert.insert(convert.end(),
                 {"--set", "CheckBox_ffmpeg_make=1", "--left", left, "--right", right});
  const test::CliOutcome converted = test::runCli(convert);
  ASSERT_EQ(converted.status, 0) << converted.err;
  const std::string runner =
      converted.out.substr(converted.out.rfind("wrote\t") + 6,
                           converted.out.rfind('\n') - converted.out.rfind("wrote\t") - 6);
  const platform::ProgramOutput encoded = platform::runProgram({runner});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;
  const std::string primary = runner.substr(0, runner.size() - 3) + ".mkv";

  std::vector<std::string> preview{"preview"};
  preview.insert(preview.end(), settings.begin(), settings.end());
  preview.insert(preview.end(), {"--left", left, "--right", right, "--frame",
                                 std::to_string(GetParam().frame), "--png", dir.file("frame.png")});
  const test::CliOutcome shown = test::runCli(preview);
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::string expected = pixels(primary, GetParam().frame);
  ASSERT_FALSE(expected.empty());
  // The same picture, but for the rounding of its conversion to RGB; the neighbouring frames
  // differ by far more.
  EXPECT_LE(largestDifference(pixels(dir.file("frame.png")), expected), 1);
  EXPECT_GT(largestDifference(pixels(dir.file("frame.png")), pixels(primary, GetParam().frame + 2)),
            8);

  // A stretch of frames, as the preview plays them: each one is the encode's frame of its number.
  preview.back() = dir.file("played_%d.png");
  preview.insert(preview.end(), {"--frames", "3"});
  const test::CliOutcome played = test::runCli(preview);
  ASSERT_EQ(played.status, 0) << played.err;
  for (int frame = GetParam().frame; frame < GetParam().frame + 3; ++frame) {
    const std::string file = dir.file("played_" + std::to_string(frame) + ".png");
    EXPECT_NE(played.out.find("wrote\t" + file), std::string::npos) << played.out;
    EXPECT_LE(largestDifference(pixels(file), pixels(primary, frame)), 1) << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, PreviewFrames,
    ::testing::Values(
        PreviewCase{"SideBySideAdvancedRight", {"RadioGroup_Output_Format=1", "Edit_Offset=3"}, 17},
        PreviewCase{"OverUnderReversedRepeated",
                    {"RadioGroup_Output_Format=2", "CheckBox_Reverse_LR=1", "RadioGroup_Repeat=1"},
                    21},
        PreviewCase{"BlendedSeparately",
                    {"RadioGroup_Output_Format=0", "RadioGroup_Blend_TL=1", "ComboBox_Blend=1"},
                    9},
        PreviewCase{"TimeLapseMirrored",
                    {"RadioGroup_Output_Format=1", "RadioGroup_Blend_TL=2", "ComboBox_Blend=0",
                     "CheckBox_HMR=1", "Edit_Offset=-2"},
                    11},
        PreviewCase{"SkippedAndAligned",
                    {"RadioGroup_Output_Format=1", "RadioGroup_Repeat=6", "RadioGroup_Align=2",
                     "Edit_Align_Vertical=4", "Edit_Align_Roll=0.5", "RadioGroup_Convergence=2",
                     "Edit_Convergence=3"},
                    13},
        PreviewCase{"InterlacedResized",
                    {"RadioGroup_Output_Format=3", "CheckBox_change_final_HV=1", "Edit_final_H=96",
                     "Edit_final_V=54"},
                    7}),
    [](const auto& info) { return std::string(info.param.title); });

// The sound of a stretch of frames starts at its first frame: a beep at 1.6 s of the left camera
// (its frame 40), heard as far into the stretch as the conversion puts that frame.
TEST(Preview, TheSoundOfAStretchIsHeardWhereItsFramesAre) {
  TempDir dir;
  const std::string left = dir.file("beep_L.mkv");
  const std::string right = dir.file("beep_R.mkv");
  for (const std::string& file : {left, right}) {
    ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=4", "-f", "lavfi", "-i",
            "aevalsrc='if(gte(t,1.6),sin(2*PI*440*t),0)':s=48000:d=4", "-c:v", "ffv1", "-c:a",
            "pcm_s16le", file});
  }
  struct Case {
    const char* title;
    std::vector<std::string> settings;
    int frame;
    double beep;  // where it is heard in the stretch, in seconds
  };
  const Case cases[] = {
      {"a pair", {}, 30, 0.4},
      {"the left camera two frames late", {"Edit_Offset=-2"}, 30, 0.32},
      {"from the start", {}, 0, 1.6},
      {"every frame twice", {"RadioGroup_Repeat=1"}, 60, 0.8},
      {"one file of two views", {"RadioGroup_Input_Format=1", "Edit_Offset=-2"}, 30, 0.32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::vector<std::string> args{"preview", "--set", "RadioGroup_Engine=1", "--left", left};
    if (std::string(c.title) != "one file of two views")
      args.insert(args.end(), {"--right", right});
    for (const std::string& setting : c.settings) args.insert(args.end(), {"--set", setting});
    const std::string wave = dir.file("stretch.wav");
    args.insert(args.end(), {"--frame", std::to_string(c.frame), "--frames", "50", "--png",
                             dir.file("s_%d.png"), "--sound", wave});
    const test::CliOutcome made = test::runCli(args);
    ASSERT_EQ(made.status, 0) << made.err;
    const platform::ProgramOutput samples =
        platform::runProgram({"ffmpeg", "-v", "error", "-i", wave, "-f", "s16le", "-ac", "1", "-"});
    ASSERT_EQ(samples.exitCode, 0) << samples.errors;
    const auto* values = reinterpret_cast<const std::int16_t*>(samples.output.data());
    const std::size_t count = samples.output.size() / 2;
    // Two seconds for 50 frames, within the millisecond the files' times are kept in.
    EXPECT_NEAR(static_cast<double>(count), 96000.0, 48);
    std::size_t onset = 0;
    while (onset < count && std::abs(values[onset]) < 300) ++onset;
    EXPECT_NEAR(static_cast<double>(onset) / 48000, c.beep, 0.002);
  }
}

TEST(Preview, ShowsTheViewsInEachCheckModeOrSaysWhyNot) {
  TempDir dir;
  const std::string left = dir.file("rig_L.mkv");
  const std::string right = dir.file("rig_R.mkv");
  // The right camera sees the scene 8 px lower.
  ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=1", "-c:v", "ffv1", left});
  ffmpeg({"-i", left, "-vf", "crop=iw:ih-8:0:0,pad=iw:ih+8:0:8", "-c:v", "ffv1", right});
  auto show = [&](const std::string& mode, const std::string& frame) {
    return test::runCli({"preview", "--set", "RadioGroup_Engine=1", "--left", left, "--right",
                         right, "--frame", frame, "--mode", mode, "--png",
                         dir.file(mode + ".png")});
  };
  for (const char* mode : {"anaglyph", "difference", "overlay"}) {
    const test::CliOutcome shown = show(mode, "5");
    ASSERT_EQ(shown.status, 0) << mode << ": " << shown.err;
    EXPECT_EQ(pixels(dir.file(std::string(mode) + ".png")).size(), 160u * 90 * 3) << mode;
  }
  // The difference of the misaligned views is bright; of a view with itself, black.
  const std::string difference = pixels(dir.file("difference.png"));
  long sum = 0;
  for (const char c : difference) sum += static_cast<unsigned char>(c);
  EXPECT_GT(sum / static_cast<long>(difference.size()), 20);
  const test::CliOutcome same =
      test::runCli({"preview", "--set", "RadioGroup_Engine=1", "--left", left, "--right", left,
                    "--mode", "difference", "--png", dir.file("same.png")});
  ASSERT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(pixels(dir.file("same.png")), std::string(160u * 90 * 3, '\0'));

  // Beyond the clip: a message, and no picture.
  const test::CliOutcome beyond = show("anaglyph", "25");
  EXPECT_EQ(beyond.status, 1);
  EXPECT_NE(beyond.err.find("Frame 25 of \"" + left + "\" cannot be shown"), std::string::npos)
      << beyond.err;
  // The AviSynth engine's preview says where it differs.
  const test::CliOutcome avisynth = test::runCli(
      {"preview", "--left", left, "--right", right, "--time", "0.2", "--png", dir.file("a.png")});
  ASSERT_EQ(avisynth.status, 0) << avisynth.err;
  EXPECT_NE(avisynth.err.find("note\tThe preview shows the ffmpeg engine's rendering"),
            std::string::npos);
  const test::CliOutcome both = test::runCli(
      {"preview", "--left", left, "--frame", "1", "--time", "1", "--png", dir.file("b.png")});
  EXPECT_EQ(both.status, 2);
}

// What ffprobe said of a file is kept across runs while the file stays as it was: a probe
// without ffprobe still knows it, until the file changes; counted packets are kept apart.
TEST(Preview, FfprobesReportOfAFileIsKeptAcrossRunsUntilTheFileChanges) {
  TempDir dir;
  const std::string clip = dir.file("clip.mkv");
  ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=1", "-c:v", "ffv1", clip});
  const std::string kept = dir.file("cache/twinlens");
  const MediaInfo read = FfprobeMediaProbe(ConversionSettings(), false, kept).probe(clip);
  EXPECT_EQ(read.width, 160);
  ConversionSettings noFfprobe;
  noFfprobe.FfmpegLocation = dir.file("nowhere/ffmpeg");
  EXPECT_EQ(FfprobeMediaProbe(noFfprobe, false, kept).probe(clip), read);
  EXPECT_THROW(FfprobeMediaProbe(noFfprobe, true, kept).probe(clip), Error);
  std::filesystem::last_write_time(
      clip, std::filesystem::last_write_time(clip) + std::chrono::seconds(1));
  EXPECT_THROW(FfprobeMediaProbe(noFfprobe, false, kept).probe(clip), Error);
}

// A preview object kept, as a window keeps it, reads each file once while it stays as it was.
TEST(Preview, AKeptPreviewReadsEachFileOnceWhileItStaysAsItWas) {
  TempDir dir;
  const std::string clip = dir.file("clip.mkv");
  ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=1", "-c:v", "ffv1", clip});
  class CountingProbe : public MediaProbe {
   public:
    explicit CountingProbe(const ConversionSettings& settings) : ffprobe_(settings, false) {}
    MediaInfo probe(const std::string& path) override {
      ++reads;
      return ffprobe_.probe(path);
    }
    int reads = 0;

   private:
    FfprobeMediaProbe ffprobe_;
  };
  ConversionSettings settings;
  settings.RadioGroup_Input_Format = choices::InputFormat::Mono;
  settings.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  CountingProbe probe(settings);
  ClipScan scan(&probe);
  FramePreview preview(settings, scan);
  for (const std::int64_t frame : {3, 20}) {
    preview.render(clip, {}, {frame, std::nullopt}, PreviewMode::Output, dir.file("p.png"));
  }
  EXPECT_EQ(probe.reads, 1);
  EXPECT_EQ(pixels(dir.file("p.png")), pixels(clip, 20));
  // Made again, longer: read again, and its new frames shown.
  ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=2", "-c:v", "ffv1", clip});
  preview.render(clip, {}, {40, std::nullopt}, PreviewMode::Output, dir.file("p.png"));
  EXPECT_EQ(probe.reads, 2);
  EXPECT_EQ(pixels(dir.file("p.png")), pixels(clip, 40));
}

}  // namespace
}  // namespace twinlens
