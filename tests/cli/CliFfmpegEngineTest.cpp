// The ffmpeg engine end to end: small frame-coded clips made with ffmpeg's own sources, converted
// by twinlens-cli with engine 1 and then by the runner script it writes, and the outputs decoded
// frame by frame: which input frame of which view ended up where, at what size, rate and length,
// with which sound and which stereo tag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

#include "CliOutcome.h"
#include "platform/FileSystem.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Every view picture is 64x48 in four quadrants: top left the frame number n as luma 16+4n, top
// right the view's mark (60 left, 200 right), bottom left 120, bottom right 30. Mirroring moves
// the quadrants; a quadrant's centre survives scaling and blurring.
constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 40;
constexpr int kLeftMark = 60;
constexpr int kRightMark = 200;
constexpr int kLeftSampleRate = 44100;
constexpr int kRightSampleRate = 48000;

std::string run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  EXPECT_TRUE(result.started && result.exitCode == 0)
      << command[0] << " " << (command.size() > 1 ? command.back() : "") << ": " << result.errors;
  return result.output;
}

std::string codedView(int mark) {
  return "color=c=black:s=64x48:r=25:d=1.6,format=yuv420p,geq=lum='if(lt(X,32),if(lt(Y,24),16+4*N,"
         "120),if(lt(Y,24)," +
         std::to_string(mark) + ",30))':cb=128:cr=128";
}

// The clips every case starts from, made once.
class Footage {
 public:
  Footage() {
    const std::string ffmpeg = "ffmpeg";
    auto make = [&](std::vector<std::string> args) {
      std::vector<std::string> command{ffmpeg, "-v", "error", "-y"};
      command.insert(command.end(), args.begin(), args.end());
      run(command);
    };
    const std::vector<std::string> lossless{"-c:v", "ffv1", "-c:a", "pcm_s16le"};
    auto with = [&](std::vector<std::string> args, const std::string& out) {
      args.insert(args.end(), lossless.begin(), lossless.end());
      args.push_back(at(out));
      make(args);
    };
    with({"-f", "lavfi", "-i", codedView(kLeftMark), "-f", "lavfi", "-i",
          "sine=f=440:d=1.6:r=" + std::to_string(kLeftSampleRate)},
         "pair/clip_L.mkv");
    with({"-f", "lavfi", "-i", codedView(kRightMark), "-f", "lavfi", "-i",
          "sine=f=880:d=1.6:r=" + std::to_string(kRightSampleRate)},
         "pair/clip_R.mkv");
    for (const auto& [stack, name] :
         std::vector<std::pair<std::string, std::string>>{{"hstack", "sbs"}, {"vstack", "ou"}}) {
      // Tagged with the wrong layout on purpose: no input tag may survive into an output.
      with({"-i", at("pair/clip_L.mkv"), "-i", at("pair/clip_R.mkv"), "-filter_complex",
            "[0:v][1:v]" + stack + "[v]", "-map", "[v]", "-map", "0:a", "-metadata:s:v:0",
            "stereo_mode=bottom_top"},
           "one/" + name + ".mkv");
    }
    fs::create_directories(at("pictures"));
    make({"-i", at("pair/clip_L.mkv"), "-frames:v", "20", "-start_number", "5",
          at("pictures/shot_%04d.png")});
  }

  std::string at(const std::string& relative) const {
    fs::create_directories(fs::path(dir_.file(relative)).parent_path());
    return dir_.file(relative);
  }

 private:
  TempDir dir_;
};

Footage& footage() {
  static Footage made;
  return made;
}

// What one view picture shows.
struct ViewReading {
  char view = '?';
  double frame = -1;
  bool hflip = false;
  bool vflip = false;
};

// A decoded output: its size, rate, luma planes, sound and stereo tag.
struct Decoded {
  int width = 0;
  int height = 0;
  std::string rate;
  std::vector<std::string> planes;
  int sampleRate = 0;
  std::int64_t samples = 0;
  std::string stereo;       // ffprobe's stereo type of the video, empty without one
  std::string pixelAspect;  // "1:1"
  std::string pixelFormat;
  std::string transfer;

  int luma(int frame, int x, int y) const {
    return static_cast<unsigned char>(
        planes[static_cast<std::size_t>(frame)][static_cast<std::size_t>(y * width + x)]);
  }

  // The view in the rectangle, reading every `rowStep`-th row from `firstRow`.
  ViewReading read(int frame, int x0, int y0, int w, int h, int rowStep = 1,
                   int firstRow = 0) const {
    auto centre = [&](int qx, int qy) {
      const int cx = x0 + w * (2 * qx + 1) / 4;
      const int cy = (h * (2 * qy + 1) / 4) * rowStep + firstRow + y0;
      return luma(frame, cx, cy);
    };
    const int tl = centre(0, 0), tr = centre(1, 0), bl = centre(0, 1), br = centre(1, 1);
    auto near = [](int value, int expected) { return std::abs(value - expected) <= 6; };
    ViewReading reading;
    int code = 0;
    int mark = 0;
    if (near(bl, 120) && near(br, 30)) {
      code = tl, mark = tr;
    } else if (near(bl, 30) && near(br, 120)) {
      code = tr, mark = tl, reading.hflip = true;
    } else if (near(tl, 120) && near(tr, 30)) {
      code = bl, mark = br, reading.vflip = true;
    } else if (near(tl, 30) && near(tr, 120)) {
      code = br, mark = bl, reading.hflip = reading.vflip = true;
    } else {
      return reading;
    }
    reading.view = near(mark, kLeftMark) ? 'L' : near(mark, kRightMark) ? 'R' : '?';
    reading.frame = (code - 16) / 4.0;
    return reading;
  }
};

Decoded decode(const std::string& file) {
  Decoded out;
  const std::string report =
      run({"ffprobe", "-v", "error", "-show_entries",
           "stream=codec_type,width,height,r_frame_rate,sample_rate,sample_aspect_ratio,pix_fmt,"
           "color_transfer:stream_side_data=type",
           "-of", "default=noprint_wrappers=1", file});
  std::string kind;
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t end = report.find('\n', start);
    const std::string line = report.substr(start, end - start);
    start = end == std::string::npos ? report.size() : end + 1;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_type") kind = value;
    if (kind == "video" && key == "width") out.width = std::stoi(value);
    if (kind == "video" && key == "height") out.height = std::stoi(value);
    if (kind == "video" && key == "r_frame_rate") out.rate = value;
    if (kind == "video" && key == "type") out.stereo = value;
    if (kind == "video" && key == "sample_aspect_ratio") out.pixelAspect = value;
    if (kind == "video" && key == "pix_fmt") out.pixelFormat = value;
    if (kind == "video" && key == "color_transfer") out.transfer = value;
    if (kind == "audio" && key == "sample_rate") out.sampleRate = std::stoi(value);
  }
  const std::string frames = run({"ffmpeg", "-v", "error", "-i", file, "-map", "0:v", "-f",
                                  "rawvideo", "-pix_fmt", "yuv420p", "-"});
  const std::size_t lumaSize = static_cast<std::size_t>(out.width * out.height);
  const std::size_t frameSize = lumaSize * 3 / 2;
  for (std::size_t at = 0; frameSize > 0 && at + frameSize <= frames.size(); at += frameSize) {
    out.planes.push_back(frames.substr(at, lumaSize));
  }
  if (out.sampleRate > 0) {
    out.samples = static_cast<std::int64_t>(
        run({"ffmpeg", "-v", "error", "-i", file, "-map", "0:a", "-f", "s16le", "-ac", "1", "-"})
            .size() /
        2);
  }
  return out;
}

// How the views sit in an output.
enum class Layout { Single, SideBySide, OverUnder, Lines };

// What one output must hold.
struct Expected {
  std::string file;  // relative to the folder of the left clip
  Layout layout;
  int viewWidth;
  int viewHeight;
  int frames;
  std::string rate;
  // The view and the (average) frame number of each place of output frame j: first the left
  // (or top, or even-row) view, then the other.
  std::function<std::vector<std::pair<char, double>>(int)> shows;
  int sampleRate;        // 0: no sound
  std::int64_t samples;  // of the sound, within one audio frame
  std::string stereo;    // ffprobe's stereo type ("" none)
  bool hflip = false;    // of the first place
  bool vflip = false;
  // One audio frame of the sound may be cut or padded by the encoder's framing.
  double sampleTolerance = 1024;
};

struct Case {
  std::string name;
  std::vector<std::string> sources;  // the --left / --right arguments
  std::vector<std::string> settings;
  std::vector<Expected> outputs;
  std::vector<std::string> absent = {};  // files the run must not leave behind

  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};

std::function<std::vector<std::pair<char, double>>(int)> views(
    std::function<double(int)> first, char a, std::function<double(int)> second = nullptr,
    char b = '?') {
  return [=](int j) {
    std::vector<std::pair<char, double>> places{{a, first(j)}};
    if (second) places.emplace_back(b, second(j));
    return places;
  };
}

std::function<double(int)> shifted(int by) {
  return [by](int j) { return static_cast<double>(j + by); };
}

// The average of input frames from..from+count-1, the clip's last frame repeated past its end.
double averageOf(int from, int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += std::min(from + i, kFrames - 1);
  return sum / count;
}

std::int64_t samplesOf(int frames, int rate) {
  return static_cast<std::int64_t>(frames) * rate / 25;
}

const std::vector<std::string> kPair{"--left", "pair/clip_L.mkv", "--right", "pair/clip_R.mkv"};

std::vector<std::string> sets(std::vector<std::string> pairs) {
  std::vector<std::string> args;
  for (auto& pair : pairs) {
    args.push_back("--set");
    args.push_back(std::move(pair));
  }
  return args;
}

// The frame of repeat choice `choice` (SelectEvery) at output place j.
double selectedFrame(int cycle, std::vector<int> offsets, int j) {
  const int count = static_cast<int>(offsets.size());
  return (j / count) * cycle + offsets[static_cast<std::size_t>(j % count)];
}

std::vector<Case> cases() {
  const auto L = 'L', R = 'R';
  std::vector<Case> all{
      {"PairToSideBySideWithOffset",
       kPair,
       sets({"RadioGroup_Output_Format=1", "Edit_Offset=3"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 64, 48, 37, "25/1",
         views(shifted(0), L, shifted(3), R), kLeftSampleRate, samplesOf(37, kLeftSampleRate),
         "side by side"}}},
      {"PairToSideBySideReversed",
       kPair,
       sets({"RadioGroup_Output_Format=1", "CheckBox_Reverse_LR=1"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 64, 48, 40, "25/1",
         views(shifted(0), R, shifted(0), L), kRightSampleRate, samplesOf(40, kRightSampleRate),
         "side by side"}}},
      {"PairToOverUnderWithNegativeOffset",
       kPair,
       sets({"RadioGroup_Output_Format=2", "Edit_Offset=-2"}),
       {{"o_clip_OU.mkv", Layout::OverUnder, 64, 48, 38, "25/1",
         views(shifted(2), L, shifted(0), R), kLeftSampleRate, samplesOf(38, kLeftSampleRate),
         "top and bottom"}}},
      {"PairToInterlacedRightViewIsTheFirstField",
       kPair,
       sets({"RadioGroup_Output_Format=3"}),
       {{"o_clip_OU.mkv", Layout::Lines, 64, 48, 40, "25/1", views(shifted(0), L, shifted(0), R),
         kRightSampleRate, samplesOf(40, kRightSampleRate), "interleaved lines"}}},
      {"PairToSeparateMirrored",
       kPair,
       sets({"RadioGroup_Output_Format=0", "CheckBox_HML=1", "CheckBox_VMR=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 40, "25/1", views(shifted(0), L), kLeftSampleRate,
         samplesOf(40, kLeftSampleRate), "", true, false},
        {"o_clip_R.mkv", Layout::Single, 64, 48, 40, "25/1", views(shifted(0), R), kRightSampleRate,
         samplesOf(40, kRightSampleRate), "", false, true}}},
      {"SideBySideFileToSeparateReversedDropsItsTag",
       {"--left", "one/sbs.mkv"},
       sets({"RadioGroup_Input_Format=1", "RadioGroup_Output_Format=0", "CheckBox_Reverse_LR=1"}),
       {{"o_sbs_L.mkv", Layout::Single, 64, 48, 40, "25/1", views(shifted(0), R), kLeftSampleRate,
         samplesOf(40, kLeftSampleRate), "2D"},
        {"o_sbs_R.mkv", Layout::Single, 64, 48, 40, "25/1", views(shifted(0), L), kLeftSampleRate,
         samplesOf(40, kLeftSampleRate), "2D"}}},
      {"OverUnderFileToSideBySideRetagged",
       {"--left", "one/ou.mkv"},
       sets({"RadioGroup_Input_Format=2", "RadioGroup_Output_Format=1"}),
       {{"o_ou_LR.mkv", Layout::SideBySide, 64, 48, 40, "25/1", views(shifted(0), L, shifted(0), R),
         kLeftSampleRate, samplesOf(40, kLeftSampleRate), "side by side"}}},
      {"TwoDFileToSideBySide",
       {"--left", "pair/clip_L.mkv"},
       sets({"RadioGroup_Input_Format=3", "RadioGroup_Output_Format=1", "CheckBox_HMR=1"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 64, 48, 40, "25/1",
         views(shifted(0), L, shifted(0), L), kLeftSampleRate, samplesOf(40, kLeftSampleRate),
         "side by side"}}},
      {"PicturesToOverUnder",
       {"--left", "pictures/shot_0005.png", "--left", "pictures/shot_0024.png"},
       sets({"RadioGroup_Input_Format=3", "RadioGroup_Import_Options=2",
             "RadioGroup_Output_Format=2", "Edit_Offset=2"}),
       {{"o_shot_0005_OU.mkv", Layout::OverUnder, 64, 48, 18, "25/1",
         views(shifted(0), L, shifted(2), L), 0, 0, "top and bottom"}}},
      {"PicturesToMono",
       {"--left", "pictures/shot_0005.png", "--left", "pictures/shot_0024.png"},
       sets({"RadioGroup_Input_Format=3", "RadioGroup_Import_Options=2",
             "RadioGroup_Output_Format=4", "Edit_import_picture_FR=12.5"}),
       {{"o_shot_0005.mkv", Layout::Single, 64, 48, 20, "25/2", views(shifted(0), L), 0, 0, ""}}},
      {"BlendFourFrames",
       kPair,
       sets({"RadioGroup_Output_Format=4", "RadioGroup_Blend_TL=1", "ComboBox_Blend=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 40, "25/1",
         views([](int j) { return averageOf(j, 4); }, L), kLeftSampleRate,
         samplesOf(39, kLeftSampleRate), ""}}},
      {"BlendEightFramesWithShutterAndRightSound",
       kPair,
       sets({"RadioGroup_Output_Format=1", "RadioGroup_Blend_TL=1", "ComboBox_Blend=2",
             "CheckBox_180=1", "CheckBox_Blend_RightSound=1"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 64, 48, 40, "25/1",
         views([](int j) { return averageOf(j, 4); }, L, [](int j) { return averageOf(j, 4); }, R),
         kRightSampleRate, samplesOf(37, kRightSampleRate), "side by side"}}},
      {"TimeLapseFourFrames",
       kPair,
       sets({"RadioGroup_Output_Format=4", "RadioGroup_Blend_TL=2", "ComboBox_Blend=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 9, "25/1",
         views([](int j) { return averageOf(4 * (j + 1), 4); }, L), kLeftSampleRate,
         samplesOf(9, kLeftSampleRate), ""}}},
      {"TimeLapseFourFramesWithShutter",
       kPair,
       sets({"RadioGroup_Output_Format=4", "RadioGroup_Blend_TL=2", "ComboBox_Blend=1",
             "CheckBox_180=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 9, "25/1",
         views([](int j) { return averageOf(4 * (j + 1), 2); }, L), kLeftSampleRate,
         samplesOf(9, kLeftSampleRate), ""}}},
      {"SeparateFieldsOut",
       kPair,
       sets({"RadioGroup_Output_Format=4", "CheckBox_Output_SF=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 24, 80, "50/1", views([](int j) { return j / 2; }, L),
         kLeftSampleRate, samplesOf(40, kLeftSampleRate), ""}}},
      {"SeparateFieldsInWovenTopFirst",
       kPair,
       sets({"RadioGroup_Output_Format=4", "CheckBox_Input_SF=1"}),
       {{"o_clip_L.mkv", Layout::Lines, 64, 48, 20, "25/2",
         views([](int j) { return 2 * j; }, L, [](int j) { return 2 * j + 1; }, L), kLeftSampleRate,
         samplesOf(40, kLeftSampleRate), ""}}},
      {"HalfWidthStretchedAndFinalSizeWithBlur",
       kPair,
       sets({"RadioGroup_Output_Format=1", "CheckBox_Input_HW=1", "CheckBox_change_final_HV=1",
             "Edit_final_H=96", "Edit_final_V=64", "Edit_Blur=0.5"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 96, 64, 40, "25/1",
         views(shifted(0), L, shifted(0), R), kLeftSampleRate, samplesOf(40, kLeftSampleRate),
         "side by side"}}},
      {"DeinterlacedWithinTheGraph",
       kPair,
       sets({"RadioGroup_Output_Format=4", "CheckBox_Output_DI=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 40, "25/1", views(shifted(0), L), kLeftSampleRate,
         samplesOf(40, kLeftSampleRate), ""}}},
      {"StabilisedWithSharedTransforms",
       kPair,
       sets({"RadioGroup_Output_Format=1", "CheckBox_Deshake=1"}),
       {{"o_clip_LR.mkv", Layout::SideBySide, 64, 48, 40, "25/1",
         views(shifted(0), L, shifted(0), R), kLeftSampleRate, samplesOf(40, kLeftSampleRate),
         "side by side"}}},
      {"Mp4GetsItsStereoBoxThroughARemux",
       kPair,
       sets({"RadioGroup_Output_Format=2", "Edit_Video_Extension=.mp4",
             "Edit_coding_presets=-c:v libx264 -qp 0 -c:a alac"}),
       {{"o_clip_OU.mp4", Layout::OverUnder, 64, 48, 40, "25/1",
         views(shifted(0), L, shifted(0), R), kLeftSampleRate, samplesOf(40, kLeftSampleRate),
         "top and bottom", false, false, 4096 + 1024}},
       {"o_clip_OU.tagging.mkv"}},
      {"AudioCutAndFiftyFramesChangePitch",
       kPair,
       sets({"RadioGroup_Output_Format=4", "Edit_Audio_Frames_Cut=5", "RadioGroup_FrameRates=7",
             "RadioGroup_Pitch=1"}),
       {{"o_clip_L.mkv", Layout::Single, 64, 48, 40, "50/1", views(shifted(0), L), kLeftSampleRate,
         samplesOf(36, kLeftSampleRate) / 2, ""}}},
  };
  // Every repeat and skip pattern, at the clip's own rate: the sound's speed follows.
  const std::vector<std::tuple<int, int, std::vector<int>, int>> patterns{
      {1, 1, {0, 0}, 80},     {2, 2, {0, 0, 0, 1, 1}, 100},
      {3, 1, {0, 0, 0}, 120}, {4, 1, {0, 0, 0, 0}, 160},
      {5, 2, {0}, 20},        {6, 10, {0, 2, 5, 7}, 16},
      {7, 3, {0}, 14},        {8, 4, {0}, 10}};
  for (const auto& [choice, cycle, offsets, frames] : patterns) {
    // AssumeFPS(Frn, FRd, true) speeds the sound up by the pattern's cycle over its length.
    const int rate = kLeftSampleRate * cycle / static_cast<int>(offsets.size());
    all.push_back(
        {"Repeat" + std::to_string(choice),
         kPair,
         sets({"RadioGroup_Output_Format=4", "RadioGroup_Repeat=" + std::to_string(choice)}),
         {{"o_clip_L.mkv", Layout::Single, 64, 48, frames, "25/1",
           views([cycle = cycle,
                  offsets = offsets](int j) { return selectedFrame(cycle, offsets, j); },
                 L),
           rate, samplesOf(40, kLeftSampleRate), ""}}});
  }
  return all;
}

class CliFfmpegEngineTest : public ::testing::TestWithParam<Case> {};

TEST_P(CliFfmpegEngineTest, OutputFramesComeFromTheRightInputFrames) {
  const Case& c = GetParam();
  Footage& clips = footage();
  TempDir scratch;
  std::vector<std::string> args{"--set", "RadioGroup_Engine=1",
                                "--set", "CheckBox_ffmpeg_make=1",
                                "--set", "Edit_Video_Extension=.mkv",
                                "--set", "Edit_coding_presets=-c:v ffv1 -c:a pcm_s16le",
                                "--set", "Prefix=o_"};
  std::string folder;
  for (std::size_t i = 0; i < c.sources.size(); ++i) {
    const bool file = i % 2 == 1;
    args.push_back(file ? clips.at(c.sources[i]) : c.sources[i]);
    if (file && folder.empty()) folder = fs::path(args.back()).parent_path().string();
  }
  args.insert(args.end(), c.settings.begin(), c.settings.end());
  // The outputs of earlier cases share the folder: each case starts without them.
  for (const Expected& expected : c.outputs) fs::remove(fs::path(folder) / expected.file);

  args.insert(args.end(), {"--set", "CheckBox_Execute_ffmpeg=1"});
  const test::CliOutcome outcome = test::runCli(args);
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // The runner is the last file written, and "Execute ffmpeg" starts it in its own folder.
  const std::size_t launchAt = outcome.out.find("launch\t");
  ASSERT_NE(launchAt, std::string::npos) << outcome.out;
  const std::size_t runnerAt = outcome.out.rfind("wrote\t", launchAt);
  ASSERT_NE(runnerAt, std::string::npos);
  const std::string runner = outcome.out.substr(runnerAt + 6, launchAt - runnerAt - 7);
  ASSERT_TRUE(runner.ends_with(".sh")) << outcome.out;
  EXPECT_EQ(outcome.out.substr(launchAt),
            "launch\t" + runner + "\t\t" + fs::path(runner).parent_path().string() + "/\n");
  const platform::ProgramOutput encoded = platform::runProgram({runner});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;

  for (const std::string& file : c.absent) EXPECT_FALSE(fs::exists(fs::path(folder) / file));
  for (const Expected& expected : c.outputs) {
    SCOPED_TRACE(expected.file);
    const Decoded out = decode((fs::path(folder) / expected.file).string());
    const bool wide = expected.layout == Layout::SideBySide;
    const bool tall = expected.layout == Layout::OverUnder || expected.layout == Layout::Lines;
    EXPECT_EQ(out.width, expected.viewWidth * (wide ? 2 : 1));
    EXPECT_EQ(out.height, expected.viewHeight * (tall ? 2 : 1));
    EXPECT_EQ(out.rate, expected.rate);
    EXPECT_EQ(out.stereo, expected.stereo);
    EXPECT_EQ(out.sampleRate, expected.sampleRate);
    EXPECT_NEAR(static_cast<double>(out.samples), static_cast<double>(expected.samples),
                expected.sampleTolerance);
    ASSERT_EQ(static_cast<int>(out.planes.size()), expected.frames);
    for (int j = 0; j < expected.frames; ++j) {
      const auto places = expected.shows(j);
      for (std::size_t p = 0; p < places.size(); ++p) {
        const int w = expected.viewWidth, h = expected.viewHeight;
        ViewReading reading;
        switch (expected.layout) {
          case Layout::Single:
            reading = out.read(j, 0, 0, w, h);
            break;
          case Layout::SideBySide:
            reading = out.read(j, static_cast<int>(p) * w, 0, w, h);
            break;
          case Layout::OverUnder:
            reading = out.read(j, 0, static_cast<int>(p) * h, w, h);
            break;
          case Layout::Lines:
            reading = out.read(j, 0, 0, w, h, 2, static_cast<int>(p));
            break;
        }
        ASSERT_EQ(reading.view, places[p].first) << "frame " << j << " place " << p;
        ASSERT_NEAR(reading.frame, places[p].second, 0.4) << "frame " << j << " place " << p;
        if (p == 0) {
          EXPECT_EQ(reading.hflip, expected.hflip);
          EXPECT_EQ(reading.vflip, expected.vflip);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Engine1, CliFfmpegEngineTest, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// A clip that fails does not stop the others: the runner says which failed and ends non-zero.
TEST(Engine1Runner, GoesOnAfterAFailedClipAndEndsNonZero) {
  Footage& clips = footage();
  TempDir dir;
  for (const char* name : {"a_L.mkv", "a_R.mkv", "b_L.mkv", "b_R.mkv"}) {
    fs::copy_file(clips.at(std::string("pair/clip_") + name[2] + ".mkv"), dir.file(name));
  }
  const test::CliOutcome outcome = test::runCli(
      {"--left", dir.file("a_L.mkv"), "--left", dir.file("b_L.mkv"), "--right", dir.file("a_R.mkv"),
       "--right", dir.file("b_R.mkv"), "--set", "RadioGroup_Engine=1", "--set",
       "CheckBox_ffmpeg_make=1", "--set", "RadioGroup_Output_Format=1", "--set",
       "Edit_Video_Extension=.mkv", "--set", "Edit_coding_presets=-c:v ffv1 -c:a pcm_s16le"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // The first clip's right file is gone by the time the runner runs.
  fs::remove(dir.file("a_R.mkv"));
  const platform::ProgramOutput encoded = platform::runProgram({dir.file("b_LR.sh")});
  EXPECT_EQ(encoded.exitCode, 1);
  // Started without a terminal, as from the window, it tells its log beside it, ffmpeg's own
  // messages among its lines.
  EXPECT_EQ(encoded.output, "");
  const std::string log = test::readBytes(dir.file("b_LR.log"));
  std::size_t at = 0;
  for (const char* line :
       {"Encoding 2 clips, 80 frames\n", "Encoding clip 1 of 2 (40 frames): a_LR.mkv\n",
        "Clip 1 of 2 failed\n", "Encoding clip 2 of 2 (40 frames): b_LR.mkv\n",
        "1 of 2 clips failed\n"}) {
    at = log.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << log;
  }
  EXPECT_FALSE(fs::exists(dir.file("a_LR.mkv")));
  EXPECT_EQ(decode(dir.file("b_LR.mkv")).planes.size(), static_cast<std::size_t>(kFrames));
}

// An encode that fails once the output is open (an encoder refusing its options) leaves no file:
// the output is written under an unfinished name, which the runner removes.
TEST(Engine1Runner, AFailedEncodeLeavesNoFile) {
  Footage& clips = footage();
  TempDir dir;
  for (const char* name : {"a_L.mkv", "a_R.mkv"}) {
    fs::copy_file(clips.at(std::string("pair/clip_") + name[2] + ".mkv"), dir.file(name));
  }
  const test::CliOutcome outcome =
      test::runCli({"--left", dir.file("a_L.mkv"), "--right", dir.file("a_R.mkv"), "--set",
                    "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
                    "RadioGroup_Output_Format=1", "--set", "Edit_Video_Extension=.mkv", "--set",
                    "Edit_coding_presets=-c:v ffv1 -slices 7"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(platform::runProgram({dir.file("a_LR.sh")}).exitCode, 1);
  EXPECT_NE(test::readBytes(dir.file("a_LR.log")).find("Clip 1 of 1 failed"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.file("a_LR.mkv")));
  EXPECT_FALSE(fs::exists(dir.file("a_LR.partial.mkv")));
}

// The mean absolute difference of two RGB videos, over all their frames and channels.
double meanDifference(const std::string& a, const std::string& b) {
  auto rgb = [](const std::string& file) {
    return run({"ffmpeg", "-v", "error", "-i", file, "-map", "0:v", "-f", "rawvideo", "-pix_fmt",
                "rgb24", "-"});
  };
  const std::string first = rgb(a);
  const std::string second = rgb(b);
  const std::size_t size = std::min(first.size(), second.size());
  double sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    sum += std::abs(static_cast<unsigned char>(first[i]) - static_cast<unsigned char>(second[i]));
  }
  return size > 0 ? sum / static_cast<double>(size) : 1e9;
}

// The right camera sees the scene through another gain and gamma per channel; matched to the
// left view, the views' difference falls by at least 90 %.
TEST(Engine1ColourMatch, TheChangedViewTakesTheReferencesColours) {
  TempDir dir;
  const std::string scene = "testsrc2=s=160x120:r=25:d=2,format=gbrp";
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", scene, "-c:v", "ffv1",
       dir.file("cam_L.mkv")});
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
       std::string(scene) +
           ",lutrgb=r='min(255,val*0.8)':g='255*pow(val/255,1.4)':b='min(255,val*1.1+12)'",
       "-c:v", "ffv1", dir.file("cam_R.mkv")});
  const test::CliOutcome outcome =
      test::runCli({"--left", dir.file("cam_L.mkv"), "--right", dir.file("cam_R.mkv"), "--set",
                    "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
                    "RadioGroup_Colour_Match=1", "--set", "Edit_Video_Extension=.mkv", "--set",
                    "Edit_coding_presets=-c:v ffv1 -pix_fmt gbrp", "--set", "Prefix=m_"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // The runner finds twinlens-cli on the search path, as it would beside the program installed.
  const std::string path = fs::path(TWINLENS_CLI_PROGRAM).parent_path().string() + ":" +
                           (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  const platform::ProgramOutput encoded =
      platform::runProgram({"env", "PATH=" + path, dir.file("m_cam_L.sh")});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;
  EXPECT_TRUE(fs::exists(dir.file("m_cam_L.cube")));

  const double before = meanDifference(dir.file("cam_L.mkv"), dir.file("cam_R.mkv"));
  const double after = meanDifference(dir.file("m_cam_L.mkv"), dir.file("m_cam_R.mkv"));
  std::cout << "mean absolute difference of the views: " << before << " before, " << after
            << " after matching (" << 100 * (1 - after / before) << " % less)\n";
  EXPECT_LE(after, 0.1 * before);
  // The reference view keeps its colours.
  EXPECT_LT(meanDifference(dir.file("cam_L.mkv"), dir.file("m_cam_L.mkv")), 0.5);
}

// The colour tables come from frames sought one by one: any file name reaches ffmpeg whole, and a
// file that is no clip is told.
TEST(Engine1ColourMatch, ReadsAnyFileNameAndRefusesWhatIsNoClip) {
  TempDir dir;
  const std::string odd = dir.file("it's [a], b; c=d:e.mkv");
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=2", "-c:v",
       "ffv1", odd});
  platform::writeFileReplacing(dir.file("notes.mkv"), "not a clip\n");
  const std::pair<std::string, std::string> cases[] = {
      {odd, ""},
      {dir.file("notes.mkv"), "Cannot read the colours of \"" + dir.file("notes.mkv") + "\": "},
  };
  for (const auto& [right, message] : cases) {
    const std::string tables = dir.file(fs::path(right).stem().string() + ".cube");
    const test::CliOutcome outcome =
        test::runCli({"colour-match", "--reference", "left", "--lut", tables, odd, right});
    EXPECT_EQ(outcome.status, message.empty() ? 0 : 1) << outcome.err;
    EXPECT_EQ(outcome.err.substr(0, message.size()), message);
    EXPECT_EQ(fs::exists(tables), message.empty());
  }
}

// Every file below a folder, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = test::readBytes(entry.path());
  }
  return files;
}

// Runs the engine cannot carry out stop before anything is written, with a message that names
// what to change.
TEST(Engine1Stops, WithAMessageAndNothingWritten) {
  Footage& clips = footage();
  const std::string left = clips.at("pair/clip_L.mkv");
  const std::string notAVideo = clips.at("stops/notes_L.mkv");
  test::writeBytes(notAVideo, "not a video");
  const std::vector<std::pair<std::vector<std::string>, std::string>> stops{
      {sets({"RadioGroup_Colour_Match=1", "RadioGroup_Import_Options=2",
             "RadioGroup_Input_Format=3"}),
       "The ffmpeg engine matches the colours of video clips, not of pictures; choose \"No "
       "change\" under \"Colo(u)r match reference\" or the engine \"AviSynth scripts\""},
      {sets({"CheckBox_VD_MakeJobs=1"}),
       "VirtualDub job lists run AviSynth scripts; turn off \"Make VirtualDub Job file(s)\" or "
       "choose the engine \"AviSynth scripts\""},
      {sets({"Edit_Offset=40"}), "The offset of 40 frames leaves nothing of \"" + left + "\""},
      {sets({"CheckBox_change_final_HV=1", "Edit_Blur=soft"}),
       "'soft' is not a valid blur amount for ffmpeg (a number from 0 up)"},
      {{"--left", notAVideo, "--right", clips.at("pair/clip_R.mkv")},
       "Cannot read \"" + notAVideo + "\": "},
  };
  for (const auto& [extra, message] : stops) {
    SCOPED_TRACE(message);
    std::vector<std::string> args{"--set", "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1",
                                  "--set", "Prefix=stop_"};
    if (extra.front() != "--left") {
      args.insert(args.end(), {"--left", left, "--right", clips.at("pair/clip_R.mkv")});
    }
    args.insert(args.end(), extra.begin(), extra.end());
    const auto before = tree(fs::path(left).parent_path().parent_path());
    const test::CliOutcome outcome = test::runCli(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind(message, 0), 0u) << outcome.err;
    EXPECT_EQ(test::withoutProgress(outcome.out), "");
    EXPECT_EQ(tree(fs::path(left).parent_path().parent_path()), before);
  }
}

// Two cameras' views, each mismatch from the command line: a view conformed (the note on
// standard error, the output checked frame by frame) or the run stopped before anything is
// written (the message, exit 1, no file).
struct CameraCase {
  std::string name;
  // The ffmpeg filters and output options that remake each view from the frame-coded clip
  // (empty: the clip as it is).
  std::vector<std::string> left;
  std::vector<std::string> right;
  std::vector<std::string> settings = {};  // beyond side by side, ffv1 and PCM
  std::string stop = {};                   // the message's start; empty: the run goes on
  std::vector<std::string> notes = {};     // with "{L}" and "{R}" for the files
  std::function<void(const Decoded&)> check = nullptr;
  std::pair<int, int> turns = {0, 0};  // the views' rotation tags, in degrees
};

class CameraMismatches : public ::testing::TestWithParam<CameraCase> {};

// Reads each side of a side-by-side output frame: the view and frame number shown.
std::vector<ViewReading> sides(const Decoded& out, int frame) {
  return {out.read(frame, 0, 0, out.width / 2, out.height),
          out.read(frame, out.width / 2, 0, out.width / 2, out.height)};
}

TEST_P(CameraMismatches, AreConformedOrStopTheRun) {
  const CameraCase& c = GetParam();
  Footage& clips = footage();
  TempDir dir;
  auto remade = [&](const std::string& from, const std::vector<std::string>& how, int turn,
                    const std::string& name) {
    std::string file = clips.at(from);
    if (!how.empty()) {
      file = dir.file("remade_" + name + ".mkv");
      std::vector<std::string> command{"ffmpeg", "-v", "error", "-y", "-i", clips.at(from)};
      command.insert(command.end(), how.begin(), how.end());
      command.push_back(file);
      run(command);
    }
    // A rotation tag is written by a stream copy into a QuickTime file.
    const std::string made = dir.file(name + (turn != 0 ? ".mov" : ".mkv"));
    if (turn != 0) {
      run({"ffmpeg", "-v", "error", "-y", "-i", file, "-c", "copy", "-metadata:s:v:0",
           "rotate=" + std::to_string(turn), made});
    } else {
      fs::copy_file(file, made);
    }
    return made;
  };
  const std::string left = remade("pair/clip_L.mkv", c.left, c.turns.first, "a_L");
  const std::string right = remade("pair/clip_R.mkv", c.right, c.turns.second, "b_R");
  std::vector<std::string> args{"--left",  left,
                                "--right", right,
                                "--set",   "RadioGroup_Engine=1",
                                "--set",   "CheckBox_ffmpeg_make=1",
                                "--set",   "RadioGroup_Output_Format=1",
                                "--set",   "Edit_Video_Extension=.mkv",
                                "--set",   "Edit_coding_presets=-c:v ffv1 -c:a pcm_s16le"};
  for (const std::string& setting : c.settings) args.insert(args.end(), {"--set", setting});

  const auto before = tree(dir.path());
  const test::CliOutcome outcome = test::runCli(args);
  auto named = [&](std::string text) {
    for (const auto& [mark, file] : {std::pair{"{L}", left}, std::pair{"{R}", right}}) {
      for (std::size_t at; (at = text.find(mark)) != std::string::npos;) {
        text.replace(at, 3, file);
      }
    }
    return text;
  };
  if (!c.stop.empty()) {
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind(named(c.stop), 0), 0u) << outcome.err;
    EXPECT_TRUE(tree(dir.path()) == before) << "a file was written";
    return;
  }
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  std::string notes;
  for (const std::string& note : c.notes) notes += "note\t" + left + "\t" + named(note) + "\n";
  EXPECT_EQ(outcome.err, notes);
  ASSERT_EQ(platform::runProgram({dir.file("a_LR.sh")}).exitCode, 0)
      << test::readBytes(dir.file("a_LR.log"));
  const Decoded both = decode(dir.file("a_LR.mkv"));
  ASSERT_EQ(both.planes.size(), static_cast<std::size_t>(kFrames));
  c.check(both);
}

// Every frame shows the left view's frame j beside the right view's frame `right(j)`.
std::function<void(const Decoded&)> pairedFrames(int width, std::function<int(int)> right) {
  return [=](const Decoded& out) {
    ASSERT_EQ(out.width, 2 * width);
    ASSERT_EQ(out.height, kHeight);
    for (int j = 0; j < kFrames; ++j) {
      const std::vector<ViewReading> seen = sides(out, j);
      EXPECT_EQ(seen[0].view, 'L') << j;
      EXPECT_NEAR(seen[0].frame, j, 0.5) << j;
      EXPECT_EQ(seen[1].view, 'R') << j;
      EXPECT_NEAR(seen[1].frame, right(j), 0.5) << j;
    }
  };
}

int same(int j) {
  return j;
}

const std::vector<std::string> kLossless{"-c:v", "ffv1", "-c:a", "pcm_s16le"};

std::vector<std::string> remake(std::vector<std::string> how) {
  how.insert(how.end(), kLossless.begin(), kLossless.end());
  return how;
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, CameraMismatches,
    ::testing::Values(
        CameraCase{"AnotherShape",
                   {},
                   remake({"-vf", "scale=64:36,setsar=1"}),
                   {},
                   "The views \"{L}\" and \"{R}\" differ in shape (64x48 and 64x36); crop or pad "
                   "one of them to the other's shape first"},
        CameraCase{"AnotherRate",
                   {},
                   remake({"-vf", "fps=30"}),
                   {},
                   "The views \"{L}\" and \"{R}\" run at different frame rates (25 and 30 frames "
                   "a second); convert one of them to the other's rate first"},
        CameraCase{"TurnedOnlyOnTheRight",
                   {},
                   {},
                   {},
                   "The views \"{L}\" and \"{R}\" are turned differently by their rotation tags "
                   "(0 and 90 degrees); turn one of them to the other's way first",
                   {},
                   nullptr,
                   {0, 90}},
        CameraCase{"InterlacedBesideProgressive",
                   {},
                   remake({"-field_order", "tt"}),
                   {},
                   "The views \"{L}\" and \"{R}\" differ in scan (progressive and interlaced, "
                   "top field first); deinterlace the interlaced one first"},
        CameraCase{"FieldOrders",
                   remake({"-field_order", "bb"}),
                   remake({"-field_order", "tt"}),
                   {},
                   "The views \"{L}\" and \"{R}\" differ in field order (interlaced, bottom field "
                   "first and interlaced, top field first)"},
        CameraCase{"HdrBesideSdr",
                   {},
                   remake({"-pix_fmt", "yuv420p10le", "-color_trc", "smpte2084"}),
                   {},
                   "The views \"{L}\" and \"{R}\" differ in dynamic range (SDR and HDR, PQ)"},
        CameraCase{"SmallerOfTheSameShape",
                   {},
                   remake({"-vf", "scale=32:24"}),
                   {},
                   "",
                   {"The right view is scaled from 32x24 to 64x48, the left view's size"},
                   pairedFrames(kWidth, same)},
        CameraCase{"WidePixelsOfTheSameShape",
                   {},
                   remake({"-vf", "scale=48:48,setsar=4/3"}),
                   {},
                   "",
                   {"The right view is scaled from 48x48 with 4:3 pixels to 64x48, the left view's "
                    "size and pixels"},
                   [](const Decoded& out) {
                     pairedFrames(kWidth, same)(out);
                     EXPECT_EQ(out.pixelAspect, "1:1");
                   }},
        CameraCase{"WidePixelsKeptInAHalfWidthLayout",
                   remake({"-vf", "scale=48:48,setsar=4/3"}),
                   remake({"-vf", "scale=48:48,setsar=4/3"}),
                   {"CheckBox_Output_HW=1"},
                   "",
                   {},
                   [](const Decoded& out) {
                     pairedFrames(24, same)(out);
                     EXPECT_EQ(out.pixelAspect, "4:3");
                   }},
        CameraCase{"ClockDrift",
                   {},
                   remake({"-vf", "setpts=N/(25.02*TB)", "-r", "25.02"}),
                   {},
                   "",
                   {"The views run at 25 and 25.02 frames a second: the cameras' clocks drift "
                    "apart, which \"Detect from sound\" measures"},
                   pairedFrames(kWidth, same)},
        CameraCase{"VariableRate",
                   {},
                   remake({"-vf", "select='not(between(n,10,14))'", "-fps_mode", "passthrough"}),
                   {},
                   "",
                   {"\"{R}\" has a variable frame rate: its frames are laid on 25 frames a second "
                    "by their time stamps, repeated or dropped where the time stamps say so"},
                   [](const Decoded& out) {
                     // The camera held frame 9 until frame 15 was due; the sound runs on.
                     pairedFrames(kWidth, [](int j) { return j >= 10 && j <= 14 ? 9 : j; })(out);
                     EXPECT_NEAR(static_cast<double>(out.samples), 1.6 * kLeftSampleRate, 1024);
                   }},
        CameraCase{"TurnedAlike",
                   {},
                   {},
                   {},
                   "",
                   {"Both views are turned by 180 degrees, as their rotation tags say"},
                   [](const Decoded& out) {
                     const std::vector<ViewReading> seen = sides(out, 7);
                     EXPECT_TRUE(seen[0].hflip && seen[0].vflip);
                     EXPECT_EQ(seen[0].view, 'L');
                     EXPECT_NEAR(seen[0].frame, 7, 0.5);
                   },
                   {180, 180}},
        CameraCase{"TheLeftWithoutSound",
                   remake({"-an"}),
                   {},
                   {},
                   "",
                   {"\"{L}\" has no sound: the right view's sound goes with it"},
                   [](const Decoded& out) { EXPECT_EQ(out.sampleRate, kRightSampleRate); }},
        CameraCase{"NeitherWithSound",
                   remake({"-an"}),
                   remake({"-an"}),
                   {},
                   "",
                   {"Neither \"{L}\" nor \"{R}\" has sound: the outputs are silent"},
                   [](const Decoded& out) { EXPECT_EQ(out.sampleRate, 0); }},
        CameraCase{"TenBitHdr",
                   remake({"-pix_fmt", "yuv420p10le", "-color_trc", "arib-std-b67",
                           "-color_primaries", "bt2020", "-colorspace", "bt2020nc"}),
                   remake({"-pix_fmt", "yuv420p10le", "-color_trc", "arib-std-b67",
                           "-color_primaries", "bt2020", "-colorspace", "bt2020nc"}),
                   {},
                   "",
                   {},
                   [](const Decoded& out) {
                     EXPECT_EQ(out.pixelFormat, "yuv420p10le");
                     EXPECT_EQ(out.transfer, "arib-std-b67");
                   }}),
    [](const auto& info) { return info.param.name; });

// How well two views agree once the disparity is undone: the best PSNR of the luma over the
// middle of the pictures, the right view shifted by 8 to 16 pixels (a zoom scales the disparity).
double agreement(const Decoded& left, const Decoded& right) {
  double best = 0;
  for (int shift = 8; shift <= 16; ++shift) {
    double error = 0;
    std::int64_t count = 0;
    const std::size_t frames = std::min(left.planes.size(), right.planes.size());
    for (std::size_t f = 0; f < frames; ++f) {
      // Rows 30 to 170 and the columns well inside both views: the stabiliser's borders and the
      // right view's own object stay outside.
      for (int y = 30; y < 170; ++y) {
        for (int x = 40; x + 40 < left.width - shift; ++x) {
          const int d =
              left.luma(static_cast<int>(f), x + shift, y) - right.luma(static_cast<int>(f), x, y);
          error += d * d;
          ++count;
        }
      }
    }
    const double mse = error / static_cast<double>(count);
    best = std::max(best, 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)));
  }
  return best;
}

// A shaky pair from two cameras on one rig: the same shake, a disparity of 12 pixels, sensor
// noise of their own, and an object at the bottom that only the right camera sees. Stabilised by
// the engine with the left view's transforms, and for comparison each view with its own.
TEST(Engine1Stabilisation, SharedTransformsKeepTheViewsTogether) {
  TempDir dir;
  auto at = [&](const std::string& name) { return dir.file(name); };
  const std::string shakeX = "30+14*sin(2*PI*t*1.7)+7*sin(2*PI*t*4.1)";
  const std::string shakeY = "30+10*sin(2*PI*t*2.3)+5*sin(2*PI*t*5.3)";
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "mandelbrot=s=400x300", "-frames:v", "1",
       at("texture.png")});
  run({"ffmpeg",
       "-v",
       "error",
       "-y",
       "-loop",
       "1",
       "-framerate",
       "25",
       "-t",
       "3",
       "-i",
       at("texture.png"),
       "-f",
       "lavfi",
       "-i",
       "color=c=white:s=160x50:r=25:d=3",
       "-filter_complex",
       "[0:v]format=yuv420p,split[a][b];[a]crop=320:240:x='" + shakeX + "':y='" + shakeY +
           "',noise=alls=8:allf=t[l];[b]crop=320:240:x='" + shakeX + "+12':y='" + shakeY +
           "',noise=alls=8:allf=t[r0];[r0][1:v]overlay=x='300-150*t':y=190[r]",
       "-map",
       "[l]",
       "-c:v",
       "ffv1",
       at("rig_L.mkv"),
       "-map",
       "[r]",
       "-c:v",
       "ffv1",
       at("rig_R.mkv")});

  const test::CliOutcome outcome =
      test::runCli({"--left", at("rig_L.mkv"), "--right", at("rig_R.mkv"), "--set",
                    "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
                    "CheckBox_Deshake=1", "--set", "Edit_Video_Extension=.mkv", "--set",
                    "Edit_coding_presets=-c:v ffv1", "--set", "Prefix=s_"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const platform::ProgramOutput encoded = platform::runProgram({at("s_rig_L.sh")});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;
  EXPECT_TRUE(fs::exists(at("s_rig_L.trf")));

  run({"ffmpeg", "-v", "error", "-y", "-i", at("rig_R.mkv"), "-vf",
       "vidstabdetect=result=" + at("own.trf"), "-f", "null", "-"});
  run({"ffmpeg", "-v", "error", "-y", "-i", at("rig_R.mkv"), "-vf",
       "vidstabtransform=input=" + at("own.trf") + ":optzoom=1", "-c:v", "ffv1", at("own_R.mkv")});

  const Decoded left = decode(at("s_rig_L.mkv"));
  const double unstabilised = agreement(decode(at("rig_L.mkv")), decode(at("rig_R.mkv")));
  const double shared = agreement(left, decode(at("s_rig_R.mkv")));
  const double perView = agreement(left, decode(at("own_R.mkv")));
  std::cout << "view agreement (PSNR after undoing the disparity): unstabilised " << unstabilised
            << " dB, shared transforms " << shared << " dB, per-view transforms " << perView
            << " dB\n";
  EXPECT_GE(shared, unstabilised - 8);
  EXPECT_GT(shared, perView);
}

}  // namespace
}  // namespace twinlens
