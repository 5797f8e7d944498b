// The preview of a frame in the middle of a generated 10-minute 1080p H.264 clip (a key frame
// every 10 s), side by side with a bare `ffmpeg -ss T -i clip -frames:v 1 out.png` of the same
// frame, each run 9 times in turns; the medians are compared, and the first request (which reads
// the files) is told apart. Once for a side-by-side file (one file, as the bare command reads) and
// once for a pair of files (twice the reading).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "model/ConversionSettings.h"
#include "platform/ProgramOutput.h"
#include "run/ClipScan.h"
#include "run/FramePreview.h"

namespace fs = std::filesystem;
using namespace twinlens;

namespace {

bool run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  if (result.exitCode != 0) std::fprintf(stderr, "%s\n", result.errors.c_str());
  return result.exitCode == 0;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename Action>
double millisecondsOf(Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-preview-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string ten = (dir / "ten.mp4").string();
  const std::string left = (dir / "long_L.mp4").string();
  const std::string right = (dir / "long_R.mp4").string();
  for (const auto& [file, camera] :
       {std::pair{left, std::string("null")},
        std::pair{right, std::string("crop=iw:ih-6:0:0,pad=iw:ih+6:0:6")}}) {
    if (!run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
              "mandelbrot=s=1920x1080:r=25,trim=duration=10," + camera + ",format=yuv420p", "-c:v",
              "libx264", "-preset", "ultrafast", "-g", "250", ten}) ||
        !run(
            {"ffmpeg", "-v", "error", "-y", "-stream_loop", "59", "-i", ten, "-c", "copy", file})) {
      return 1;
    }
  }
  const std::string both = (dir / "long_SBS.mp4").string();
  if (!run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
            "mandelbrot=s=1920x540:r=25,trim=duration=10,format=yuv420p", "-c:v", "libx264",
            "-preset", "ultrafast", "-g", "250", ten}) ||
      !run({"ffmpeg", "-v", "error", "-y", "-stream_loop", "59", "-i", ten, "-c", "copy", both})) {
    return 1;
  }
  const std::string png = (dir / "preview.png").string();
  const std::string bare = (dir / "bare.png").string();
  struct Clip {
    const char* name;
    bool oneFile;
    std::vector<std::string> files;
  };
  const Clip clips[] = {
      {"a side-by-side file", true, {"--set", "RadioGroup_Input_Format=1", "--left", both}},
      {"a pair of files", false, {"--left", left, "--right", right}},
  };
  for (const Clip& clip : clips) {
    std::vector<double> previews;
    std::vector<double> bares;
    std::vector<std::string> args{"preview",
                                  "--set",
                                  "RadioGroup_Engine=1",
                                  "--set",
                                  "RadioGroup_Output_Format=1",
                                  "--frame",
                                  "7500",
                                  "--png",
                                  png};
    args.insert(args.end(), clip.files.begin(), clip.files.end());
    for (int i = 0; i < 9; ++i) {
      previews.push_back(millisecondsOf([&] {
        std::ostringstream out;
        std::ostringstream err;
        if (cli::run(args, out, err) != 0) std::fprintf(stderr, "%s", err.str().c_str());
      }));
      bares.push_back(millisecondsOf([&] {
        run({"ffmpeg", "-v", "error", "-y", "-ss", "300", "-i", clip.files.back(), "-frames:v", "1",
             bare});
      }));
    }
    // As a window keeps it: one preview object, which reads each file once.
    ConversionSettings settings;
    settings.RadioGroup_Engine = choices::Engine::Ffmpeg;
    settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
    if (clip.oneFile) settings.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
    ClipScan scan;
    FramePreview kept(settings, scan);
    const std::string keptLeft = clip.oneFile ? both : left;
    const std::string keptRight = clip.oneFile ? std::string() : right;
    std::vector<double> keptTimes;
    for (int i = 0; i < 10; ++i) {
      keptTimes.push_back(millisecondsOf([&] {
        kept.render(keptLeft, keptRight, {7500 + i, std::nullopt}, PreviewMode::Output, png);
      }));
    }
    const double first = keptTimes.front();
    keptTimes.erase(keptTimes.begin());
    // The first request reads the files anew (they were just made); the next ones find what
    // ffprobe said of them kept in the cache folder.
    const double cold = previews.front();
    const double ours = median(previews);
    const double theirs = median(bares);
    std::printf("%s, twinlens-cli preview: the first request %.0f ms (ratio %.2f)\n", clip.name,
                cold, cold / theirs);
    std::printf(
        "%s, one preview object kept: the first frame %.0f ms, the next ones median %.0f ms "
        "(ratio %.2f)\n",
        clip.name, first, median(keptTimes), median(keptTimes) / theirs);
    std::printf(
        "%s, 10 minutes of 1080p: the preview of frame 7500 (300 s in), side by side: median "
        "%.0f ms (goal: at most 300 ms); bare ffmpeg -ss 300 -i clip -frames:v 1 out.png: "
        "median %.0f ms; ratio %.2f (goal: at most 1.3)\n",
        clip.name, ours, theirs, ours / theirs);
  }
  fs::remove_all(dir);
  return 0;
}
