#include "base/Paths.h"

#include <gtest/gtest.h>

namespace twinlens {
namespace {

using paths::dir;
using paths::name;
using paths::noext;
using paths::relativeFolder;

constexpr auto W = PathStyle::Windows;
constexpr auto P = PathStyle::Posix;

TEST(Paths, WindowsPartsSplitAtBackslashAndColon) {
  EXPECT_EQ(dir("C:\\v\\clip_L.mp4", W), "C:\\v\\");
  EXPECT_EQ(name("C:\\v\\clip_L.mp4", W), "clip_L.mp4");
  EXPECT_EQ(dir("C:clip.avi", W), "C:");
  EXPECT_EQ(name("C:clip.avi", W), "clip.avi");
  EXPECT_EQ(dir("clip.avi", W), "");
  EXPECT_EQ(noext("C:\\v\\clip_L.mp4", W), "C:\\v\\clip_L");
  EXPECT_EQ(noext("C:\\v.d\\clip", W), "C:\\v.d\\clip");
  EXPECT_EQ(noext("a-l.b.avi", W), "a-l.b");
  EXPECT_EQ(noext("new_clip.avi", W), "new_clip");
  // A slash is an ordinary character in a Windows-style name.
  EXPECT_EQ(dir("C:\\v/x\\a.avi", W), "C:\\v/x\\");
}

TEST(Paths, PosixPartsSplitAtSlashOnly) {
  EXPECT_EQ(dir("/v/clip_L.mp4", P), "/v/");
  EXPECT_EQ(name("/v/a:b.avi", P), "a:b.avi");
  EXPECT_EQ(noext("/v.d/clip", P), "/v.d/clip");
  EXPECT_EQ(noext("/v/.hidden", P), "/v/");
}

struct RelativeCase {
  const char* from;
  const char* to;
  PathStyle style;
  const char* expected;
};

class RelativeFolder : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeFolder, WritesTheRightFolderFromTheLeftOne) {
  const auto& c = GetParam();
  EXPECT_EQ(relativeFolder(c.from, c.to, c.style), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeFolder,
    ::testing::Values(
        RelativeCase{"C:\\v\\", "C:\\v\\", W, ""}, RelativeCase{"C:\\l\\", "C:\\r\\", W, "..\\r\\"},
        RelativeCase{"C:\\a\\b\\c\\", "C:\\a\\x\\", W, "..\\..\\x\\"},
        RelativeCase{"C:\\a\\", "C:\\a\\b\\c\\", W, "b\\c\\"},
        RelativeCase{"C:\\Clips\\Left\\", "c:\\clips\\RIGHT\\", W, "..\\RIGHT\\"},
        RelativeCase{"C:\\V\\", "c:\\v\\", W, ""}, RelativeCase{"C:\\v\\", "D:\\r\\", W, "D:\\r\\"},
        RelativeCase{"\\\\srv\\share\\a\\", "\\\\srv\\share\\b\\", W, "..\\b\\"},
        RelativeCase{"\\\\srv\\one\\a\\", "\\\\srv\\two\\a\\", W, "\\\\srv\\two\\a\\"},
        RelativeCase{"/l/", "/r/", P, "../r/"}, RelativeCase{"/Clips/", "/clips/", P, "../clips/"},
        RelativeCase{"/a/b/", "/a/b/", P, ""}));

}  // namespace
}  // namespace twinlens
