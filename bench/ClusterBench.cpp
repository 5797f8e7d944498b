// Eight short 1080p pairs encoded by the local runner, by the one-machine Slurm cluster and by
// GNU parallel over ssh to this computer (scripts/test-cluster starts both), in turns, three
// times each, in one run: what submitting and following cost where the cluster has no more cores
// to offer, and how long a submission waits for its first job to run.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "run/ConversionRun.h"
#include "run/EncodeRun.h"
#include "support/HandedOver.h"

namespace fs = std::filesystem;
using namespace twinlens;
using bench::median;
using bench::run;

namespace {

struct Timing {
  double seconds = -1;
  double firstRunning = -1;  // from the hand-over to the first clip running
};

Timing encode(const ProgramStart& start, const std::vector<std::string>& outputs) {
  for (const std::string& output : outputs) fs::remove(output);
  EncodeRun encodes;
  const auto began = std::chrono::steady_clock::now();
  const auto since = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  };
  Timing timing;
  if (const std::string failure = encodes.start(start); !failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    return timing;
  }
  while (encodes.poll(20)) {
    if (timing.firstRunning < 0 && encodes.status().clip > 0) timing.firstRunning = since();
  }
  if (encodes.status().failures() > 0 || encodes.status().results.size() != outputs.size()) {
    std::fprintf(stderr, "the encodes failed: %s\n", encodes.status().line().c_str());
    return timing;
  }
  timing.seconds = since();
  return timing;
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const platform::ProgramOutput slurmAnswer =
      platform::runProgram({"sinfo", "-h", "-o", "%T"}, 10000);
  if (slurmAnswer.exitCode != 0 ||
      platform::runProgram({"ssh", "-o", "BatchMode=yes", "twinlens-test", "true"}, 10000)
              .exitCode != 0) {
    std::printf("no test cluster answers (scripts/test-cluster start, as root): skipped\n");
    return 0;
  }
  const fs::path dir = fs::temp_directory_path() / "twinlens-cluster-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::vector<std::string> left;
  std::vector<std::string> right;
  std::vector<std::string> outputs;
  for (int i = 0; i < 8; ++i) {
    const std::string stem = (dir / ("clip" + std::to_string(i))).string();
    left.push_back(stem + "_L.mp4");
    right.push_back(stem + "_R.mp4");
    outputs.push_back(stem + "_LR.mkv");
    const std::string scene = "testsrc2=s=1920x1080:r=25:d=3,hue=h=" + std::to_string(40 * i);
    for (const std::string* file : {&left.back(), &right.back()}) {
      if (!run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", scene, "-c:v", "libx264",
                "-preset", "ultrafast", *file})) {
        return 1;
      }
    }
  }
  ConversionSettings settings;
  settings.RadioGroup_Engine = choices::Engine::Ffmpeg;
  settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings.CheckBox_ffmpeg_make = true;
  settings.CheckBox_Execute_ffmpeg = true;
  settings.Edit_Video_Extension = ".mkv";
  settings.Edit_coding_presets = "-c:v libx264 -preset ultrafast";
  // The cluster has this computer's two cores: two clips at once, one core each.
  settings.RadioGroup_Encode_On = choices::EncodeOn::Slurm;
  settings.Edit_Slurm_Clips_At_Once = "2";
  settings.Edit_Slurm_CPUs = "1";
  settings.Edit_Slurm_Memory = "1G";
  test::HandedOver handed(left, right);
  ConversionRun conversion(settings, handed);
  conversion.M1Click();
  if (!handed.runner) return 1;
  ProgramStart slurm = *handed.runner;
  ProgramStart local = slurm;
  local.on = choices::EncodeOn::ThisComputer;
  ProgramStart parallel = slurm;
  parallel.on = choices::EncodeOn::Parallel;
  parallel.computers = "2/twinlens-test";
  parallel.jobLog = (dir / "clip7_LR.joblog").string();

  std::vector<double> here, cluster, spread, clusterFirst, spreadFirst, hereFirst;
  for (int round = 0; round < 3; ++round) {
    const Timing a = encode(local, outputs);
    const Timing b = encode(slurm, outputs);
    const Timing c = encode(parallel, outputs);
    if (a.seconds < 0 || b.seconds < 0 || c.seconds < 0) return 1;
    here.push_back(a.seconds);
    hereFirst.push_back(a.firstRunning);
    cluster.push_back(b.seconds);
    clusterFirst.push_back(b.firstRunning);
    spread.push_back(c.seconds);
    spreadFirst.push_back(c.firstRunning);
    std::printf(
        "round %d: this computer %.2f s, Slurm %.2f s (first job after %.2f s), GNU "
        "parallel %.2f s (first job after %.2f s)\n",
        round + 1, a.seconds, b.seconds, b.firstRunning, c.seconds, c.firstRunning);
  }
  std::printf(
      "8 clips of 3 s 1080p pairs, median of 3: this computer %.2f s; Slurm %.2f s "
      "(%.2fx, goal <= 1.15x), first job running %.2f s after submission; GNU parallel "
      "%.2f s (%.2fx), first job %.2f s\n",
      median(here), median(cluster), median(cluster) / median(here), median(clusterFirst),
      median(spread), median(spread) / median(here), median(spreadFirst));
  fs::remove_all(dir);
  return 0;
}
