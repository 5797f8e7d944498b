// A conversion's encodes handed to a job engine: a one-machine Slurm cluster and GNU parallel over
// ssh to this computer (scripts/test-cluster starts both). The outputs are the local runner's,
// frame for frame; a clip whose input vanished fails alone; Cancel leaves no unfinished file and no
// job.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CliOutcome.h"
#include "platform/Host.h"
#include "platform/ProgramOutput.h"
#include "run/ConversionRun.h"
#include "run/EncodeRun.h"
#include "support/HandedOver.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The ssh name of this computer that scripts/test-cluster sets up.
constexpr const char* kComputer = "twinlens-test";

// Whether the test cluster answers. Where CI started it (TWINLENS_TEST_CLUSTER), it must.
bool clusterAnswers(std::string& why) {
  const platform::ProgramOutput slurm = platform::runProgram({"sinfo", "-h", "-o", "%T"}, 10000);
  // Up, whether idle or running the jobs of another test.
  const bool up = slurm.output.find("idle") != std::string::npos ||
                  slurm.output.find("mix") != std::string::npos ||
                  slurm.output.find("alloc") != std::string::npos ||
                  slurm.output.find("comp") != std::string::npos;
  if (slurm.exitCode != 0 || !up) {
    why = "no Slurm cluster answers: " + slurm.errors + slurm.output;
    return false;
  }
  const platform::ProgramOutput ssh =
      platform::runProgram({"ssh", "-o", "BatchMode=yes", kComputer, "true"}, 10000);
  if (ssh.exitCode != 0) {
    why = std::string("ssh to ") + kComputer + " fails: " + ssh.errors;
    return false;
  }
  return true;
}

#define REQUIRE_CLUSTER()                                                          \
  do {                                                                             \
    std::string why;                                                               \
    if (!clusterAnswers(why)) {                                                    \
      if (std::getenv("TWINLENS_TEST_CLUSTER") != nullptr) FAIL() << why;          \
      GTEST_SKIP() << why << " (scripts/test-cluster start sets one up, as root)"; \
    }                                                                              \
  } while (false)

void run(const std::vector<std::string>& command) {
  const platform::ProgramOutput ran = platform::runProgram(command);
  ASSERT_EQ(ran.exitCode, 0) << ran.errors;
}

// Pairs "<name>_L.mkv", "<name>_R.mkv" whose right view is darker, for the colour matching.
void makePairs(const TempDir& dir, const std::vector<std::string>& names, int seconds,
               const char* size = "160x120") {
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string scene = "testsrc2=r=25:s=" + std::string(size) +
                              ":d=" + std::to_string(seconds) + ",hue=h=" + std::to_string(40 * i);
    run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", scene, "-c:v", "ffv1",
         dir.file(names[i] + "_L.mkv")});
    run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", scene + ",lutrgb=r=val*0.8:g=val*0.9",
         "-c:v", "ffv1", dir.file(names[i] + "_R.mkv")});
  }
}

std::vector<std::string> pairArguments(const TempDir& dir, const std::vector<std::string>& names) {
  std::vector<std::string> args;
  for (const std::string& name : names) {
    args.insert(args.end(),
                {"--left", dir.file(name + "_L.mkv"), "--right", dir.file(name + "_R.mkv")});
  }
  return args;
}

const std::vector<std::string> kConversion = {
    "--set", "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
    "CheckBox_Execute_ffmpeg=1", "--set", "RadioGroup_Output_Format=1", "--set",
    "Edit_Video_Extension=.mkv", "--set", "Edit_coding_presets=-c:v ffv1", "--set",
    "Edit_Slurm_CPUs=1", "--set", "Edit_Slurm_Memory=500M", "--set", "Edit_Slurm_Clips_At_Once=2",
    // A computer of the list that cannot be reached is told, and the others encode its clips.
    "--set", std::string("Edit_Parallel_Computers=2/") + kComputer + ",nosuchhost.invalid"};

// twinlens-cli itself, started as a user starts it, in `dir`.
platform::ProgramOutput launch(const TempDir& dir, std::vector<std::string> sets,
                               const std::vector<std::string>& names) {
  std::vector<std::string> command{TWINLENS_CLI_PROGRAM};
  command.insert(command.end(), kConversion.begin(), kConversion.end());
  for (const std::string& set : sets) command.insert(command.end(), {"--set", set});
  command.push_back("--launch");
  const std::vector<std::string> pairs = pairArguments(dir, names);
  command.insert(command.end(), pairs.begin(), pairs.end());
  return platform::runProgram(command);
}

// Every frame's checksum and the stream's tags, as ffmpeg decodes the file.
std::string framesOf(const std::string& file) {
  const platform::ProgramOutput frames =
      platform::runProgram({"ffmpeg", "-v", "error", "-i", file, "-f", "framemd5", "-"});
  const platform::ProgramOutput tags =
      platform::runProgram({"ffprobe", "-v", "error", "-show_entries",
                            "stream=width,height:stream_tags=stereo_mode", "-of", "compact", file});
  std::string kept;
  // The header names the file; the checksums do not.
  for (std::size_t at = 0; at < frames.output.size();) {
    const std::size_t end = frames.output.find('\n', at);
    const std::string line = frames.output.substr(at, end - at);
    if (!line.starts_with("#")) kept += line + "\n";
    at = end == std::string::npos ? frames.output.size() : end + 1;
  }
  return kept + tags.output;
}

struct EngineCase {
  const char* name;
  choices::EncodeOn on;
  const char* where;  // the computer the results name; null: this one, by its own name
  std::string computer() const { return where != nullptr ? where : platform::hostName(); }
};

ConversionSettings settingsFor(const EngineCase& engine) {
  ConversionSettings settings;
  settings.RadioGroup_Engine = choices::Engine::Ffmpeg;
  settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings.CheckBox_ffmpeg_make = true;
  settings.CheckBox_Execute_ffmpeg = true;
  settings.Edit_Video_Extension = ".mkv";
  settings.Edit_coding_presets = "-c:v ffv1";
  settings.RadioGroup_Encode_On = engine.on;
  settings.Edit_Slurm_CPUs = "1";
  settings.Edit_Slurm_Memory = "500M";
  settings.Edit_Parallel_Computers = kComputer;
  return settings;
}

// The run of the pairs of these names as a window makes it: its files written, and the encodes
// it hands over, not started.
ProgramStart handOver(const TempDir& dir, const std::vector<std::string>& names,
                      ConversionSettings& settings) {
  std::vector<std::string> left;
  std::vector<std::string> right;
  for (const std::string& name : names) {
    left.push_back(dir.file(name + "_L.mkv"));
    right.push_back(dir.file(name + "_R.mkv"));
  }
  test::HandedOver handed(left, right);
  ConversionRun conversion(settings, handed);
  conversion.M1Click();
  return handed.runner.value_or(ProgramStart{});
}

// The programs that run whose command line holds `text`.
std::string runningWith(const std::string& text) {
  std::string found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    // A program that has ended but is not yet reaped runs no more.
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    stat >> pid >> name >> state;
    if (state == "Z") continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (line.find(text) != std::string::npos &&
        line.find("twinlens_cli_tests") == std::string::npos) {
      found += entry.path().string() + " " + state + ": " + line + "\n";
    }
  }
  return found;
}

class ClusterEncodes : public ::testing::TestWithParam<EngineCase> {};

TEST_P(ClusterEncodes, MakeTheLocalRunnersFilesAndTellWhereEachClipRan) {
  REQUIRE_CLUSTER();
  const EngineCase& engine = GetParam();
  const std::vector<std::string> names = {"a", "b", "c", "d"};
  TempDir local;
  TempDir jobs;
  makePairs(local, names, 2);
  for (const std::string& name : names) {
    for (const char* view : {"_L.mkv", "_R.mkv"}) {
      fs::copy_file(local.file(name + view), jobs.file(name + view));
    }
  }
  // Every clip's colours are matched first: its first pass comes before its encode.
  const platform::ProgramOutput here =
      launch(local, {"RadioGroup_Colour_Match=1", "RadioGroup_Encode_On=0"}, names);
  ASSERT_EQ(here.exitCode, 0) << here.output << here.errors;
  const platform::ProgramOutput there =
      launch(jobs,
             {"RadioGroup_Colour_Match=1",
              "RadioGroup_Encode_On=" + std::to_string(static_cast<int>(engine.on))},
             names);
  ASSERT_EQ(there.exitCode, 0) << there.output << there.errors;

  for (const std::string& name : names) {
    const std::string output = name + "_LR.mkv";
    EXPECT_NE(there.output.find("encoded\t" + jobs.file(output) + "\t" + engine.computer() + "\n"),
              std::string::npos)
        << there.output;
    const std::string expected = framesOf(local.file(output));
    ASSERT_NE(expected.find("stereo_mode=left_right"), std::string::npos) << expected;
    EXPECT_TRUE(framesOf(jobs.file(output)) == expected) << output;
    EXPECT_FALSE(fs::exists(jobs.file(name + "_LR.partial.mkv")));
    EXPECT_TRUE(fs::exists(jobs.file(name + "_LR.job.sh")));
  }
  EXPECT_NE(there.output.find("progress\tAll 4 clips encoded\n"), std::string::npos);
  EXPECT_EQ(
      there.errors.find("note\t\tThe computer \"nosuchhost.invalid\" cannot be reached ("),
      engine.on == choices::EncodeOn::Parallel ? there.errors.find("note\t\t") : std::string::npos)
      << there.errors;
}

TEST_P(ClusterEncodes, AClipWhoseInputVanishedFailsAndTheOthersAreEncoded) {
  REQUIRE_CLUSTER();
  const EngineCase& engine = GetParam();
  TempDir dir;
  makePairs(dir, {"a", "b", "c"}, 2);
  // The run as the window hands it over: written, then started once an input has gone.
  ConversionSettings settings = settingsFor(engine);
  const ProgramStart start = handOver(dir, {"a", "b", "c"}, settings);
  ASSERT_FALSE(start.jobs.empty());
  fs::remove(dir.file("b_R.mkv"));

  EncodeRun encodes;
  ASSERT_EQ(encodes.start(start), "");
  while (encodes.poll(-1)) {
  }
  const EncodeStatus& status = encodes.status();
  ASSERT_EQ(status.results.size(), 3u);
  for (const EncodeStatus::Result& result : status.results) {
    EXPECT_EQ(result.failed, result.clip == 2) << result.clip << ": " << result.error;
    // A clip that never reached a computer names none.
    if (!result.failed || engine.on == choices::EncodeOn::Slurm) {
      EXPECT_EQ(result.where, engine.computer());
    }
    if (result.failed) {
      EXPECT_NE(result.error.find("b_R.mkv: No such file or directory"), std::string::npos)
          << result.error;
    }
  }
  EXPECT_TRUE(fs::exists(dir.file("a_LR.mkv")));
  EXPECT_FALSE(fs::exists(dir.file("b_LR.mkv")));
  EXPECT_FALSE(fs::exists(dir.file("b_LR.partial.mkv")));
  EXPECT_TRUE(fs::exists(dir.file("c_LR.mkv")));
  EXPECT_EQ(status.line(), "1 of 3 clips failed");
}

TEST_P(ClusterEncodes, CancelLeavesNoUnfinishedFileAndNoJob) {
  REQUIRE_CLUSTER();
  const EngineCase& engine = GetParam();
  TempDir dir;
  // Each engine's clip has a name of its own: the two may run at once, each seeing all programs.
  const std::string name = std::string("slow") + engine.name;
  makePairs(dir, {name}, 20, "640x480");
  ConversionSettings settings = settingsFor(engine);
  settings.Edit_coding_presets = "-c:v libx264 -preset placebo";
  settings.Edit_Slurm_Memory = "1G";
  const ProgramStart start = handOver(dir, {name}, settings);
  ASSERT_EQ(start.jobs.size(), 1u);

  EncodeRun encodes;
  ASSERT_EQ(encodes.start(start), "");
  const auto began = std::chrono::steady_clock::now();
  while (encodes.poll(200) && encodes.status().frame == 0 &&
         std::chrono::steady_clock::now() - began < std::chrono::seconds(90)) {
  }
  ASSERT_TRUE(encodes.status().running) << encodes.status().line();
  EXPECT_GT(encodes.status().frame, 0);
  encodes.cancel();
  EXPECT_FALSE(encodes.poll(0));
  EXPECT_TRUE(encodes.status().cancelled);
  ASSERT_EQ(encodes.status().results.size(), 1u);
  EXPECT_EQ(encodes.status().results[0].error, "Cancelled");
  EXPECT_FALSE(fs::exists(dir.file(name + "_LR.partial.mkv")));
  EXPECT_FALSE(fs::exists(dir.file(name + "_LR.mkv")));
  // No job of the run is left in Slurm's queue (its jobs are named after the run).
  const platform::ProgramOutput queue =
      platform::runProgram({"squeue", "-h", "--name=twinlens-" + name + "_LR", "-o", "%i %T"});
  EXPECT_EQ(queue.exitCode, 0) << queue.errors;
  EXPECT_EQ(queue.output, "");
  // Nothing of the encode runs on any computer once it has had its time to end.
  for (const auto asked = std::chrono::steady_clock::now();
       !runningWith(name + "_LR.ffgraph").empty() &&
       std::chrono::steady_clock::now() - asked < std::chrono::seconds(30);) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(runningWith(name + "_LR.ffgraph"), "");
  EXPECT_FALSE(fs::exists(dir.file(name + "_LR.partial.mkv")));
  EXPECT_FALSE(fs::exists(dir.file(name + "_LR.mkv")));
}

// What stops before anything is handed over, with its reason: the settings a job engine could
// not be asked with, a cluster that cannot take the jobs, computers none of which answers.
TEST(ClusterRefusals, StopBeforeAnythingIsSubmittedAndSayWhy) {
  TempDir dir;
  makePairs(dir, {"a"}, 1);
  // A cluster of two other computers with one partition "main", whose sbatch records that it
  // was called.
  fs::create_directories(dir.file("slurm"));
  fs::create_directories(dir.file("bare"));
  const std::string called = dir.file("sbatch-called");
  const std::pair<const char*, std::string> tools[] = {
      {"sinfo", "case \"$*\" in *--Node*) printf 'node1\\nnode2\\n' ;; *) echo main ;; esac"},
      {"sbatch", "echo \"$@\" >>'" + called + "'; echo 99"},
      {"squeue", "true"},
      {"scancel", "true"}};
  for (const auto& [name, body] : tools) {
    std::ofstream(dir.file(std::string("slurm/") + name)) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(dir.file(std::string("slurm/") + name), fs::perms::owner_all);
  }
  for (const char* program : {"ffmpeg", "ffprobe"}) {
    const platform::ProgramOutput found =
        platform::runProgram({"sh", "-c", std::string("command -v ") + program});
    std::string path = found.output.substr(0, found.output.find('\n'));
    fs::create_symlink(path, dir.file(std::string("bare/") + program));
  }
  const std::string system = "/usr/bin:/bin";
  struct Case {
    const char* name;
    std::string path;
    std::vector<std::string> sets;
    std::string says;
  };
  const Case cases[] = {
      {"NoSlurmCommands",
       dir.file("bare"),
       {"RadioGroup_Encode_On=1"},
       "Slurm's sbatch is not found"},
      {"NoSuchPartition",
       dir.file("slurm") + ":" + system,
       {"RadioGroup_Encode_On=1", "Edit_Slurm_Partition=gpu"},
       "The Slurm partition \"gpu\" does not exist; the cluster has: main"},
      {"FolderOnThisComputersDisk",
       dir.file("slurm") + ":" + system,
       {"RadioGroup_Encode_On=1"},
       "The cluster's computers (node1 and others) cannot see the folder \"" + dir.path().string() +
           "/\""},
      {"PartitionThatIsACommand",
       dir.file("slurm") + ":" + system,
       {"RadioGroup_Encode_On=1", "Edit_Slurm_Partition=main --wrap=id"},
       "The Slurm partition (Edit_Slurm_Partition) must be a partition's name"},
      {"MemoryOutOfShape",
       dir.file("slurm") + ":" + system,
       {"RadioGroup_Encode_On=1", "Edit_Slurm_Memory=lots"},
       "The memory per clip (Edit_Slurm_Memory)"},
      {"ComputerThatIsAnSshCommand",
       system,
       {"RadioGroup_Encode_On=2", "Edit_Parallel_Computers=ssh -o ProxyCommand=id host"},
       "\"ssh -o ProxyCommand=id host\" is no computer of the list"},
      {"NoComputers",
       system,
       {"RadioGroup_Encode_On=2", "Edit_Parallel_Computers="},
       "Name the computers GNU parallel encodes on"},
      {"NoComputerAnswers",
       system,
       {"RadioGroup_Encode_On=2", "Edit_Parallel_Computers=2/nosuchhost.invalid"},
       "None of the computers can be reached through ssh: 2/nosuchhost.invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir.file("a_LR.mkv"));
    std::vector<std::string> command{"env", "PATH=" + c.path, TWINLENS_CLI_PROGRAM};
    command.insert(command.end(), kConversion.begin(), kConversion.end());
    for (const std::string& set : c.sets) command.insert(command.end(), {"--set", set});
    command.push_back("--launch");
    const std::vector<std::string> pair = pairArguments(dir, {"a"});
    command.insert(command.end(), pair.begin(), pair.end());
    const platform::ProgramOutput ran = platform::runProgram(command);
    EXPECT_EQ(ran.exitCode, 1) << ran.output;
    EXPECT_NE(ran.errors.find(c.says), std::string::npos) << ran.errors;
    EXPECT_FALSE(fs::exists(called)) << "submitted: " << test::readBytes(called);
    EXPECT_FALSE(fs::exists(dir.file("a_LR.mkv")));
  }
}

// The cluster's tools may take their time: the hand-over goes on while the caller (a window)
// polls, told as such, and what refuses the encodes is told when it has answered.
TEST(ClusterRefusals, AreToldOnceTheSlowHandOverHasAnswered) {
  TempDir dir;
  makePairs(dir, {"a"}, 1);
  fs::create_directories(dir.file("slurm"));
  // An sinfo that answers once it is let go, with a partition other than the one asked for.
  const std::string letGo = dir.file("let-go");
  for (const char* name : {"sinfo", "sbatch", "squeue", "scancel"}) {
    std::ofstream(dir.file(std::string("slurm/") + name))
        << "#!/bin/sh\nwhile [ ! -e '" << letGo << "' ]; do sleep 0.05; done\necho main\n";
    fs::permissions(dir.file(std::string("slurm/") + name), fs::perms::owner_all);
  }
  ConversionSettings settings = settingsFor({"Slurm", choices::EncodeOn::Slurm, nullptr});
  settings.Edit_Slurm_Partition = "gpu";
  const ProgramStart start = handOver(dir, {"a"}, settings);
  ASSERT_EQ(start.jobs.size(), 1u);
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", (dir.file("slurm") + ":" + path).c_str(), 1);
  EncodeRun encodes;
  EXPECT_EQ(encodes.start(start), "");
  EXPECT_TRUE(encodes.poll(100));
  EXPECT_TRUE(encodes.status().running);
  EXPECT_EQ(encodes.status().line(), "Handing the encodes of 1 clip over");
  std::ofstream(letGo) << "";
  while (encodes.poll(-1)) {
  }
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_FALSE(encodes.status().running);
  EXPECT_EQ(encodes.status().line(),
            "Cannot hand the encodes over. The Slurm partition \"gpu\" does not exist; the cluster "
            "has: main");
  EXPECT_TRUE(encodes.status().results.empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ClusterEncodes,
                         ::testing::Values(EngineCase{"Slurm", choices::EncodeOn::Slurm, nullptr},
                                           EngineCase{"GnuParallel", choices::EncodeOn::Parallel,
                                                      kComputer}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace twinlens
