#include "platform/ProgramPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "base/Paths.h"
#include "platform/FileSystem.h"
#include "storage/ProgramFiles.h"

namespace twinlens::platform {
namespace {

#ifdef _WIN32
constexpr const char* kProgramName = "twinlens_platform_tests.exe";
#else
constexpr const char* kProgramName = "twinlens_platform_tests";
#endif

// The folder this test program was built into, with a trailing separator, spelled natively.
std::string buildFolder() {
  std::string folder = TWINLENS_TEST_BINARY_DIR;
  std::replace(folder.begin(), folder.end(), '/', paths::separator(nativePathStyle()));
  return folder + paths::separator(nativePathStyle());
}

TEST(ProgramPath, IsTheFullPathOfThisProgramsFile) {
  const std::string path = programPath();
  EXPECT_EQ(paths::name(path), kProgramName);
  EXPECT_TRUE(paths::sameName(paths::dir(path), buildFolder())) << path;
  EXPECT_TRUE(fileExists(path)) << path;
#ifdef _WIN32
  // A full path with its drive, not one relative to the current folder.
  ASSERT_GE(path.size(), 3u);
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
              path[2] == '\\')
      << path;
  EXPECT_EQ(path.find('/'), std::string::npos) << path;
#else
  EXPECT_TRUE(path.starts_with("/")) << path;
#endif
}

TEST(ProgramPath, NamesTheSettingsAndPresetsFilesBesideTheProgram) {
  const std::string path = programPath();
  const std::string folder = paths::dir(path);
  EXPECT_EQ(settingsPathFor(path), folder + "twinlens_platform_tests.ini");
  EXPECT_EQ(presetsPathFor(path), folder + "twinlens_platform_tests.prs");
}

}  // namespace
}  // namespace twinlens::platform
