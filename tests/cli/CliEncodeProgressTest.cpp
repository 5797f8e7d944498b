// The ffmpeg engine's runner followed clip by clip: `twinlens-cli --launch` tells each output's
// result; a clip that fails tells ffmpeg's last line; a cancelled encode leaves no partial file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "CliOutcome.h"
#include "platform/ProgramOutput.h"
#include "run/ConversionRun.h"
#include "run/EncodeRun.h"
#include "support/HandedOver.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Pairs of clips "<name>_L.mkv" and "<name>_R.mkv" of `seconds` at 25 frames a second.
void makePairs(const TempDir& dir, std::initializer_list<const char*> names, int seconds,
               const char* size = "160x120") {
  for (const char* name : names) {
    for (const char* view : {"_L", "_R"}) {
      const platform::ProgramOutput made = platform::runProgram(
          {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
           std::string("testsrc=r=25:s=") + size + ":d=" + std::to_string(seconds), "-c:v", "ffv1",
           dir.file(std::string(name) + view + ".mkv")});
      ASSERT_EQ(made.exitCode, 0) << made.errors;
    }
  }
}

// Writes the runner of side-by-side conversions of the clips with this encoder, not started.
std::string writeRunner(const TempDir& dir, std::initializer_list<const char*> names,
                        const std::string& coding, bool launch = false) {
  std::vector<std::string> args{
      "--set", "RadioGroup_Engine=1",          "--set", "CheckBox_ffmpeg_make=1",
      "--set", "RadioGroup_Output_Format=1",   "--set", "Edit_Video_Extension=.mkv",
      "--set", "Edit_coding_presets=" + coding};
  if (launch) args.insert(args.end(), {"--set", "CheckBox_Execute_ffmpeg=1", "--launch"});
  for (const char* name : names) {
    args.insert(args.end(), {"--left", dir.file(std::string(name) + "_L.mkv"), "--right",
                             dir.file(std::string(name) + "_R.mkv")});
  }
  const test::CliOutcome outcome = test::runCli(args);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  return outcome.out;
}

TEST(Encodes, LaunchFollowsEachClipAndTellsEachOutputsResult) {
  TempDir dir;
  makePairs(dir, {"a", "b"}, 2);
  const std::string out = writeRunner(dir, {"a", "b"}, "-c:v ffv1", /*launch=*/true);
  std::size_t at = 0;
  for (const std::string& line :
       {"launch\t" + dir.file("b_LR.sh"), std::string("progress\tClip 1 of 2: "),
        std::string("progress\tClip 2 of 2: "), "encoded\t" + dir.file("a_LR.mkv") + "\n",
        "encoded\t" + dir.file("b_LR.mkv") + "\n",
        std::string("progress\tAll 2 clips encoded\n")}) {
    at = out.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << out;
  }
  EXPECT_TRUE(fs::exists(dir.file("b_LR.mkv")));
}

TEST(Encodes, AFailedClipTellsFfmpegsLastLineAndTheOthersGoOn) {
  TempDir dir;
  makePairs(dir, {"a", "b"}, 2);
  writeRunner(dir, {"a", "b"}, "-c:v ffv1");
  fs::remove(dir.file("a_R.mkv"));  // gone by the time the runner runs
  EncodeRun encodes;
  ASSERT_EQ(encodes.start({dir.file("b_LR.sh"),
                           "",
                           dir.path().string(),
                           {{dir.file("a_LR.mkv")}, {dir.file("b_LR.mkv")}}}),
            "");
  while (encodes.poll(-1)) {
  }
  const EncodeStatus& status = encodes.status();
  ASSERT_EQ(status.results.size(), 2u);
  EXPECT_TRUE(status.results[0].failed);
  EXPECT_NE(status.results[0].error.find("a_R.mkv: No such file or directory"), std::string::npos)
      << status.results[0].error;
  EXPECT_FALSE(status.results[1].failed);
  EXPECT_EQ(status.results[1].outputs, std::vector<std::string>{dir.file("b_LR.mkv")});
  EXPECT_EQ(status.totalFrames, 100);
  EXPECT_EQ(status.line(), "1 of 2 clips failed");
}

TEST(Encodes, CancellingStopsFfmpegAndLeavesNoPartialFile) {
  TempDir dir;
  makePairs(dir, {"a"}, 12, "320x240");
  // The runner as the run hands it to its front end, with what each clip leaves when stopped.
  test::HandedOver handed({dir.file("a_L.mkv")}, {dir.file("a_R.mkv")});
  ConversionSettings settings;
  settings.RadioGroup_Engine = choices::Engine::Ffmpeg;
  settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings.CheckBox_ffmpeg_make = true;
  settings.CheckBox_Execute_ffmpeg = true;
  settings.Edit_Video_Extension = ".mkv";
  settings.Edit_coding_presets = "-c:v libx264 -preset placebo";
  ConversionRun run(settings, handed);
  run.M1Click();
  ASSERT_TRUE(handed.runner);
  EncodeRun encodes;
  ASSERT_EQ(encodes.start(*handed.runner), "");
  // Encoding, with its progress known.
  const auto started = std::chrono::steady_clock::now();
  while (encodes.poll(100) && encodes.status().frame == 0 &&
         std::chrono::steady_clock::now() - started < std::chrono::seconds(60)) {
  }
  ASSERT_TRUE(encodes.status().running);
  EXPECT_EQ(encodes.status().clip, 1u);
  EXPECT_EQ(encodes.status().clipFrames, 300);
  EXPECT_GT(encodes.status().frame, 0);
  EXPECT_TRUE(fs::exists(dir.file("a_LR.partial.mkv")));

  encodes.cancel();
  EXPECT_FALSE(encodes.poll(-1));
  EXPECT_FALSE(fs::exists(dir.file("a_LR.partial.mkv")));
  EXPECT_FALSE(fs::exists(dir.file("a_LR.mkv")));
  ASSERT_EQ(encodes.status().results.size(), 1u);
  EXPECT_EQ(encodes.status().results[0].error, "Cancelled");
  EXPECT_EQ(encodes.status().line(), "Cancelled during clip 1 of 1");
}

}  // namespace
}  // namespace twinlens
