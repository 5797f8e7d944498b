#include "storage/ProgramFiles.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace twinlens
