#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

#include "base/Error.h"
#include "base/Paths.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

#ifdef _WIN32
#include <windows.h>

#include "support/DriveFolder.h"
#endif

namespace twinlens::platform {
namespace {

namespace fs = std::filesystem;
using test::messageOf;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteFileReplacing, ReplacesTheWholeFileAndLeavesNothingElse) {
  TempDir dir;
  writeBytes(dir.path() / "a.avs", "a much longer earlier content\r\n");
  writeFileReplacing(dir.file("a.avs"), "new\r\n");
  EXPECT_EQ(readBytes(dir.path() / "a.avs"), "new\r\n");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.avs"});
}

TEST(WriteFileReplacing, AMissingFolderIsReportedWithThePath) {
  TempDir dir;
  const std::string path = dir.file("none") + paths::separator(nativePathStyle()) + "a.avs";
  const std::string message = messageOf([&] { writeFileReplacing(path, "x"); });
  EXPECT_TRUE(message.starts_with("Cannot create file \"" + path + "\". ")) << message;
  EXPECT_GT(message.size(), ("Cannot create file \"" + path + "\". ").size()) << message;
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{});
}

// A file written in pieces: what is on disk after it is dropped, committed over the same bytes,
// or committed over other bytes.
struct PiecewiseCase {
  const char* label;
  const char* before;  // nullptr: no file there
  bool commit;
  bool replaced;      // what commit() answers
  const char* after;  // nullptr: no file there
};

class ReplacementFileTest : public ::testing::TestWithParam<PiecewiseCase> {};

TEST_P(ReplacementFileTest, PutsTheFileInPlaceOnlyWhenCompleteAndChanged) {
  const PiecewiseCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("VirtualDub.jobs");
  // Whole seconds, which every file system keeps exactly.
  const auto past = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                             std::chrono::hours(24));
  if (c.before != nullptr) {
    writeBytes(path, c.before);
    fs::last_write_time(path, past);
  }
  {
    ReplacementFile file(path);
    file.write("// $job 1\r\n");
    file.write("// $done\r\n");
    if (c.commit) {
      EXPECT_EQ(file.commit(), c.replaced);
    }
  }
  EXPECT_EQ(namesIn(dir.path()), c.after == nullptr ? std::vector<std::string>{}
                                                    : std::vector<std::string>{"VirtualDub.jobs"});
  if (c.after != nullptr) {
    EXPECT_EQ(readBytes(path), c.after);
  }
  if (c.before != nullptr && c.after != nullptr && !c.replaced) {
    EXPECT_EQ(fs::last_write_time(path), past);  // untouched
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplacementFileTest,
    ::testing::Values(PiecewiseCase{"DroppedLeavesNothing", nullptr, false, false, nullptr},
                      PiecewiseCase{"DroppedKeepsTheEarlierFile", "old\r\n", false, false,
                                    "old\r\n"},
                      PiecewiseCase{"New", nullptr, true, true, "// $job 1\r\n// $done\r\n"},
                      PiecewiseCase{"SameBytesLeftUntouched", "// $job 1\r\n// $done\r\n", true,
                                    false, "// $job 1\r\n// $done\r\n"},
                      PiecewiseCase{"SameLengthOtherBytes", "// $job 2\r\n// $done\r\n", true, true,
                                    "// $job 1\r\n// $done\r\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WriteFileReplacing, LeavesAFileWithTheSameBytesUntouched) {
  TempDir dir;
  const std::string path = dir.file("a.avs");
  EXPECT_TRUE(writeFileReplacing(path, "AVISource(\"a.avi\")\r\n"));
  const auto past = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                             std::chrono::hours(24));
  fs::last_write_time(path, past);
  EXPECT_FALSE(writeFileReplacing(path, "AVISource(\"a.avi\")\r\n"));
  EXPECT_EQ(fs::last_write_time(path), past);
  EXPECT_TRUE(writeFileReplacing(path, "AVISource(\"b.avi\")\r\n"));
  EXPECT_EQ(readBytes(path), "AVISource(\"b.avi\")\r\n");
}

TEST(ReadFile, AMissingFileIsReportedWithThePath) {
  TempDir dir;
  const std::string path = dir.file("gone.vcf");
  const std::string message = messageOf([&] { readFile(path); });
  EXPECT_TRUE(message.starts_with("Cannot open file \"" + path + "\". ")) << message;
}

TEST(FileExists, OnlyForFiles) {
  TempDir dir;
  writeBytes(dir.path() / "v" / "clip.avi", "");
  EXPECT_TRUE(fileExists(dir.file("v/clip.avi")));
  EXPECT_FALSE(fileExists(dir.file("v")));
  EXPECT_FALSE(fileExists(dir.file("v/other.avi")));
  EXPECT_FALSE(fileExists(""));
}

TEST(AbsolutePath, ResolvesAgainstTheCurrentFolderAndDropsDotSteps) {
  TempDir dir;
  fs::create_directories(dir.path() / "v");
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const std::string full = absolutePath("./v/../v/clip.mp4");
  fs::current_path(before);
  EXPECT_EQ(full, (dir.path() / "v" / "clip.mp4").make_preferred().string());
}

#ifdef _WIN32

using test::DriveFolder;
using test::fileBytes;
using test::putFile;

TEST(WindowsFiles, ExistenceOnADriveWithTheSeparatorsWindowsAccepts) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("vd\\VirtualDub.exe"), "MZ"));
  EXPECT_TRUE(fileExists(root.file("vd\\VirtualDub.exe")));
  // The run names VirtualDub behind a folder that already ends in a separator.
  EXPECT_TRUE(fileExists(root.file("vd\\\\VirtualDub.exe")));
  EXPECT_TRUE(fileExists(root.file("VD\\virtualdub.EXE")));
  EXPECT_TRUE(fileExists(root.path() + "/vd/VirtualDub.exe"));
  EXPECT_FALSE(fileExists(root.file("vd")));
  EXPECT_FALSE(fileExists(root.file("vd\\VirtualDub.jobs")));
}

TEST(WindowsFiles, ADoubledSeparatorWritesTheFileInTheFolder) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(CreateDirectoryA(root.file("vd").c_str(), nullptr));
  writeFileReplacing(root.file("vd\\\\VirtualDub.jobs"), "// $done\r\n");
  EXPECT_EQ(fileBytes(root.file("vd\\VirtualDub.jobs")), "// $done\r\n");
}

// Names are bytes in the ANSI code page from the dialog to the disk: the file that the system
// lists under the wide name is the one written under the code-page bytes.
TEST(WindowsFiles, NamesInTheAnsiCodePageReachTheDiskUnchanged) {
  const std::wstring wideFolder = L"caf\u00e9 \u20ac";
  const std::wstring wideName = L"\u00c6r\u00f8_L.avs";
  const std::string folder = test::ansiText(wideFolder);
  const std::string name = test::ansiText(wideName);
  if (folder.empty() || name.empty())
    GTEST_SKIP() << "code page " << GetACP() << " cannot spell the names";
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(CreateDirectoryA(root.file(folder).c_str(), nullptr));
  const std::string path = root.file(folder + "\\" + name);

  writeFileReplacing(path, "AVISource(\"x.avi\")\r\n");

  EXPECT_TRUE(fileExists(path));
  EXPECT_EQ(readFile(path), "AVISource(\"x.avi\")\r\n");
  WIN32_FIND_DATAW found{};
  const std::wstring widePath(root.path().begin(), root.path().end());
  const HANDLE search =
      FindFirstFileW((widePath + L"\\" + wideFolder + L"\\*.avs").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::wstring(found.cFileName), wideName);
  EXPECT_FALSE(FindNextFileW(search, &found));
  FindClose(search);

  SetCurrentDirectoryA(root.file(folder).c_str());
  const std::string full = absolutePath(".\\..\\" + folder + "\\" + name);
  SetCurrentDirectoryA("C:\\");
  EXPECT_EQ(full, path);
}

TEST(WindowsFiles, AbsolutePathSpellsTheSeparatorsTheWindowsWay) {
  EXPECT_EQ(absolutePath("C:/clips/l/../r/./a_R.mp4"), "C:\\clips\\r\\a_R.mp4");
  EXPECT_EQ(absolutePath("D:\\m\\00001.MTS"), "D:\\m\\00001.MTS");
}

TEST(WindowsFiles, AReadOnlyFileIsNotReplaced) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  const std::string path = root.file("locked.avs");
  ASSERT_TRUE(putFile(path, "earlier\r\n"));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

  const std::string message = messageOf([&] { writeFileReplacing(path, "later\r\n"); });

  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(message.starts_with("Cannot create file \"" + path + "\". ")) << message;
  EXPECT_EQ(fileBytes(path), "earlier\r\n");
}

// A folder where the file should go cannot be replaced; nothing is left behind either.
TEST(WindowsFiles, ReplacingAFolderFailsWithTheSystemsReasonAndLeavesNoTemporaryFile) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  const std::string path = root.file("clip_L.avs");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));

  const std::string message = messageOf([&] { writeFileReplacing(path, "later\r\n"); });

  const std::string start = "Cannot create file \"" + path + "\". ";
  EXPECT_TRUE(message.starts_with(start)) << message;
  // The system's reason, without the line break and period its messages end with.
  EXPECT_GT(message.size(), start.size()) << message;
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
  EXPECT_FALSE(message.ends_with(".")) << message;
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            DWORD{FILE_ATTRIBUTE_DIRECTORY});
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA(root.file("*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "clip_L.avs"}));
}

#endif

}  // namespace
}  // namespace twinlens::platform
