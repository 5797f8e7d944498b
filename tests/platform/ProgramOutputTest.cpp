// A program run to its end with both of its outputs collected: what the ffmpeg engine reads
// ffprobe's reports through.
#include <gtest/gtest.h>

#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

#ifdef _WIN32
// cmd.exe as Windows has it: a quoted argument keeps its blanks.
const std::vector<std::string> kTalker{"cmd", "/c", "echo out with blanks& echo err 1>&2& exit 3"};
const std::string kOut = "out with blanks\r\n";
const std::string kErr = "err \r\n";
#else
const std::vector<std::string> kTalker{"sh", "-c", "echo 'out with blanks'; echo err >&2; exit 3"};
const std::string kOut = "out with blanks\n";
const std::string kErr = "err\n";
#endif

TEST(ProgramOutput, WindowsCommandLinesSplitBackIntoTheSameArguments) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"twinlens-cli.exe", "run"}, "twinlens-cli.exe run"},
      {{"C:\\Program Files\\ffmpeg.exe", ""}, "\"C:\\Program Files\\ffmpeg.exe\" \"\""},
      {{"a", "say \"hi\""}, "a \"say \\\"hi\\\"\""},
      {{"a", "C:\\my dir\\"}, "a \"C:\\my dir\\\\\""},
      {{"a", "x\\\"y z"}, "a \"x\\\\\\\"y z\""},
      {{"a", "tab\there"}, "a \"tab\there\""},
      {{"a", "back\\slash"}, "a back\\slash"},
  };
  for (const auto& [command, line] : cases) {
    EXPECT_EQ(platform::windowsCommandLine(command), line) << command.back();
  }
}

TEST(ProgramOutput, CollectsBothOutputsAndTheExitStatus) {
  const platform::ProgramOutput result = platform::runProgram(kTalker);
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.output, kOut);
  EXPECT_EQ(result.errors, kErr);
}

TEST(ProgramOutput, ALargeOutputOnBothStreamsDoesNotStallTheProgram) {
  // Far more than a pipe holds, on both streams.
  test::TempDir dir;
  const std::string big(300000, 'o');
  const std::string alsoBig(200000, 'e');
  test::writeBytes(dir.file("out.txt"), big);
  test::writeBytes(dir.file("err.txt"), alsoBig);
#ifdef _WIN32
  const std::vector<std::string> command{
      "cmd", "/c", "type " + dir.file("out.txt") + "& type " + dir.file("err.txt") + " 1>&2"};
#else
  const std::vector<std::string> command{
      "sh", "-c", "cat '" + dir.file("out.txt") + "'; cat '" + dir.file("err.txt") + "' >&2"};
#endif
  const platform::ProgramOutput result = platform::runProgram(command);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, big);
  EXPECT_EQ(result.errors, alsoBig);
}

TEST(ProgramOutput, AProgramThatIsNotThereIsToldNotStarted) {
  const platform::ProgramOutput result = platform::runProgram({"twinlens-no-such-program"});
  EXPECT_FALSE(result.started);
  EXPECT_NE(result.errors.find("twinlens-no-such-program"), std::string::npos);
}

}  // namespace
}  // namespace twinlens
