#include "storage/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/Error.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::messageOf;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

TEST(IniFile, MissingFileGivesTheDefaults) {
  TempDir dir;
  const IniFile ini(dir.file("none.ini"));
  EXPECT_EQ(ini.read("Input", "Format", "dflt"), "dflt");
  EXPECT_TRUE(ini.keys("Presets").empty());
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}

TEST(IniFile, EveryCallSeesTheFileAsItIsNow) {
  TempDir dir;
  const auto path = dir.file("s.ini");
  IniFile ini(path);
  ini.write("Input", "Format", "1");
  EXPECT_EQ(ini.read("input", "format", "0"), "1");
  writeBytes(path, "[Input]\r\nFormat=3\r\n");  // changed by hand meanwhile
  EXPECT_EQ(ini.read("Input", "Format", "0"), "3");
}

TEST(IniFile, WritesKeepEveryOtherLineAndEndLinesWithCrLf) {
  TempDir dir;
  const auto path = dir.file("s.lay");
  writeBytes(path, "; my layout\n[Output]\nFormat = 1\nMine=keep\n\n[Other]\nx=y");
  IniFile ini(path);
  ini.write("Output", "Format", "4");
  ini.write("Output", "Colour", "2");
  ini.write("File", "Prefix", "  3D_");
  EXPECT_EQ(readBytes(path),
            "; my layout\r\n[Output]\r\nFormat = 4\r\nMine=keep\r\nColour=2\r\n\r\n[Other]\r\n"
            "x=y\r\n[File]\r\nPrefix=  3D_\r\n");
  EXPECT_EQ(ini.read("File", "Prefix", ""), "3D_");
}

TEST(IniFile, RemoveDeletesTheKeyAndLeavesAMissingFileMissing) {
  TempDir dir;
  const auto path = dir.file("p.prs");
  IniFile ini(path);
  ini.remove("Presets", "x");
  EXPECT_FALSE(std::filesystem::exists(path));
  writeBytes(path, "[Presets]\r\nx=1\r\ny=2\r\n");
  ini.remove("Presets", "X");
  EXPECT_EQ(readBytes(path), "[Presets]\r\ny=2\r\n");
}

class IniFileRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(IniFileRefused, ReportsUnableToWriteAndLeavesNoFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "folder.ini");
  const auto path = dir.file(GetParam());
  IniFile ini(path);
  EXPECT_EQ(messageOf([&] { ini.write("S", "k", "v"); }), "Unable to write to " + path);
  EXPECT_FALSE(std::filesystem::is_regular_file(path));
}

INSTANTIATE_TEST_SUITE_P(Paths, IniFileRefused,
                         ::testing::Values("missing/settings.ini", "folder.ini"));

TEST(IniFile, FailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const auto path = dir.file("s.ini");
  writeBytes(path, "[S]\r\nk=1\r\n");
  IniFile ini(path);
  EXPECT_EQ(messageOf([&] { ini.write("S", "k", "a\r\n[T]"); }),
            "'a\r\n[T]' cannot be written to " + path);
  EXPECT_EQ(messageOf([&] { ini.write("S", "a=b", "1"); }), "'a=b' cannot be written to " + path);
  EXPECT_EQ(readBytes(path), "[S]\r\nk=1\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace twinlens
