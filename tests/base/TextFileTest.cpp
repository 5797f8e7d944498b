#include "base/TextFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "base/Error.h"
#include "platform/TextFiles.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::readBytes;
using test::TempDir;

struct SplitCase {
  const char* text;
  std::vector<std::string> lines;
};

class TextFileSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(TextFileSplit, EndsLinesAtCrLfLfAndLoneCr) {
  EXPECT_EQ(TextFile::fromText(GetParam().text).lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, TextFileSplit,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\n", {"a"}},
                      SplitCase{"a\r\nb", {"a", "b"}}, SplitCase{"a\nb\n", {"a", "b"}},
                      SplitCase{"a\rb", {"a", "b"}}, SplitCase{"a\r\n\r\nb", {"a", "", "b"}},
                      SplitCase{"\r\n", {""}}, SplitCase{"a\n\rb", {"a", "", "b"}}));

TEST(TextFile, SavesEveryLineWithCrLf) {
  TempDir dir;
  const auto path = dir.file("s.avs");
  platform::saveTextFile(TextFile{"AVISource(\"a.avi\")", "", "Trim(1,0)"}, path);
  EXPECT_EQ(readBytes(path), "AVISource(\"a.avi\")\r\n\r\nTrim(1,0)\r\n");
  EXPECT_EQ(platform::loadTextFile(path), (TextFile{"AVISource(\"a.avi\")", "", "Trim(1,0)"}));
}

TEST(TextFile, ReplacesAnExistingFileWholeAndLeavesNoTemporaryFile) {
  TempDir dir;
  const auto path = dir.file("s.avs");
  platform::saveTextFile(TextFile{"one", "two", "three"}, path);
  platform::saveTextFile(TextFile{"four"}, path);
  EXPECT_EQ(readBytes(path), "four\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(TextFile, ReplacingKeepsTheFilesPermissionsAndRefusesAReadOnlyFile) {
  namespace fs = std::filesystem;
  TempDir dir;
  const auto path = dir.file("layout.lay");
  platform::saveTextFile(TextFile{"old"}, path);
#ifndef _WIN32  // Windows keeps only a read-only attribute
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  platform::saveTextFile(TextFile{"new"}, path);
#ifndef _WIN32
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif

  fs::permissions(path, fs::perms::owner_read);
  if (std::FILE* probe = std::fopen(path.c_str(), "ab")) {
    std::fclose(probe);
    GTEST_SKIP() << "this user may write to read-only files";
  }
  EXPECT_THROW(platform::saveTextFile(TextFile{"lost"}, path), Error);
  EXPECT_EQ(readBytes(path), "new\r\n");
}

TEST(TextFile, FailedCreateNamesThePathAndTheReason) {
  TempDir dir;
  const auto path = dir.file("missing/s.avs");
  EXPECT_EQ(test::messageOf([&] { platform::saveTextFile(TextFile{"x"}, path); }),
            "Cannot create file \"" + path + "\". No such file or directory");
}

TEST(TextFile, FailedOpenNamesThePathAndTheReason) {
  TempDir dir;
  const auto path = dir.file("none.vcf");
  EXPECT_EQ(test::messageOf([&] { platform::loadTextFile(path); }),
            "Cannot open file \"" + path + "\". No such file or directory");
}

}  // namespace
}  // namespace twinlens
