#include "storage/PresetsFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Error.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

using Names = std::vector<std::string>;

TEST(PresetsFile, NoFileMeansNoPresetsAndEmptyFields) {
  TempDir dir;
  const PresetsFile presets(dir.file("twinlens.prs"));
  EXPECT_TRUE(presets.names().empty());
  ConversionSettings s;
  s.Edit_coding_presets = "old";
  presets.showPreset(s, "utvideo");
  EXPECT_EQ(s.Edit_coding_presets, "");
  EXPECT_EQ(s.Edit_Video_Extension, "");
  EXPECT_EQ(s.Edit_preset_name, "utvideo");
}

TEST(PresetsFile, NamesComeFromPresetsOnlyInFileOrder) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  writeBytes(path,
             "[Extensions]\r\nonlyext=.avi\r\nx264=.mp4\r\n[Presets]\r\nx264=-c:v libx264\r\n"
             "utvideo=\"-c:v utvideo\"\r\nnoext=-c:v ffv1\r\n");
  const PresetsFile presets(path);
  EXPECT_EQ(presets.names(), (Names{"x264", "utvideo", "noext"}));
  ConversionSettings s;
  presets.showPreset(s, "X264");
  EXPECT_EQ(s.Edit_coding_presets, "-c:v libx264");
  EXPECT_EQ(s.Edit_Video_Extension, ".mp4");
  EXPECT_EQ(s.Edit_preset_name, "X264");
  presets.showPreset(s, "utvideo");
  EXPECT_EQ(s.Edit_coding_presets, "-c:v utvideo");  // the surrounding quotes go
  presets.showPreset(s, "noext");
  EXPECT_EQ(s.Edit_Video_Extension, "");
  presets.showPreset(s, "");
  EXPECT_EQ(s.Edit_coding_presets, "");
  EXPECT_EQ(s.Edit_preset_name, "");
}

TEST(PresetsFile, SaveAppendsNewNamesAndOverwritesExistingOnesInPlace) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  PresetsFile presets(path);
  presets.save("utvideo", "-c:v utvideo", ".avi");
  presets.save("x264", "-c:v libx264 -crf 18", ".mp4");
  presets.save("pictures", "-q:v 2", ".jpg");
  EXPECT_EQ(presets.names(), (Names{"utvideo", "x264", "pictures"}));

  presets.save("X264", "-c:v libx264 -crf 20", ".mkv");
  EXPECT_EQ(presets.names(), (Names{"utvideo", "x264", "pictures"}));
  EXPECT_EQ(presets.parameters("x264"), "-c:v libx264 -crf 20");
  EXPECT_EQ(presets.extension("x264"), ".mkv");
  EXPECT_EQ(readBytes(path),
            "[Presets]\r\nutvideo=-c:v utvideo\r\nx264=-c:v libx264 -crf 20\r\n"
            "pictures=-q:v 2\r\n[Extensions]\r\nutvideo=.avi\r\nx264=.mkv\r\npictures=.jpg\r\n");
}

TEST(PresetsFile, LongParametersAreStoredWholeAndReadBackCut) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  PresetsFile presets(path);
  const std::string parameters(3000, 'p');
  presets.save("long", parameters, ".avi");
  EXPECT_NE(readBytes(path).find(parameters), std::string::npos);
  EXPECT_EQ(presets.parameters("long"), std::string(2047, 'p'));
}

TEST(PresetsFile, DeleteRemovesBothKeysAndKeepsTheRest) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  PresetsFile presets(path);
  presets.save("a", "1", ".a");
  presets.save("b", "2", ".b");
  presets.remove("A");
  EXPECT_EQ(presets.names(), Names{"b"});
  EXPECT_EQ(presets.extension("a"), "");
  const std::string before = readBytes(path);
  presets.remove("gone");
  presets.remove("");
  EXPECT_EQ(readBytes(path), before);
}

class PresetsFileBadName : public ::testing::TestWithParam<const char*> {};

TEST_P(PresetsFileBadName, IsRefusedAndNothingIsStored) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  writeBytes(path, "[Presets]\r\nx=1\r\n");
  PresetsFile presets(path);
  const std::string name = GetParam();
  EXPECT_EQ(test::messageOf([&] { presets.save(name, "-c:v ffv1", ".avi"); }),
            "'" + name + "' cannot be used as a preset name");
  EXPECT_EQ(readBytes(path), "[Presets]\r\nx=1\r\n");
}

INSTANTIATE_TEST_SUITE_P(Names, PresetsFileBadName,
                         ::testing::Values("", "a=b", "[Presets]", ";x", " lead", "trail ",
                                           "two\r\nlines"));

TEST(PresetsFile, LineBreakInAValueStoresNothing) {
  TempDir dir;
  const auto path = dir.file("twinlens.prs");
  PresetsFile presets(path);
  EXPECT_THROW(presets.save("x", "-c:v ffv1", ".avi\r\n[Presets]"), Error);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PresetsFile, RefusedFirstWriteStoresNothing) {
  TempDir dir;
  const auto path = dir.file("missing/twinlens.prs");
  PresetsFile presets(path);
  EXPECT_EQ(test::messageOf([&] { presets.save("x", "-c:v ffv1", ".avi"); }),
            "Unable to write to " + path);
  EXPECT_TRUE(presets.names().empty());
}

}  // namespace
}  // namespace twinlens
