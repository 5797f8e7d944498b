#include "storage/ProgramFiles.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace twinlens {
namespace {

struct NamedAfterCase {
  const char* label;
  PathStyle style;
  const char* program;
  const char* settings;
  const char* presets;
};

class NamedAfterTheProgram : public ::testing::TestWithParam<NamedAfterCase> {};

TEST_P(NamedAfterTheProgram, ReplacesTheExtension) {
  const NamedAfterCase& c = GetParam();
  EXPECT_EQ(settingsPathFor(c.program, c.style), c.settings);
  EXPECT_EQ(presetsPathFor(c.program, c.style), c.presets);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, NamedAfterTheProgram,
    ::testing::Values(NamedAfterCase{"Installed", PathStyle::Windows,
                                     "C:\\Program Files\\Twinlens\\twinlens-cli.exe",
                                     "C:\\Program Files\\Twinlens\\twinlens-cli.ini",
                                     "C:\\Program Files\\Twinlens\\twinlens-cli.prs"},
                      NamedAfterCase{"RenamedCopy", PathStyle::Windows,
                                     "D:\\3d\\copy.of.twinlens.EXE", "D:\\3d\\copy.of.twinlens.ini",
                                     "D:\\3d\\copy.of.twinlens.prs"},
                      // A dot in a folder name is no extension.
                      NamedAfterCase{"DottedFolder", PathStyle::Windows, "C:\\tools.v2\\twinlens",
                                     "C:\\tools.v2\\twinlens.ini", "C:\\tools.v2\\twinlens.prs"},
                      NamedAfterCase{"DriveRelative", PathStyle::Windows, "C:twinlens.exe",
                                     "C:twinlens.ini", "C:twinlens.prs"},
                      NamedAfterCase{"Posix", PathStyle::Posix, "/usr/bin/twinlens",
                                     "/usr/bin/twinlens.ini", "/usr/bin/twinlens.prs"},
                      NamedAfterCase{"PosixDottedFolder", PathStyle::Posix, "/opt/a.b/twinlens-cli",
                                     "/opt/a.b/twinlens-cli.ini", "/opt/a.b/twinlens-cli.prs"},
                      // Unknown program: no file rather than a bare ".ini" in the current folder.
                      NamedAfterCase{"Unknown", PathStyle::Windows, "", "", ""},
                      NamedAfterCase{"FolderOnly", PathStyle::Windows, "C:\\Twinlens\\", "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

struct DefaultPresetsCase {
  const char* label;
  PathStyle style;
  const char* program;
  const char* defaults;
};

class DefaultPresets : public ::testing::TestWithParam<DefaultPresetsCase> {};

TEST_P(DefaultPresets, LieWhereTheProgramWasInstalled) {
  EXPECT_EQ(defaultPresetsPathFor(GetParam().program, GetParam().style), GetParam().defaults);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, DefaultPresets,
    ::testing::Values(DefaultPresetsCase{"Installed", PathStyle::Posix, "/usr/local/bin/twinlens",
                                         "/usr/local/bin/../share/twinlens/twinlens.prs"},
                      DefaultPresetsCase{"Package", PathStyle::Windows,
                                         "C:\\Tools\\Twinlens\\twinlens.exe",
                                         "C:\\Tools\\Twinlens\\twinlens.prs"},
                      DefaultPresetsCase{"Unknown", PathStyle::Posix, "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DefaultPresets, AFirstStartGetsThemAndALaterOneKeepsItsOwn) {
  test::TempDir dir;
  const std::string defaults = dir.file("twinlens.prs");
  const std::string presets = dir.file("user.prs");
  provideDefaultPresets(presets, defaults);  // nothing installed: nothing to copy
  EXPECT_EQ(test::readBytes(presets), "");

  test::writeBytes(defaults, "[Presets]\r\nx264 MP4=-c:v libx264\r\n");
  provideDefaultPresets(presets, defaults);
  EXPECT_EQ(test::readBytes(presets), "[Presets]\r\nx264 MP4=-c:v libx264\r\n");

  test::writeBytes(presets, "[Presets]\r\nmine=-c:v ffv1\r\n");
  provideDefaultPresets(presets, defaults);
  EXPECT_EQ(test::readBytes(presets), "[Presets]\r\nmine=-c:v ffv1\r\n");
}

}  // namespace
}  // namespace twinlens
