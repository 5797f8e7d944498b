// Whole scripts of one clip against the golden folders scripts_<case>. Each folder holds
//   clip.txt     "Left=", "Right=", optional "LeftPictures=" / "RightPictures=" (first|last
//                picture) and one "<field>=<value>" line per changed setting;
//   scripts.txt  the Windows paths of the scripts in writing order;
//   expected/    each script under its path with ":" dropped and "\" turned into "/", and
//                histogram.avs, the clip's part of the run's histogram script.
// Setting TWINLENS_UPDATE_GOLDEN=1 rewrites the expected files from the builder's output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engines/avisynth/ScriptBuilder.h"
#include "model/SettingsFields.h"
#include "platform/TextFiles.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;

constexpr auto W = PathStyle::Windows;

fs::path goldenDir(const std::string& name) {
  return fs::path(TWINLENS_GOLDEN_DIR) / ("scripts_" + name);
}

// "C:\v\a.avs" as a relative path below a folder: "C/v/a.avs".
fs::path mapped(const std::string& windowsPath) {
  std::string relative;
  for (char c : windowsPath) {
    if (c == ':') continue;
    relative.push_back(c == '\\' ? '/' : c);
  }
  return fs::path(relative);
}

struct GoldenClip {
  ConversionSettings settings;
  std::string left;
  std::string right;
  std::string leftPictures;
  std::string rightPictures;
};

GoldenClip readClip(const fs::path& file) {
  GoldenClip clip;
  const TextFile text = platform::loadTextFile(file.string());
  for (const auto& line : text.lines()) {
    const auto eq = line.find('=');
    if (line.empty() || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "Left") {
      clip.left = value;
    } else if (key == "Right") {
      clip.right = value;
    } else if (key == "LeftPictures") {
      clip.leftPictures = value;
    } else if (key == "RightPictures") {
      clip.rightPictures = value;
    } else {
      const SettingsField* field = findSettingsField(key);
      if (field == nullptr) throw std::runtime_error("unknown field " + key);
      setSettingsField(clip.settings, *field, value);
    }
  }
  return clip;
}

PictureSequence pictures(const std::string& firstAndLast) {
  const auto bar = firstAndLast.find('|');
  return pictureSequence(firstAndLast.substr(0, bar), firstAndLast.substr(bar + 1));
}

class GoldenScripts : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenScripts, MatchByteForByte) {
  const fs::path golden = goldenDir(GetParam());
  const GoldenClip clip = readClip(golden / "clip.txt");
  ClipNames names = deriveClipNames(clip.settings, clip.left, clip.right, W);
  if (!clip.leftPictures.empty()) names.leftPictures = pictures(clip.leftPictures);
  if (!clip.rightPictures.empty()) names.rightPictures = pictures(clip.rightPictures);

  TextFile histogram;
  const auto scripts = ScriptBuilder(W).build(makeClipRecipe(clip.settings, names, {}), histogram);

  std::vector<std::string> paths;
  for (const auto& script : scripts) paths.push_back(script.path);
  EXPECT_EQ(paths, platform::loadTextFile((golden / "scripts.txt").string()).lines());

  if (std::getenv("TWINLENS_UPDATE_GOLDEN") != nullptr) {
    fs::remove_all(golden / "expected");
    for (const auto& script : scripts) {
      const fs::path file = golden / "expected" / mapped(script.path);
      fs::create_directories(file.parent_path());
      platform::saveTextFile(script.lines, file.string());
    }
    platform::saveTextFile(histogram, (golden / "expected" / "histogram.avs").string());
    GTEST_SKIP() << "golden files rewritten in " << golden;
  }

  TempDir out;
  for (const auto& script : scripts) {
    const fs::path file = out.path() / mapped(script.path);
    fs::create_directories(file.parent_path());
    platform::saveTextFile(script.lines, file.string());
    EXPECT_EQ(readBytes(file), readBytes(golden / "expected" / mapped(script.path))) << script.path;
  }
  platform::saveTextFile(histogram, out.file("histogram.avs"));
  EXPECT_EQ(readBytes(out.file("histogram.avs")), readBytes(golden / "expected" / "histogram.avs"));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenScripts,
                         ::testing::Values("separate_reverse", "separate_deshake_apart",
                                           "side_by_side", "over_under", "interlaced",
                                           "mono_deshake"));

}  // namespace
}  // namespace twinlens
