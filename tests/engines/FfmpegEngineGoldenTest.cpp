// Whole files of the ffmpeg engine for one clip against tests/golden/ffmpeg_engine/<case>.txt:
// the motion analysis graph (when stabilised), the clip's graph and the runner script, each
// under a line naming it. The clips are described, not read, so the text is the same everywhere.
// Setting TWINLENS_UPDATE_GOLDEN=1 rewrites the expected files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engines/avisynth/FfmpegBatch.h"
#include "engines/ffmpeg/FfmpegRunner.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ClipNames.h"
#include "model/SettingsFields.h"
#include "platform/TextFiles.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;

struct GoldenCase {
  std::string name;
  PathStyle style;
  std::string left;
  std::string right;
  std::vector<std::string> settings;  // "<field>=<value>"
  std::string pictures = {};          // "first|last" of a picture selection
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << c.name;
}

class FfmpegEngineGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(FfmpegEngineGoldenTest, WritesTheExpectedGraphsAndRunner) {
  const GoldenCase& c = GetParam();
  ConversionSettings s;
  s.RadioGroup_Engine = choices::Engine::Ffmpeg;
  for (const std::string& setting : c.settings) {
    const std::size_t eq = setting.find('=');
    const SettingsField* field = findSettingsField(setting.substr(0, eq));
    ASSERT_NE(field, nullptr) << setting;
    setSettingsField(s, *field, setting.substr(eq + 1));
  }
  ClipNames clip = deriveClipNames(s, c.left, c.right, c.style);
  if (!c.pictures.empty()) {
    const std::size_t bar = c.pictures.find('|');
    clip.leftPictures = pictureSequence(c.pictures.substr(0, bar), c.pictures.substr(bar + 1));
    clip.rightPictures = clip.leftPictures;
  }
  MediaInfo left{{25, 1}, 250, true, 48000, false};
  MediaInfo right{{25, 1}, 252, true, 44100, true};

  const FfmpegClipJob job =
      FilterGraphBuilder(c.style).build(makeClipRecipe(s, clip, {left, right}));
  const FfmpegRunner runner(s, c.style);
  const std::string folder = paths::dir(clip.primaryScript, c.style);
  std::vector<std::string> outputs;
  for (auto& file :
       FfmpegBatch(s, c.style).encodedFiles(clip.primaryScript, clip.rightOutputScript, folder)) {
    outputs.push_back(file.video);
  }
  TextFile actual;
  if (!job.analysisGraphPath.empty()) {
    actual.add("== " + job.analysisGraphPath);
    actual.append(job.analysisGraph);
  }
  actual.add("== " + job.graphPath);
  actual.append(job.graph);
  actual.add("== " + runner.pathFor(clip.primaryScript));
  actual.append(runner.header(1, job.outputs.front().frames, runner.pathFor(clip.primaryScript)));
  actual.append(runner.clipCommands(1, 1, job, outputs, folder));
  actual.append(runner.footer(1));

  const fs::path golden = fs::path(TWINLENS_GOLDEN_DIR) / "ffmpeg_engine" / (c.name + ".txt");
  if (std::getenv("TWINLENS_UPDATE_GOLDEN") != nullptr)
    platform::saveTextFile(actual, golden.string());
  EXPECT_EQ(actual.text(), test::readBytes(golden));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FfmpegEngineGoldenTest,
    ::testing::Values(
        GoldenCase{"pair_interlaced_every_step",
                   PathStyle::Posix,
                   "/v/trip-L.mov",
                   "/v/right/trip-R.mov",
                   {"RadioGroup_Output_Format=3",
                    "Edit_Offset=5",
                    "Edit_Audio_Frames_Cut=2",
                    "CheckBox_Output_SF=1",
                    "RadioGroup_Blend_TL=1",
                    "ComboBox_Blend=1",
                    "CheckBox_180=1",
                    "CheckBox_Blend_RightSound=1",
                    "CheckBox_HML=1",
                    "CheckBox_VMR=1",
                    "CheckBox_change_final_HV=1",
                    "Edit_Blur=0.5",
                    "RadioGroup_Repeat=2",
                    "RadioGroup_FrameRates=7",
                    "RadioGroup_Pitch=1",
                    "ComboBox_Colour=1",
                    "CheckBox_Deshake=1",
                    "CheckBox_Output_DI=1",
                    "Edit_Video_Extension=.mkv",
                    "Edit_coding_presets=-c:v libx264 -crf 18"}},
        GoldenCase{
            "side_by_side_file_to_separate_mp4_windows",
            PathStyle::Windows,
            "D:\\clips\\100% fun.mts",
            "D:\\clips\\100% fun.mts",
            {"RadioGroup_Input_Format=1", "RadioGroup_Output_Format=0", "CheckBox_Reverse_LR=1",
             "RadioGroup_Blend_TL=2", "ComboBox_Blend=2", "CheckBox_180=1", "Edit_Offset=-4",
             "CheckBox_Input_HW=1", "FfmpegLocation=C:\\Tools\\ffmpeg 5\\ffmpeg.exe",
             "Edit_Video_Extension=.mp4", "Edit_coding_presets=-c:v libx264 -c:a aac"}},
        GoldenCase{"pictures_over_under_mp4",
                   PathStyle::Posix,
                   "/shots/it's/IMG_0017.jpg",
                   "/shots/it's/IMG_0017.jpg",
                   {"RadioGroup_Input_Format=2", "RadioGroup_Import_Options=2",
                    "RadioGroup_Output_Format=2", "Edit_import_picture_FR=29.97",
                    "RadioGroup_Repeat=6", "RadioGroup_FrameRates=9", "Edit_Video_Extension=.mp4",
                    "Edit_coding_presets=-c:v libx265"},
                   "/shots/it's/IMG_0017.jpg|/shots/it's/IMG_0250.jpg"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace twinlens
