// The scan of a 100-clip run of 1080p pairs with "Measure each clip": the same ffprobe readings
// and measurements made one after another, beside the scan (two files at a time); then a second
// scan of the same clips by a fresh scan object over the same cache folder, which should start no
// program at all. The clips are copies of one 4-second H.264 pair under 100 names, so that the
// files are read as any others and the disk holds little.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "RememberedProbe.h"
#include "analysis/FfmpegGeometryMeasurer.h"
#include "platform/ChildProcess.h"
#include "platform/ProgramOutput.h"
#include "run/ClipScan.h"

namespace fs = std::filesystem;
using namespace twinlens;

namespace {

constexpr int kClips = 100;

bool run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  if (result.exitCode != 0) std::fprintf(stderr, "%s\n", result.errors.c_str());
  return result.exitCode == 0;
}

template <typename Action>
double secondsOf(Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-scan-bench";
  fs::remove_all(dir);
  fs::create_directories(dir / "cache");
  const std::string scene = "mandelbrot=s=2000x1140:r=25,trim=duration=4,";
  for (const auto& [name, crop] : {std::pair{"one_L.mp4", "crop=1920:1080:40:30"},
                                   std::pair{"one_R.mp4", "crop=1920:1080:46:24"}}) {
    if (!run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", scene + crop + ",format=yuv420p",
              "-c:v", "libx264", "-preset", "ultrafast", "-g", "25", (dir / name).string()})) {
      return 1;
    }
  }
  std::vector<ClipNames> clips(kClips);
  for (int i = 0; i < kClips; ++i) {
    clips[i].leftFile = (dir / ("clip" + std::to_string(i) + "_L.mp4")).string();
    clips[i].rightFile = (dir / ("clip" + std::to_string(i) + "_R.mp4")).string();
    fs::copy_file(dir / "one_L.mp4", clips[i].leftFile);
    fs::copy_file(dir / "one_R.mp4", clips[i].rightFile);
  }
  const ConversionSettings settings;
  const ScanRequest request{true, true, true};

  // One after another: each file read, then the pair measured, as the run did before the scan.
  const double oneByOne = secondsOf([&] {
    RememberedProbe ffprobe(settings);
    FfmpegGeometryMeasurer measurer(settings);
    for (const ClipNames& clip : clips) {
      ffprobe.probe(clip.leftFile);
      ffprobe.probe(clip.rightFile);
      measurer.measure(recipe::InputLayout::Pair, clip.leftFile, clip.rightFile, ffprobe);
    }
  });
  std::printf("%d clips read and measured one after another: %.2f s\n", kClips, oneByOne);

  ScanProgress quiet;
  const auto clip = [&](std::size_t i) { return clips[i]; };
  const std::string cache = (dir / "cache").string();
  std::uint64_t starts = platform::ChildProcess::started();
  const double scanned = secondsOf([&] {
    ClipScan scan(nullptr, nullptr, cache);
    scan.scan(settings, recipe::InputLayout::Pair, request, kClips, clip, quiet);
  });
  std::printf("the scan, two files at a time: %.2f s (%.2fx), %llu programs started\n", scanned,
              scanned / oneByOne,
              static_cast<unsigned long long>(platform::ChildProcess::started() - starts));

  starts = platform::ChildProcess::started();
  const double again = secondsOf([&] {
    ClipScan scan(nullptr, nullptr, cache);
    scan.scan(settings, recipe::InputLayout::Pair, request, kClips, clip, quiet);
  });
  std::printf("a second run's scan: %.3f s, %llu programs started (ffprobe and ffmpeg)\n", again,
              static_cast<unsigned long long>(platform::ChildProcess::started() - starts));
  fs::remove_all(dir);
  return 0;
}
