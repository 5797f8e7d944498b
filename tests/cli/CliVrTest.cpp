// Dual-fisheye recordings to VR180 end to end: a scene made by ffmpeg as an equirectangular
// sphere for each eye, seen through each lens (its circle placed off centre in its half, the eyes
// swapped as Canon's lenses record them), converted by twinlens-cli and its runner; each eye of
// the output is compared region by region with the scene's own half-sphere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "CliOutcome.h"
#include "analysis/FfmpegLensMeasurer.h"
#include "media/FfprobeMediaProbe.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

constexpr int kCircle = 600;  // each lens's circle across, in pixels
constexpr int kHalfWidth = 640;
constexpr int kHeight = 720;

// Each eye's scene: smooth, and told apart by its phase.
std::string scene(double phase) {
  return "color=c=black:s=1440x720:r=25:d=0.2,format=gray,geq=lum='128+70*sin(2*PI*X/W*3+" +
         std::to_string(phase) + ")*cos(PI*Y/H*2)'";
}
constexpr double kLeftPhase = 0;
constexpr double kRightPhase = 1.5;

struct Placed {
  int x;  // the circle's square within its half
  int y;
};

struct VrCase {
  const char* name;
  int lens;  // RadioGroup_Lens
  double fov;
  bool swapped;  // the right eye's circle on the left half
  Placed leftHalf;
  Placed rightHalf;
  const char* extension;
  const char* coding;
};

const VrCase kCases[] = {
    {"CanonRf5_2", 0, 190, true, {12, 70}, {31, 52}, ".mp4", "-c:v libx264 -qp 0 -pix_fmt yuv444p"},
    {"CanonRfS3_9", 1, 144, true, {20, 41}, {7, 66}, ".mkv", "-c:v ffv1"},
    {"Other180", 2, 180, false, {33, 60}, {15, 44}, ".mkv", "-c:v ffv1"},
};

// The payload of the box at `path` (types from the file's top), or empty where there is none.
// The sample entry's own fields come before its boxes.
std::string boxAt(const std::string& bytes, const std::vector<std::string>& path) {
  std::string_view data(bytes);
  for (std::size_t depth = 0; depth < path.size(); ++depth) {
    bool found = false;
    while (data.size() >= 8) {
      const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
      const std::size_t size =
          (std::size_t{byte(0)} << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
      if (size < 8 || size > data.size()) return {};
      if (data.substr(4, 4) == path[depth]) {
        data = data.substr(8, size - 8);
        if (path[depth] == "stsd") data.remove_prefix(8);   // version, flags, entry count
        if (path[depth] == "avc1") data.remove_prefix(78);  // the visual sample entry's fields
        if (path[depth] == "st3d" || path[depth] == "equi")
          data.remove_prefix(4);  // version, flags
        found = true;
        break;
      }
      data.remove_prefix(size);
    }
    if (!found) return {};
  }
  return std::string(data);
}

std::string run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  EXPECT_EQ(result.exitCode, 0) << result.errors;
  return result.output;
}

std::string fisheye(double phase, double fov, Placed at, const std::string& label) {
  const std::string f = std::to_string(static_cast<int>(fov));
  const std::string middle = std::to_string((kCircle - 1) / 2.0);
  // v360 fills the whole square; the lens lights its circle alone.
  return scene(phase) + ",v360=input=e:output=fisheye:h_fov=" + f + ":v_fov=" + f +
         ":w=" + std::to_string(kCircle) + ":h=" + std::to_string(kCircle) +
         ",geq=lum='if(lte(hypot(X-" + middle + ",Y-" + middle + ")," +
         std::to_string(kCircle / 2) + "),p(X,Y),0)',pad=" + std::to_string(kHalfWidth) + ":" +
         std::to_string(kHeight) + ":" + std::to_string(at.x) + ":" + std::to_string(at.y) +
         ":color=black[" + label + "]";
}

// The first frame's grey levels, `width` x `height`.
std::vector<unsigned char> greyFrame(const std::vector<std::string>& input) {
  std::vector<std::string> command{"ffmpeg", "-v", "error"};
  command.insert(command.end(), input.begin(), input.end());
  command.insert(command.end(), {"-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
  const std::string bytes = run(command);
  return {bytes.begin(), bytes.end()};
}

void PrintTo(const VrCase& c, std::ostream* os) {
  *os << c.name;
}

// Converts with `args` and runs the runner the conversion starts, giving its path; or, where
// `stops` is given, checks that the run stopped with that message and wrote nothing. Empty where
// nothing was encoded.
std::string encodedOrStopped(const std::vector<std::string>& args, const char* stops) {
  const test::CliOutcome made = test::runCli(args);
  if (stops != nullptr) {
    EXPECT_NE(made.status, 0);
    EXPECT_NE(made.err.find(stops), std::string::npos) << made.err;
    EXPECT_EQ(made.out.find("wrote\t"), std::string::npos) << made.out;
    return {};
  }
  EXPECT_EQ(made.status, 0) << made.err;
  const std::string runner = test::launchedRunner(made.out);
  if (runner.empty()) {
    ADD_FAILURE() << "no runner started: " << made.out << made.err;
    return {};
  }
  const platform::ProgramOutput encoded = platform::runProgram({runner});
  EXPECT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;
  return encoded.exitCode == 0 ? runner : std::string();
}

class DualFisheye : public ::testing::TestWithParam<VrCase> {};

TEST_P(DualFisheye, EachEyeOfTheVr180OutputIsItsScenesHalfSphere) {
  const VrCase& c = GetParam();
  test::TempDir dir;
  const std::string recording = dir.file("trip.mkv");
  const double firstPhase = c.swapped ? kRightPhase : kLeftPhase;
  const double secondPhase = c.swapped ? kLeftPhase : kRightPhase;
  run({"ffmpeg", "-v", "error", "-y", "-filter_complex",
       fisheye(firstPhase, c.fov, c.leftHalf, "a") + ";" +
           fisheye(secondPhase, c.fov, c.rightHalf, "b") + ";[a][b]hstack",
       "-c:v", "ffv1", recording});

  // The circles are found to half a pixel: a square of v360's is a circle `kCircle` across
  // about its middle.
  {
    ConversionSettings settings;
    FfprobeMediaProbe probe(settings);
    const LensCircles circles = FfmpegLensMeasurer(settings).measure(recording, probe);
    for (const auto& [found, at, half] :
         {std::tuple{circles.leftHalf, c.leftHalf, 0}, {circles.rightHalf, c.rightHalf, 1}}) {
      EXPECT_NEAR(found.centreX, half * kHalfWidth + at.x + (kCircle - 1) / 2.0, 0.5);
      EXPECT_NEAR(found.centreY, at.y + (kCircle - 1) / 2.0, 0.5);
      EXPECT_NEAR(found.radius, kCircle / 2.0, 0.5);
    }
  }

  std::vector<std::string> args{"--left", recording,
                                "--set",  "RadioGroup_Engine=1",
                                "--set",  "RadioGroup_Input_Format=4",
                                "--set",  "RadioGroup_Output_Format=1",
                                "--set",  "RadioGroup_Projection=1",
                                "--set",  "RadioGroup_Lens=" + std::to_string(c.lens),
                                "--set",  "CheckBox_ffmpeg_make=1",
                                "--set",  "CheckBox_Execute_ffmpeg=1",
                                "--set",  std::string("Edit_Video_Extension=") + c.extension,
                                "--set",  std::string("Edit_coding_presets=") + c.coding};
  if (c.lens == 2) args.insert(args.end(), {"--set", "Edit_Lens_FOV=" + std::to_string(c.fov)});
  ASSERT_FALSE(encodedOrStopped(args, nullptr).empty());

  // Each eye square, as many pixels across its 180 degrees as the circle gives them.
  const int eye = 2 * static_cast<int>(std::lround(kCircle * 180 / c.fov / 2));
  const std::string output = dir.file(std::string("trip_LR_180") + c.extension);
  ConversionSettings settings;
  const MediaInfo media = FfprobeMediaProbe(settings).probe(output);
  ASSERT_EQ(media.width, 2 * eye);
  ASSERT_EQ(media.height, eye);
  EXPECT_FALSE(std::filesystem::exists(dir.file("trip_LR_180.tagging.mkv")));

  // What players read: side by side, half an equirectangular sphere.
  const std::string sideData = run({"ffprobe", "-v", "error", "-select_streams", "v:0",
                                    "-show_entries", "stream_side_data", "-of", "flat", output});
  EXPECT_NE(sideData.find("side_data_type=\"Stereo 3D\""), std::string::npos) << sideData;
  EXPECT_NE(sideData.find("type=\"side by side\""), std::string::npos) << sideData;
  EXPECT_NE(sideData.find("projection=\"tiled equirectangular\""), std::string::npos) << sideData;
  if (std::string(c.extension) == ".mp4") {
    const std::string bytes = test::readBytes(output);
    const std::vector<std::string> entry{"moov", "trak", "mdia", "minf", "stbl", "stsd", "avc1"};
    auto under = [&](std::vector<std::string> more) {
      std::vector<std::string> path = entry;
      path.insert(path.end(), more.begin(), more.end());
      return boxAt(bytes, path);
    };
    // st3d: stereo mode 2, left and right; equi: top 0, bottom 0, left and right a quarter each.
    EXPECT_EQ(under({"st3d"}), std::string("\x02", 1));
    EXPECT_EQ(under({"sv3d", "proj", "equi"}),
              std::string("\0\0\0\0\0\0\0\0\x3f\xff\xff\xff\x3f\xff\xff\xff", 16));
  }
  const std::vector<unsigned char> out = greyFrame({"-i", output});
  ASSERT_EQ(out.size(), static_cast<std::size_t>(2 * eye * eye));

  // The preview shows the output's own picture.
  std::vector<std::string> preview{"preview"};
  preview.insert(preview.end(), args.begin(), args.end());
  preview.insert(preview.end(), {"--frame", "0", "--png", dir.file("frame.png")});
  const test::CliOutcome shown = test::runCli(preview);
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::vector<unsigned char> previewed = greyFrame({"-i", dir.file("frame.png")});
  ASSERT_EQ(previewed.size(), out.size());
  int largest = 0;
  for (std::size_t i = 0; i < out.size(); ++i)
    largest = std::max(largest, std::abs(out[i] - previewed[i]));
  EXPECT_LE(largest, 2);

  const std::string size = ":w=" + std::to_string(eye) + ":h=" + std::to_string(eye);
  for (const auto& [place, phase] : {std::pair{0, kLeftPhase}, {1, kRightPhase}}) {
    SCOPED_TRACE(place == 0 ? "left eye" : "right eye");
    const std::vector<unsigned char> truth =
        greyFrame({"-f", "lavfi", "-i", scene(phase) + ",v360=input=e:output=hequirect" + size});
    const std::vector<unsigned char> other =
        greyFrame({"-f", "lavfi", "-i",
                   scene(phase == kLeftPhase ? kRightPhase : kLeftPhase) +
                       ",v360=input=e:output=hequirect" + size});
    ASSERT_EQ(truth.size(), static_cast<std::size_t>(eye * eye));
    // Blocks of 8x8 within the lens's view, a few degrees in from its edge.
    double error = 0;
    double otherError = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= eye; by += 8) {
      for (int bx = 0; bx + 8 <= eye; bx += 8) {
        const double lon = ((bx + 4.0) / eye - 0.5) * std::numbers::pi;
        const double lat = (0.5 - (by + 4.0) / eye) * std::numbers::pi;
        const double fromAhead = std::acos(std::cos(lat) * std::cos(lon)) * 180 / std::numbers::pi;
        if (fromAhead > c.fov / 2 - 6) continue;
        double sumOut = 0, sumTruth = 0, sumOther = 0;
        for (int y = by; y < by + 8; ++y) {
          for (int x = bx; x < bx + 8; ++x) {
            sumOut += out[static_cast<std::size_t>(y * 2 * eye + place * eye + x)];
            sumTruth += truth[static_cast<std::size_t>(y * eye + x)];
            sumOther += other[static_cast<std::size_t>(y * eye + x)];
          }
        }
        error += std::abs(sumOut - sumTruth) / 64;
        otherError += std::abs(sumOut - sumOther) / 64;
        ++blocks;
      }
    }
    ASSERT_GT(blocks, 100);
    EXPECT_LT(error / blocks, 2.0);
    EXPECT_GT(otherError / blocks, 10 * error / blocks);
  }
}

INSTANTIATE_TEST_SUITE_P(Lenses, DualFisheye, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file that holds no lens circles stops the run before anything is written, naming it.
TEST(DualFisheyeInput, AFlatRecordingStopsTheRunNamingItsFile) {
  test::TempDir dir;
  const std::string flat = dir.file("flat.mkv");
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=640x360:d=0.2", "-c:v",
       "ffv1", flat});
  const test::CliOutcome made = test::runCli(
      {"--left", flat, "--set", "RadioGroup_Engine=1", "--set", "RadioGroup_Input_Format=4",
       "--set", "RadioGroup_Output_Format=1", "--set", "RadioGroup_Projection=1", "--set",
       "CheckBox_ffmpeg_make=1", "--set", "Edit_Video_Extension=.mkv"});
  EXPECT_NE(made.status, 0);
  EXPECT_NE(made.err.find("Cannot find the lens circles of \"" + flat +
                          "\" (is it a dual-fisheye recording?): the picture's left half"),
            std::string::npos)
      << made.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("flat_LR_180.ffgraph")));
}

// A run that would start its runner stops before writing anything where the runner's tagger is
// missing, saying what to install.
TEST(VrTags, AMissingTaggerStopsTheRunBeforeAnythingIsWritten) {
  test::TempDir dir;
  const std::string file = dir.file("trip.mkv");
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=640x320:d=0.2", "-c:v",
       "ffv1", file});
  // ffmpeg and ffprobe alone on the search path.
  std::filesystem::create_directory(dir.file("bin"));
  for (const char* program : {"ffmpeg", "ffprobe"}) {
    const platform::ProgramOutput where =
        platform::runProgram({"sh", "-c", std::string("command -v ") + program});
    std::string found = where.output.substr(0, where.output.find('\n'));
    std::filesystem::create_symlink(found, dir.file(std::string("bin/") + program));
  }
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", dir.file("bin").c_str(), 1);
  const test::CliOutcome made =
      test::runCli({"--left", file, "--set", "RadioGroup_Engine=1", "--set",
                    "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1", "--set",
                    "RadioGroup_Projection=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
                    "CheckBox_Execute_ffmpeg=1", "--set", "Edit_Video_Extension=.mp4"});
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_NE(made.status, 0);
  EXPECT_NE(made.err.find("The outputs are tagged for VR players by \"mkvpropedit\" (part of "
                          "MKVToolNix), which is not on the search path"),
            std::string::npos)
      << made.err;
  EXPECT_EQ(made.out.find("wrote\t"), std::string::npos) << made.out;
}

// The headset view: each eye of a VR output through a window where the sliders look, as v360
// shows the file's own sphere; a flat output has no sphere to look into.
TEST(HeadsetView, EachEyeIsTheWindowWhereItLooks) {
  test::TempDir dir;
  const std::string file = dir.file("trip.mkv");
  run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=1440x720:d=0.2", "-c:v",
       "ffv1", file});
  const struct {
    int projection;
    double yaw;
    double pitch;
    const char* stops;
  } looks[] = {
      {1, 0, 0, nullptr},
      {1, 35, -20, nullptr},
      {1, -60, 45, nullptr},
      {0, 0, 0, "The headset view looks into VR outputs: choose \"VR180\" or \"360\""},
  };
  for (const auto& look : looks) {
    SCOPED_TRACE(std::to_string(look.yaw) + " " + std::to_string(look.pitch));
    const std::string png = dir.file("look.png");
    const test::CliOutcome shown = test::runCli(
        {"preview", "--left", file, "--set", "RadioGroup_Engine=1", "--set",
         "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1", "--set",
         "RadioGroup_Projection=" + std::to_string(look.projection), "--mode", "headset", "--yaw",
         std::to_string(look.yaw), "--pitch", std::to_string(look.pitch), "--png", png});
    if (look.stops != nullptr) {
      EXPECT_NE(shown.status, 0);
      EXPECT_NE(shown.err.find(look.stops), std::string::npos) << shown.err;
      continue;
    }
    ASSERT_EQ(shown.status, 0) << shown.err;
    const std::vector<unsigned char> seen = greyFrame({"-i", png});
    ASSERT_EQ(seen.size(), 1600u * 450);
    for (const auto& [eye, crop] : {std::pair{0, "crop=iw/2:ih:0:0"}, {1, "crop=iw/2:ih:iw/2:0"}}) {
      const std::vector<unsigned char> truth = greyFrame(
          {"-i", file, "-vf",
           std::string(crop) +
               ",v360=input=hequirect:output=flat:h_fov=90:v_fov=58.7155:w=800:h=450:yaw=" +
               std::to_string(look.yaw) + ":pitch=" + std::to_string(look.pitch) +
               ":interp=cubic"});
      ASSERT_EQ(truth.size(), 800u * 450);
      double error = 0;
      for (int y = 0; y < 450; ++y) {
        for (int x = 0; x < 800; ++x) {
          error += std::abs(seen[static_cast<std::size_t>(y * 1600 + eye * 800 + x)] -
                            truth[static_cast<std::size_t>(y * 800 + x)]);
        }
      }
      // The picture went through RGB for the PNG: a few levels at its colour edges.
      EXPECT_LT(error / (800 * 450), 3.0) << "eye " << eye;
    }
  }
}

// Both eyes see one detailed sphere, the right eye's lens turned against the left's (as two
// lenses of one body can be): converted with the eyes aligned, in angles, the two eyes of the
// output show the same picture where without it they do not; and a flat window for a 3D
// television is the sphere's own view through a window of the chosen field of view.
struct EyesCase {
  const char* name;
  const char* turned;  // the right lens against the left, as v360 rotates
  int projection;      // RadioGroup_Projection
  int align;           // RadioGroup_Align
  // Edit_Window_FOV, and the output's eye: as many pixels to a radian at its middle as the
  // circle's middle has (0: VR180, 180 degrees from a 180-degree circle).
  const char* window;
  int width;
  int height;
};

const EyesCase kEyes[] = {
    {"LensesTurnedAreAligned", ":pitch=2.5:roll=3", 1, 1, "90", 0, 0},
    {"TheOtherWayAreAligned", ":pitch=-2:roll=-2", 1, 1, "90", 0, 0},
    {"AFlatWindowForATelevision", "", 0, 0, "90", 382, 214},
    {"ANarrowWindowAligned", ":pitch=2", 0, 1, "60", 220, 124},
};

// The mean difference of the output's two eyes (side by side, `w` x `h` each) over the middle of
// the view, where both lenses see.
double eyesApart(const std::vector<unsigned char>& frame, int w, int h) {
  double sum = 0;
  int count = 0;
  for (int y = h / 4; y < 3 * h / 4; ++y) {
    for (int x = w / 4; x < 3 * w / 4; ++x) {
      sum += std::abs(frame[static_cast<std::size_t>(y * 2 * w + x)] -
                      frame[static_cast<std::size_t>(y * 2 * w + w + x)]);
      ++count;
    }
  }
  return sum / count;
}

class DualFisheyeEyes : public ::testing::TestWithParam<EyesCase> {};

TEST_P(DualFisheyeEyes, AreAlignedInAnglesAndSeenThroughAWindow) {
  const EyesCase& c = GetParam();
  test::TempDir dir;
  const std::string recording = dir.file("rig.mkv");
  // Detail everywhere, as fine as both lenses still draw it.
  const std::string sphere =
      "color=c=gray:s=1440x720:r=25:d=0.2,noise=alls=90:allf=u,gblur=sigma=2,format=gray";
  const auto lens = [&](const std::string& turned, Placed at, const char* label) {
    const std::string middle = std::to_string((kCircle - 1) / 2.0);
    return sphere +
           ",v360=input=e:output=fisheye:h_fov=180:v_fov=180:w=" + std::to_string(kCircle) +
           ":h=" + std::to_string(kCircle) + turned + ",geq=lum='if(lte(hypot(X-" + middle + ",Y-" +
           middle + ")," + std::to_string(kCircle / 2) +
           "),p(X,Y),0)',pad=" + std::to_string(kHalfWidth) + ":" + std::to_string(kHeight) + ":" +
           std::to_string(at.x) + ":" + std::to_string(at.y) + ":color=black[" + label + "]";
  };
  run({"ffmpeg", "-v", "error", "-y", "-filter_complex",
       lens("", {14, 60}, "a") + ";" + lens(c.turned, {27, 48}, "b") + ";[a][b]hstack", "-c:v",
       "ffv1", recording});
  const auto converted = [&](int align) {
    const std::string runner =
        encodedOrStopped({"--left", recording,
                          "--set",  "RadioGroup_Engine=1",
                          "--set",  "RadioGroup_Input_Format=4",
                          "--set",  "RadioGroup_Lens=2",
                          "--set",  "Edit_Lens_FOV=180",
                          "--set",  "RadioGroup_Output_Format=1",
                          "--set",  "RadioGroup_Projection=" + std::to_string(c.projection),
                          "--set",  std::string("Edit_Window_FOV=") + c.window,
                          "--set",  "RadioGroup_Align=" + std::to_string(align),
                          "--set",  "CheckBox_ffmpeg_make=1",
                          "--set",  "CheckBox_Execute_ffmpeg=1",
                          "--set",  "Edit_Video_Extension=.mkv",
                          "--set",  "Edit_coding_presets=-c:v ffv1"},
                         nullptr);
    const std::string output = dir.file(c.projection == 1 ? "rig_LR_180.mkv" : "rig_LR.mkv");
    EXPECT_TRUE(std::filesystem::exists(output)) << runner;
    return greyFrame({"-i", output});
  };
  const int w = c.width > 0 ? c.width : kCircle;  // VR180: 180 degrees from a 180-degree circle
  const int h = c.height > 0 ? c.height : kCircle;
  const std::vector<unsigned char> out = converted(c.align);
  ASSERT_EQ(out.size(), static_cast<std::size_t>(2 * w * h));
  if (c.align == 0) {
    // The left eye is the sphere through the window, as v360 shows it.
    const std::vector<unsigned char> truth = greyFrame(
        {"-f", "lavfi", "-i",
         sphere + ",v360=input=e:output=flat:h_fov=" + c.window + ":v_fov=" +
             std::to_string(
                 2 * std::atan(std::tan(std::stod(c.window) * std::numbers::pi / 360) * h / w) *
                 180 / std::numbers::pi) +
             ":w=" + std::to_string(w) + ":h=" + std::to_string(h)});
    ASSERT_EQ(truth.size(), static_cast<std::size_t>(w * h));
    double error = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        error += std::abs(out[static_cast<std::size_t>(y * 2 * w + x)] -
                          truth[static_cast<std::size_t>(y * w + x)]);
      }
    }
    EXPECT_LT(error / (w * h), 6.0);
    EXPECT_LT(eyesApart(out, w, h), 6.0);
    return;
  }
  const double aligned = eyesApart(out, w, h);
  const double asTheyAre = eyesApart(converted(0), w, h);
  EXPECT_LT(aligned, 0.4 * asTheyAre) << "aligned " << aligned << ", as they are " << asTheyAre;
}

INSTANTIATE_TEST_SUITE_P(Rigs, DualFisheyeEyes, ::testing::ValuesIn(kEyes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace twinlens

namespace twinlens {
namespace {

// A target sets the layout, projection and encoding, and a run stops before writing an output
// beyond what the target plays: one row per limit.
struct TargetCase {
  const char* name;
  int target;
  bool fisheye;  // a dual-fisheye recording, else a pair of cameras' files
  int width;     // of each camera's picture
  int height;
  int rate;
  const char* stops;           // the message's end, or null where the run goes on
  const char* output;          // the output the runner encodes
  const char* size = nullptr;  // its picture, as ffprobe tells it
};

const TargetCase kTargets[] = {
    {"TelevisionFullHdPair", 7, false, 1920, 1080, 25, nullptr, "cam_LR.mp4",
     "width=1920\nheight=1080"},
    {"TelevisionTooLarge", 7, false, 2560, 1440, 25,
     "is 2560x1440 at 25.00 frames a second, beyond what \"3D television (half side by side)\" "
     "plays in H.264 (1920x1080 at 60 frames a second): change the final size on Output settings "
     "or the frame rate on Frame rates, or choose the target \"Custom\"",
     nullptr},
    {"TelevisionTooFast", 7, false, 1920, 1080, 120, "is 1920x1080 at 120.00 frames a second",
     nullptr},
    {"QuestTooFast", 1, true, 0, 0, 60,
     "beyond what \"Meta Quest 3 (VR180)\" plays in H.264 (5760x2880 at 30 frames a second)",
     nullptr},
    {"DeoVrAtSixty", 6, true, 0, 0, 60, nullptr, "trip_LR_180.mp4", "width=1136\nheight=568"},
    {"YouTube3dPair", 5, false, 1280, 720, 30, nullptr, "cam_LR.mp4", "width=2560\nheight=720"},
};

void PrintTo(const TargetCase& c, std::ostream* os) {
  *os << c.name;
}

class Targets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(Targets, SetTheOutputAndStopWhatTheyWouldNotPlay) {
  const TargetCase& c = GetParam();
  test::TempDir dir;
  std::vector<std::string> args{"--set", "RadioGroup_Engine=1",
                                "--set", "CheckBox_ffmpeg_make=1",
                                "--set", "CheckBox_Execute_ffmpeg=1"};
  if (c.fisheye) {
    const std::string recording = dir.file("trip.mkv");
    run({"ffmpeg", "-v", "error", "-y", "-filter_complex",
         fisheye(kRightPhase, 190, {12, 70}, "a") + ";" + fisheye(kLeftPhase, 190, {31, 52}, "b") +
             ";[a][b]hstack,fps=" + std::to_string(c.rate),
         "-c:v", "ffv1", recording});
    args.insert(args.end(), {"--left", recording, "--set", "RadioGroup_Input_Format=4"});
  } else {
    for (const char* side : {"L", "R"}) {
      run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
           "testsrc2=s=" + std::to_string(c.width) + "x" + std::to_string(c.height) +
               ":r=" + std::to_string(c.rate) + ":d=0.2",
           "-c:v", "ffv1", dir.file(std::string("cam_") + side + ".mkv")});
    }
    args.insert(args.end(), {"--left", dir.file("cam_L.mkv"), "--right", dir.file("cam_R.mkv")});
  }
  args.insert(args.end(), {"--set", "ComboBox_Target=" + std::to_string(c.target)});
  const std::string runner = encodedOrStopped(args, c.stops);
  if (runner.empty()) return;
  // Side by side and tagged so, at the size the target takes, with the target's encoding.
  const std::string output = dir.file(c.output);
  const std::string probed =
      run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
           "stream=codec_name,width,height:stream_side_data", "-of", "default=nw=1", output});
  EXPECT_NE(probed.find("type=side by side"), std::string::npos) << probed;
  EXPECT_NE(probed.find("codec_name=h264"), std::string::npos) << probed;
  EXPECT_NE(probed.find(c.size), std::string::npos) << probed;
  EXPECT_NE(test::readBytes(runner).find("-force_key_frames"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Limits, Targets, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace twinlens

namespace twinlens {
namespace {

// VR files read as their tags say: the views' layout and the sphere must be the chosen ones, or
// the run stops naming both and the cure; read right, the output is tagged as its settings make
// it.
struct VrFileCase {
  const char* name;
  const char* stack;       // how the file's two eyes lie: "hstack" or "vstack"
  const char* stereo;      // its Matroska stereo mode
  const char* bounds;      // its projection's private data: half or whole sphere
  int inputFormat;         // RadioGroup_Input_Format
  int projection;          // RadioGroup_Projection
  int outputFormat;        // RadioGroup_Output_Format
  const char* stops;       // the message's end, or null where the run goes on
  const char* output;      // the output's name
  const char* stereoRead;  // what ffprobe tells of it
  const char* sphereRead;
};

constexpr const char* kHalf = "00 00 00 00 00 00 00 00 00 00 00 00 3F FF FF FF 3F FF FF FF";
constexpr const char* kWhole = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

const VrFileCase kVrFiles[] = {
    {"Vr180SideBySide", "hstack", "left_right", kHalf, 1, 1, 1, nullptr, "trip_LR_180.mkv",
     "side by side", "tiled equirectangular"},
    {"Vr180ToOverUnder", "hstack", "left_right", kHalf, 1, 1, 2, nullptr, "trip_OU_180.mkv",
     "top and bottom", "tiled equirectangular"},
    {"Whole360OverUnder", "vstack", "top_bottom", kWhole, 2, 2, 1, nullptr, "trip_LR_360.mkv",
     "side by side", "equirectangular"},
    {"OverUnderReadSideBySide", "vstack", "top_bottom", kHalf, 1, 1, 1,
     "is tagged with its views over-under, and \"Input Format\" is \"Side-by-side LR\": choose "
     "\"Over-under OU\"",
     nullptr, nullptr, nullptr},
    {"Vr180ReadFlat", "hstack", "left_right", kHalf, 1, 0, 1,
     "is tagged as VR180 (half a sphere), and \"Projection\" is \"Flat\": choose \"VR180\"",
     nullptr, nullptr, nullptr},
    {"WholeReadAsVr180", "vstack", "top_bottom", kWhole, 2, 1, 1,
     "is tagged as 360 (a whole sphere), and \"Projection\" is \"VR180\": choose \"360\"", nullptr,
     nullptr, nullptr},
};

void PrintTo(const VrFileCase& c, std::ostream* os) {
  *os << c.name;
}

class VrFiles : public ::testing::TestWithParam<VrFileCase> {};

TEST_P(VrFiles, AreReadAsTheirTagsSay) {
  const VrFileCase& c = GetParam();
  test::TempDir dir;
  const std::string file = dir.file("trip.mkv");
  const std::string eye = ",v360=input=e:output=hequirect:w=256:h=256";
  run({"ffmpeg", "-v", "error", "-y", "-filter_complex",
       scene(kLeftPhase) + eye + "[a];" + scene(kRightPhase) + eye + "[b];[a][b]" + c.stack, "-c:v",
       "ffv1", "-metadata:s:v:0", std::string("stereo_mode=") + c.stereo, file});
  run({"mkvpropedit", file, "--quiet", "--edit", "track:v1", "--set", "projection-type=1", "--set",
       std::string("projection-private=") + c.bounds});
  const std::string runner =
      encodedOrStopped({"--left", file, "--set", "RadioGroup_Engine=1", "--set",
                        "RadioGroup_Input_Format=" + std::to_string(c.inputFormat), "--set",
                        "RadioGroup_Projection=" + std::to_string(c.projection), "--set",
                        "RadioGroup_Output_Format=" + std::to_string(c.outputFormat), "--set",
                        "CheckBox_ffmpeg_make=1", "--set", "CheckBox_Execute_ffmpeg=1", "--set",
                        "Edit_Video_Extension=.mkv", "--set", "Edit_coding_presets=-c:v ffv1"},
                       c.stops);
  if (runner.empty()) return;
  const std::string probed =
      run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
           "stream_side_data=type,projection", "-of", "default=nw=1", dir.file(c.output)});
  EXPECT_NE(probed.find(std::string("type=") + c.stereoRead), std::string::npos) << probed;
  EXPECT_NE(probed.find(std::string("projection=") + c.sphereRead + "\n"), std::string::npos)
      << probed;
}

INSTANTIATE_TEST_SUITE_P(Tagged, VrFiles, ::testing::ValuesIn(kVrFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace twinlens
