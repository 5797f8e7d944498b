// One "Convert files" run over 1,000 clips with every option on, written into a temporary
// folder: how many clips and bytes the run gets through per second.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "EveryOption.h"
#include "run/ConversionRun.h"

namespace {

namespace fs = std::filesystem;
using twinlens::ConversionRun;
using twinlens::ConversionSettings;
using twinlens::OpenFilesRequest;

constexpr int kClips = 1000;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("twinlens-bench-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string folder(const std::string& name) const {
    fs::create_directories(path_ / name);
    return (path_ / name).string() + "/";
  }

 private:
  fs::path path_;
};

// Returns the prepared selections and counts what the run writes.
class BenchFrontEnd : public twinlens::RunFrontEnd {
 public:
  BenchFrontEnd(std::vector<std::string> left, std::vector<std::string> right)
      : left_(std::move(left)), right_(std::move(right)) {}

  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    return dialogs_++ % 2 == 0 ? left_ : right_;
  }
  std::string launch(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  void wrote(const std::string& path) override {
    ++files;
    bytes += static_cast<std::int64_t>(fs::file_size(path));
  }

  std::int64_t files = 0;
  std::int64_t bytes = 0;

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  int dialogs_ = 0;
};

void BM_RunThousandClipsEveryOption(benchmark::State& state) {
  ScratchFolder scratch;
  const std::string clips = scratch.folder("clips");
  ConversionSettings settings = twinlens::bench::everyOption(scratch.folder("run"));

  std::vector<std::string> left;
  std::vector<std::string> right;
  for (int i = 0; i < kClips; ++i) {
    left.push_back(clips + "clip" + std::to_string(i) + "_L.mp4");
    right.push_back(clips + "clip" + std::to_string(i) + "_R.mp4");
  }
  BenchFrontEnd frontEnd(left, right);

  for (auto _ : state) {
    ConversionRun run(settings, frontEnd);
    run.M1Click();
  }
  state.counters["clips_per_second"] =
      benchmark::Counter(static_cast<double>(kClips) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["bytes_per_second"] =
      benchmark::Counter(static_cast<double>(frontEnd.bytes), benchmark::Counter::kIsRate,
                         benchmark::Counter::kIs1024);
  state.counters["files_per_run"] =
      static_cast<double>(frontEnd.files) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RunThousandClipsEveryOption)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
