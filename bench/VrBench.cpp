// A 20-second 8192x4320 dual-fisheye recording (two 4010-pixel circles off centre, the eyes
// swapped as Canon's lenses record them) made into 5760x2880 VR180: the finding of both circles
// beside a bare decode of one frame, then the runner the command line writes (tags and all)
// against the same conversion typed by hand as one ffmpeg command, encoded in turns, in one run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "RememberedProbe.h"
#include "analysis/FfmpegLensMeasurer.h"
#include "cli/CliApp.h"

namespace fs = std::filesystem;
using namespace twinlens;
using bench::median;
using bench::run;
using bench::secondsOf;

namespace {

constexpr int kTurns = 3;

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-vr-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string still = (dir / "lenses.png").string();
  const std::string recording = (dir / "r5c.mp4").string();
  // Each lens's picture of one sphere, lit within its circle alone; then 20 seconds of it with a
  // moving test picture over the right eye's circle, key frames a second apart as cameras write.
  const std::string lens =
      "testsrc2=s=3840x1920:d=1,v360=input=e:output=fisheye:h_fov=190:v_fov=190:w=4010:h=4010,"
      "format=yuv444p";
  const std::string circle =
      "nullsrc=s=4010x4010:d=1,format=gray,geq=lum='255*lte(hypot(X-2004.5,Y-2004.5),2005)'";
  if (!run({"ffmpeg", "-v", "error", "-y", "-filter_complex",
            lens + ",split[a][b];" + circle +
                ",split[m][n];[a][m]alphamerge[ea];[b][n]alphamerge[eb];" +
                "color=black:s=8192x4320:d=1[bg];[bg][ea]overlay=40:150[t];[t][eb]overlay=4148:130",
            "-frames:v", "1", still}) ||
      !run({"ffmpeg",
            "-v",
            "error",
            "-y",
            "-loop",
            "1",
            "-framerate",
            "30",
            "-i",
            still,
            "-f",
            "lavfi",
            "-i",
            "testsrc2=s=1200x800:r=30",
            "-filter_complex",
            "[0][1]overlay=1400:1700:shortest=1,format=yuv420p",
            "-t",
            "20",
            "-c:v",
            "libx264",
            "-preset",
            "ultrafast",
            "-g",
            "30",
            recording})) {
    return 1;
  }

  const ConversionSettings settings;
  RememberedProbe files(settings);
  files.probe(recording);
  FfmpegLensMeasurer measurer(settings);
  std::vector<double> finding;
  LensCircles circles;
  for (int i = 0; i < kTurns; ++i) {
    finding.push_back(secondsOf([&] { circles = measurer.measure(recording, files); }));
  }
  std::vector<double> decoding;
  for (int i = 0; i < kTurns; ++i) {
    decoding.push_back(secondsOf([&] {
      run({"ffmpeg", "-v", "error", "-nostdin", "-ss", "10", "-i", recording, "-frames:v", "1",
           "-f", "null", "-"});
    }));
  }
  std::printf(
      "both circles found in %.2f s (median of %d; goal: at most 1 s), a bare decode of one frame "
      "%.2f s; left half (%.2f, %.2f) r %.2f, right half (%.2f, %.2f) r %.2f (drawn: (2044.5, "
      "2154.5) and (6152.5, 2134.5), r 2005)\n",
      median(finding), kTurns, median(decoding), circles.leftHalf.centreX, circles.leftHalf.centreY,
      circles.leftHalf.radius, circles.rightHalf.centreX, circles.rightHalf.centreY,
      circles.rightHalf.radius);

  const std::string presets = "-c:v libx264 -preset ultrafast";
  std::ostringstream out;
  std::ostringstream err;
  const int status = cli::run({"--left", recording,
                               "--set",  "RadioGroup_Engine=1",
                               "--set",  "RadioGroup_Input_Format=4",
                               "--set",  "RadioGroup_Projection=1",
                               "--set",  "RadioGroup_Output_Format=1",
                               "--set",  "CheckBox_change_final_HV=1",
                               "--set",  "Edit_final_H=2880",
                               "--set",  "Edit_final_V=2880",
                               "--set",  "CheckBox_ffmpeg_make=1",
                               "--set",  "Edit_Video_Extension=.mp4",
                               "--set",  "Edit_coding_presets=" + presets},
                              out, err);
  if (status != 0) {
    std::fprintf(stderr, "%s", err.str().c_str());
    return 1;
  }
  const std::string runner = (dir / "r5c_LR_180.sh").string();
  // The same crops as the runner's: each circle's square from the circles found.
  const auto eye = [&](const LensCircle& c) {
    const int side = static_cast<int>(std::lround(2 * c.radius));
    return "crop=" + std::to_string(side) + ":" + std::to_string(side) + ":" +
           std::to_string(std::lround(c.centreX + 0.5 - side / 2.0)) + ":" +
           std::to_string(std::lround(c.centreY + 0.5 - side / 2.0)) +
           ",v360=input=fisheye:ih_fov=190:iv_fov=190:output=hequirect:w=2880:h=2880:interp=cubic";
  };
  const std::vector<std::string> byHand{"ffmpeg",
                                        "-v",
                                        "error",
                                        "-y",
                                        "-i",
                                        recording,
                                        "-filter_complex",
                                        "[0:v]split[r][l];[l]" + eye(circles.rightHalf) +
                                            "[left];[r]" + eye(circles.leftHalf) +
                                            "[right];[left][right]hstack",
                                        "-c:v",
                                        "libx264",
                                        "-preset",
                                        "ultrafast",
                                        (dir / "by_hand.mp4").string()};
  std::vector<double> twinlens;
  std::vector<double> hand;
  for (int i = 0; i < kTurns; ++i) {
    twinlens.push_back(secondsOf([&] { run({"sh", runner}); }));
    hand.push_back(secondsOf([&] { run(byHand); }));
  }
  std::printf(
      "5760x2880 VR180, tagged: the runner %.1f s, by hand (untagged) %.1f s (medians of %d), "
      "ratio %.3f (goal: at most 1.05)\n",
      median(twinlens), median(hand), kTurns, median(twinlens) / median(hand));
  fs::remove_all(dir);
  return 0;
}
