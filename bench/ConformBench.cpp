// Two cameras' views of different sizes: the runner the command line writes for them (the right
// view scaled to the left's size, the pair side by side) against the same conversion typed by
// hand as one ffmpeg command, encoded in turns, three times each, in one run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "cli/CliApp.h"

namespace fs = std::filesystem;
using namespace twinlens;
using bench::median;
using bench::run;
using bench::secondsOf;

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-conform-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string left = (dir / "pair_L.mp4").string();
  const std::string right = (dir / "pair_R.mp4").string();
  // 20 seconds of a 1080p camera and a 720p camera seeing the same scene, with sound.
  const std::string scene = "testsrc2=s=1920x1080:r=25:d=20";
  const std::string sound = "sine=f=440:d=20:r=48000";
  if (!run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", scene, "-f", "lavfi", "-i", sound,
            "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", left}) ||
      !run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", scene + ",scale=1280:720", "-f",
            "lavfi", "-i", sound, "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac",
            right})) {
    return 1;
  }
  const std::string presets = "-c:v libx264 -preset ultrafast -c:a aac";
  std::ostringstream out;
  std::ostringstream err;
  const int status =
      cli::run({"--left", left, "--right", right, "--set", "RadioGroup_Engine=1", "--set",
                "CheckBox_ffmpeg_make=1", "--set", "RadioGroup_Output_Format=1", "--set",
                "Edit_Video_Extension=.mkv", "--set", "Edit_coding_presets=" + presets},
               out, err);
  if (status != 0) {
    std::fprintf(stderr, "%s", err.str().c_str());
    return 1;
  }
  std::printf("the run says: %s", err.str().c_str());
  const std::string runner = (dir / "pair_LR.sh").string();
  const std::vector<std::string> byHand{
      "ffmpeg",
      "-v",
      "error",
      "-y",
      "-i",
      left,
      "-i",
      right,
      "-filter_complex",
      "[1:v]scale=1920:1080:flags=lanczos[r];[0:v][r]hstack=inputs=2[v]",
      "-map",
      "[v]",
      "-map",
      "0:a",
      "-c:v",
      "libx264",
      "-preset",
      "ultrafast",
      "-c:a",
      "aac",
      (dir / "by_hand.mkv").string()};
  std::vector<double> twinlens;
  std::vector<double> hand;
  for (int i = 0; i < 3; ++i) {
    twinlens.push_back(secondsOf({"sh", runner}));
    hand.push_back(secondsOf(byHand));
  }
  const double ratio = median(twinlens) / median(hand);
  std::printf(
      "the runner: %.2f s, by hand: %.2f s (medians of 3), ratio %.3f (goal: at most 1.05)\n",
      median(twinlens), median(hand), ratio);
  fs::remove_all(dir);
  return 0;
}
