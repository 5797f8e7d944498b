// The scan from the command line, counted by the programs it starts: each file is read once and
// each pair measured once; a second run, and a preview of the same files, read nothing again; a
// file that changes is read again, and only its pair measured again.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "CliOutcome.h"
#include "platform/ChildProcess.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The cache folder of the runs in this test's process, and the one before it afterwards.
class CacheFolder {
 public:
  explicit CacheFolder(const std::string& folder) {
    if (const char* before = std::getenv("XDG_CACHE_HOME")) before_ = before;
    ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  }
  ~CacheFolder() {
    if (before_) {
      ::setenv("XDG_CACHE_HOME", before_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CACHE_HOME");
    }
  }

 private:
  std::optional<std::string> before_;
};

// The programs an action starts.
template <typename Action>
std::uint64_t startsOf(Action&& action) {
  const std::uint64_t before = platform::ChildProcess::started();
  action();
  return platform::ChildProcess::started() - before;
}

TEST(Scan, ReadsEachFileOnceAndWhatItReadServesTheNextRunAndThePreview) {
  TempDir dir;
  const CacheFolder cache(dir.file("cache"));
  const std::string scene = "mandelbrot=s=400x240:r=25,trim=end_frame=6";
  for (const char* clip : {"a", "b"}) {
    for (const auto& [view, crop] :
         {std::pair{"_L", "crop=320:180:40:30"}, std::pair{"_R", "crop=320:180:44:26"}}) {
      ASSERT_EQ(
          platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", scene, "-vf", crop,
                                "-c:v", "ffv1", dir.file(clip + std::string(view)) + ".mkv"})
              .exitCode,
          0);
    }
  }
  const std::vector<std::string> run{
      "--set",   "RadioGroup_Engine=1",      "--set",   "RadioGroup_Output_Format=1",
      "--set",   "CheckBox_ffmpeg_make=1",   "--set",   "RadioGroup_Align=1",
      "--set",   "RadioGroup_Convergence=1", "--left",  dir.file("a_L.mkv"),
      "--left",  dir.file("b_L.mkv"),        "--right", dir.file("a_R.mkv"),
      "--right", dir.file("b_R.mkv")};
  test::CliOutcome first;
  // Four files read by ffprobe; each pair's two views sampled by one ffmpeg each.
  EXPECT_EQ(startsOf([&] { first = test::runCli(run); }), 8u);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("progress\tReading clip 2 of 2: \"" + dir.file("b_L.mkv") + "\""),
            std::string::npos)
      << first.out;
  EXPECT_NE(first.err.find("Depth: near "), std::string::npos) << first.err;
  const std::string graph = test::readBytes(dir.file("a_LR.ffgraph"));

  test::CliOutcome second;
  EXPECT_EQ(startsOf([&] { second = test::runCli(run); }), 0u);
  EXPECT_EQ(second.err, first.err);  // the same depth, from the kept measurement
  EXPECT_EQ(test::readBytes(dir.file("a_LR.ffgraph")), graph);

  // The preview of a clip the run read renders it, and reads nothing else.
  EXPECT_EQ(startsOf([&] {
              const test::CliOutcome preview = test::runCli(
                  {"preview", "--set", "RadioGroup_Output_Format=1", "--set", "RadioGroup_Align=1",
                   "--set", "RadioGroup_Convergence=1", "--left", dir.file("a_L.mkv"), "--right",
                   dir.file("a_R.mkv"), "--png", dir.file("a.png")});
              EXPECT_EQ(preview.status, 0) << preview.err;
            }),
            1u);

  // A changed file: read again, and its pair measured again.
  fs::last_write_time(dir.file("b_R.mkv"),
                      fs::last_write_time(dir.file("b_R.mkv")) + std::chrono::seconds(2));
  EXPECT_EQ(startsOf([&] { EXPECT_EQ(test::runCli(run).status, 0); }), 3u);
}

}  // namespace
}  // namespace twinlens
