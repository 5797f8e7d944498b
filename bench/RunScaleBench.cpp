// "Convert files" over 10,000 clips with every option on, on a RAM disk where there is one: wall
// time of a first run and of a re-run over its own output, each beside copying the same tree with
// `cp -r` (fresh) and `cp -r --remove-destination` (over it), and the peak memory of the run
// against a 10-clip run. Each figure is the median of several rounds, all measured in this one
// program so that they share the machine's state.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "EveryOption.h"
#include "run/ConversionRun.h"

namespace {

namespace fs = std::filesystem;
using twinlens::ConversionRun;
using twinlens::ConversionSettings;
using twinlens::OpenFilesRequest;

constexpr int kClips = 10000;
constexpr int kSmallRun = 10;
constexpr int kRounds = 5;

fs::path scratchRoot() {
  const fs::path shm = "/dev/shm";
  return fs::is_directory(shm) ? shm : fs::temp_directory_path();
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Answers the dialogs with the prepared selections, handing them over as a dialog would.
class BenchFrontEnd : public twinlens::RunFrontEnd {
 public:
  BenchFrontEnd(std::vector<std::string> left, std::vector<std::string> right)
      : left_(std::move(left)), right_(std::move(right)) {}

  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    return std::move(dialogs_++ == 0 ? left_ : right_);
  }
  std::string launch(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  void wrote(const std::string&) override { ++files; }

  long files = 0;

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  int dialogs_ = 0;
};

// The left or right input file of clip i.
std::string inputFile(const fs::path& tree, int i, const char* side) {
  return (tree / "clips" / ("clip" + std::to_string(i) + side + ".mov")).string();
}

// The empty input files of `clips` pairs.
void makeInputs(const fs::path& tree, int clips) {
  for (int i = 0; i < clips; ++i) {
    writeFile(inputFile(tree, i, "_L"), "");
    writeFile(inputFile(tree, i, "_R"), "");
  }
}

// The files the dialogs answer with.
std::pair<std::vector<std::string>, std::vector<std::string>> selection(const fs::path& tree,
                                                                        int clips) {
  std::vector<std::string> left;
  std::vector<std::string> right;
  for (int i = 0; i < clips; ++i) {
    left.push_back(inputFile(tree, i, "_L"));
    right.push_back(inputFile(tree, i, "_R"));
  }
  return {std::move(left), std::move(right)};
}

// One run over `clips` pairs of input files in `tree`/clips.
long runOnce(const fs::path& tree, int clips) {
  ConversionSettings settings = twinlens::bench::everyOption(tree);
  auto [left, right] = selection(tree, clips);
  BenchFrontEnd frontEnd(std::move(left), std::move(right));
  ConversionRun run(settings, frontEnd);
  run.M1Click();
  return frontEnd.files;
}

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// The peak resident memory, in KiB, of a fresh process (this program started again) that makes a
// run of `clips` clips, or with `mode` "--selection" only the dialogs' answer for them. A forked
// copy would count the pages it shares with this one.
long peakMemoryKiB(const fs::path& tree, int clips, const char* mode = "--one-run") {
  makeInputs(tree, clips);
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string count = std::to_string(clips);
    ::execl("/proc/self/exe", "run_scale_bench", mode, tree.c_str(), count.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--one-run") {
    runOnce(argv[2], std::atoi(argv[3]));
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--selection") {
    const auto files = selection(argv[2], std::atoi(argv[3]));
    return files.first.empty() ? 1 : 0;
  }
  const fs::path root = scratchRoot() / ("twinlens-scale-" + std::to_string(::getpid()));
  const fs::path tree = root / "tree";
  const fs::path copy = root / "copy";
  std::printf("%d clips with every option on, in %s\n", kClips, root.c_str());

  std::vector<double> first;
  std::vector<double> again;
  std::vector<double> copyFresh;
  std::vector<double> copyOver;
  long files = 0;
  for (int round = 0; round < kRounds; ++round) {
    fs::remove_all(root);
    makeInputs(tree, kClips);  // before the clock starts
    first.push_back(seconds([&] { files = runOnce(tree, kClips); }));
    again.push_back(seconds([&] { runOnce(tree, kClips); }));
    const std::string from = "'" + tree.string() + "'";
    const std::string to = "'" + copy.string() + "'";
    copyFresh.push_back(seconds([&] { shell("cp -rT " + from + " " + to); }));
    copyOver.push_back(seconds([&] { shell("cp -rT --remove-destination " + from + " " + to); }));
  }
  const double run = median(first);
  const double rerun = median(again);
  const double cp = median(copyFresh);
  const double cpOver = median(copyOver);
  std::printf("files written per run          %ld\n", files);
  std::printf("first run                      %.3f s   (%.2fx cp -r %.3f s)\n", run, run / cp, cp);
  std::printf("re-run over its own output     %.3f s   (%.2fx cp -r --remove-destination %.3f s)\n",
              rerun, rerun / cpOver, cpOver);

  fs::remove_all(root);
  std::vector<double> smallRuns;
  std::vector<double> largeRuns;
  std::vector<double> smallSelections;
  std::vector<double> largeSelections;
  for (int round = 0; round < kRounds; ++round) {
    smallRuns.push_back(static_cast<double>(peakMemoryKiB(root / "small", kSmallRun)));
    largeRuns.push_back(static_cast<double>(peakMemoryKiB(root / "large", kClips)));
    smallSelections.push_back(
        static_cast<double>(peakMemoryKiB(root / "small", kSmallRun, "--selection")));
    largeSelections.push_back(
        static_cast<double>(peakMemoryKiB(root / "large", kClips, "--selection")));
  }
  const auto small = static_cast<long>(median(smallRuns));
  const auto large = static_cast<long>(median(largeRuns));
  // What the dialogs' answer alone takes: the run holds it, whatever it does with it.
  const auto selectionGrowth = static_cast<long>(median(largeSelections) - median(smallSelections));
  std::printf("peak memory, %d clips          %ld KiB\n", kSmallRun, small);
  std::printf("peak memory, %d clips       %ld KiB   (%.2fx)\n", kClips, large,
              static_cast<double>(large) / static_cast<double>(small));
  std::printf("  of which the %d selected paths %ld KiB; without them %.2fx\n", 2 * kClips,
              selectionGrowth,
              static_cast<double>(large - selectionGrowth) / static_cast<double>(small));
  fs::remove_all(root);
  return 0;
}
