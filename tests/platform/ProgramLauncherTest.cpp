#include "platform/ProgramLauncher.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/TempDir.h"

namespace twinlens::platform {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

namespace fs = std::filesystem;

// Writes a shell script that records its working folder and its arguments, one a line, into
// `record`, then marks the record complete. It uses shell built-ins only, so it runs whatever
// PATH holds.
void writeRecorder(const fs::path& script, const fs::path& record, bool executable = true) {
  writeBytes(script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                         record.string() + "'\n: > '" + record.string() + ".done'\n");
  fs::permissions(
      script, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
}

// The record once it is complete; empty when it has not appeared within a few seconds.
std::string awaitRecord(const fs::path& record) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (fs::exists(record.string() + ".done")) return readBytes(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return {};
}

// Runs the test with PATH replaced, restoring it afterwards.
class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() {
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
  }
  ~LaunchTest() override { ::setenv("PATH", savedPath_.c_str(), 1); }

  void usePath(const fs::path& folder) { ::setenv("PATH", folder.c_str(), 1); }

  // Launches a recorder that is known to run, and waits for it: whatever was launched before
  // it has had its chance.
  void awaitSentinel() {
    writeRecorder(dir_.path() / "sentinel.sh", dir_.path() / "sentinel.txt");
    launchProgram((dir_.path() / "sentinel.sh").string(), "", "");
    ASSERT_FALSE(awaitRecord(dir_.path() / "sentinel.txt").empty());
  }

  TempDir dir_;
  std::string savedPath_;
};

TEST_F(LaunchTest, RunsAnExecutableInTheWorkingFolderWithTheParametersSplitAtBlanks) {
  const fs::path work = dir_.path() / "work folder";
  fs::create_directory(work);
  writeRecorder(dir_.path() / "record.sh", dir_.path() / "record.txt");
  launchProgram((dir_.path() / "record.sh").string(), " /r  /x ", work.string() + "/");
  EXPECT_EQ(awaitRecord(dir_.path() / "record.txt"), work.string() + "\n/r\n/x\n");
}

TEST_F(LaunchTest, WithoutWorkingFolderTheProgramStartsInOurs) {
  writeRecorder(dir_.path() / "record.sh", dir_.path() / "record.txt");
  launchProgram((dir_.path() / "record.sh").string(), "", "");
  EXPECT_EQ(awaitRecord(dir_.path() / "record.txt"), fs::current_path().string() + "\n");
}

TEST_F(LaunchTest, LeavesNoChildProcessBehind) {
  writeRecorder(dir_.path() / "record.sh", dir_.path() / "record.txt");
  launchProgram((dir_.path() / "record.sh").string(), "/r /x", "");
  ASSERT_FALSE(awaitRecord(dir_.path() / "record.txt").empty());
  // The program ran in a grandchild that is not ours; the child between was reaped at once.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(LaunchTest, TheProgramSharesNoOutputWithUs) {
  // Our standard output is a pipe, as when twinlens-cli's report is read by another program.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const int savedOut = ::dup(STDOUT_FILENO);
  ::dup2(pipeEnds[1], STDOUT_FILENO);
  const fs::path script = dir_.path() / "talk.sh";
  writeBytes(script,
             "#!/bin/sh\necho leaked\necho leaked >&2\n: > '" + script.string() + ".done'\n");
  fs::permissions(script, fs::perms::owner_all);
  launchProgram(script.string(), "", "");
  ::dup2(savedOut, STDOUT_FILENO);
  ::close(savedOut);
  ::close(pipeEnds[1]);
  ASSERT_FALSE(awaitRecord(script).empty());  // the script has run to its end

  // Once the script has ended the pipe is closed; had it kept our output, "leaked" would be here.
  std::string read;
  char buffer[64];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    read.append(buffer, got);
  ::close(pipeEnds[0]);
  EXPECT_EQ(read, "");
}

struct WineCase {
  const char* file;
  const char* arguments;  // after the working folder, the file's path stands for <file>
};

class LaunchThroughWine : public LaunchTest, public ::testing::WithParamInterface<WineCase> {};

TEST_P(LaunchThroughWine, WindowsProgramsAndBatchFilesRunThroughWine) {
  const fs::path bin = dir_.path() / "bin";
  writeRecorder(bin / "wine", dir_.path() / "wine.txt");
  usePath(bin);
  const fs::path program = dir_.path() / GetParam().file;
  writeBytes(program, "not run directly\n");
  const fs::path work = dir_.path() / "work";
  fs::create_directory(work);
  launchProgram(program.string(), "/r /x", work.string());

  std::string expected = work.string() + "\n" + GetParam().arguments;
  expected.replace(expected.find("<file>"), 6, program.string());
  EXPECT_EQ(awaitRecord(dir_.path() / "wine.txt"), expected);
}

INSTANTIATE_TEST_SUITE_P(Extensions, LaunchThroughWine,
                         ::testing::Values(WineCase{"VirtualDub.exe", "<file>\n/r\n/x\n"},
                                           WineCase{"VIRTUALDUB.EXE", "<file>\n/r\n/x\n"},
                                           WineCase{"trip_L.bat", "cmd\n/c\n<file>\n/r\n/x\n"},
                                           WineCase{"trip_L.Bat", "cmd\n/c\n<file>\n/r\n/x\n"}));

TEST_F(LaunchTest, WindowsProgramWithoutWineIsNotRunDirectly) {
  const fs::path bin = dir_.path() / "bin";
  fs::create_directory(bin);
  usePath(bin);
  // Executable, so running it directly would record.
  writeRecorder(dir_.path() / "tool.exe", dir_.path() / "tool.txt");
  launchProgram((dir_.path() / "tool.exe").string(), "/r /x", "");
  awaitSentinel();
  EXPECT_FALSE(fs::exists(dir_.path() / "tool.txt.done"));
}

TEST_F(LaunchTest, FilesThatCannotRunAreIgnoredQuietly) {
  writeRecorder(dir_.path() / "plain.sh", dir_.path() / "plain.txt", false);
  launchProgram((dir_.path() / "plain.sh").string(), "/r /x", "");
  launchProgram((dir_.path() / "missing.sh").string(), "/r /x", "");
  launchProgram("", "/r /x", "");
  awaitSentinel();
  EXPECT_FALSE(fs::exists(dir_.path() / "plain.txt.done"));
}

TEST_F(LaunchTest, AMissingWorkingFolderRunsNothing) {
  writeRecorder(dir_.path() / "record.sh", dir_.path() / "record.txt");
  launchProgram((dir_.path() / "record.sh").string(), "", (dir_.path() / "none").string());
  awaitSentinel();
  EXPECT_FALSE(fs::exists(dir_.path() / "record.txt.done"));
}

}  // namespace
}  // namespace twinlens::platform

#endif

#ifdef _WIN32

#include <windows.h>

#include "support/DriveFolder.h"

namespace twinlens::platform {
namespace {

using test::awaitRecord;
using test::DriveFolder;
using test::putFile;
using test::recorderBatch;

std::string currentFolder() {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
  return std::string(buffer, length);
}

TEST(WindowsLaunch, ABatchFileRunsInTheWorkingFolderWithTheParameters) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("l\\clip_L.bat"), recorderBatch(root.file("record.txt"))));

  launchProgram(root.file("l\\clip_L.bat"), "/r /x", root.file("l\\"));

  EXPECT_EQ(awaitRecord(root.file("record.txt")), root.file("l") + "\r\n/r /x\r\n");
}

TEST(WindowsLaunch, AProgramBehindADoubledSeparatorStartsInOurFolder) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("vd\\VirtualDub.bat"), recorderBatch(root.file("record.txt"))));

  launchProgram(root.file("vd\\\\VirtualDub.bat"), "/r /x", "");

  const std::string ours = currentFolder();
  EXPECT_EQ(awaitRecord(root.file("record.txt")),
            (ours.ends_with("\\") ? ours.substr(0, ours.size() - 1) : ours) + "\r\n/r /x\r\n");
}

TEST(WindowsLaunch, AMissingProgramIsPassedOverQuietly) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("after.bat"), recorderBatch(root.file("record.txt"))));

  launchProgram(root.file("vd\\\\VirtualDub.exe"), "/r /x", "");
  launchProgram(root.file("gone.bat"), "/r /x", root.file(""));
  launchProgram("", "/r /x", "");
  launchProgram(root.file("after.bat"), "/r /x", root.file(""));

  // The launches before it had their chance and did nothing that stopped this one.
  EXPECT_EQ(awaitRecord(root.file("record.txt")), root.path() + "\r\n/r /x\r\n");
}

}  // namespace
}  // namespace twinlens::platform

#endif
