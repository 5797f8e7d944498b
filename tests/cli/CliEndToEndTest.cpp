// Whole runs of the twinlens-cli program, every written file compared with its golden copy.
// The golden files hold "@ROOT@" where the run's temporary folder stood. Setting
// TWINLENS_UPDATE_GOLDEN=1 rewrites them from the program's output.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

constexpr const char* kPlaceholder = "@ROOT@";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string quoted(const std::string& arg) {
  return "'" + replaceAll(arg, "'", "'\\''") + "'";
}

struct EndToEndCase {
  const char* name;  // the golden folder is tests/golden/cli-<name>
  std::vector<std::pair<std::string, std::string>> inputs;  // relative path, bytes
  std::vector<std::string> args;                            // "@ROOT@" is the temporary folder
};

class CliEndToEndTest : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(CliEndToEndTest, WritesTheGoldenFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "the golden runs are spelled with POSIX paths";
#endif
  const EndToEndCase& c = GetParam();
  TempDir dir;
  const std::string root = dir.path().string();
  const fs::path golden = fs::path(TWINLENS_GOLDEN_DIR) / ("cli-" + std::string(c.name));
  for (const auto& [relative, bytes] : c.inputs) writeBytes(dir.path() / relative, bytes);

  std::string command = "cd " + quoted(root + "/work") + " && " + quoted(TWINLENS_CLI_PROGRAM);
  for (const auto& arg : c.args) command += " " + quoted(replaceAll(arg, kPlaceholder, root));
  command += " >" + quoted(root + "/stdout.txt") + " 2>" + quoted(root + "/stderr.txt");
  fs::create_directories(dir.path() / "work");
  ASSERT_EQ(std::system(command.c_str()), 0) << readBytes(dir.path() / "stderr.txt");
  EXPECT_EQ(readBytes(dir.path() / "stderr.txt"), "");

  const std::string out = replaceAll(readBytes(dir.path() / "stdout.txt"), root, kPlaceholder);
  std::vector<std::string> written;
  for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    const std::string line = out.substr(start, end - start);
    const std::string prefix = std::string("wrote\t") + kPlaceholder + "/";
    // The job lists' names hold a doubled separator; the folder listing below has none.
    if (line.starts_with(prefix)) {
      written.push_back(fs::path(line.substr(prefix.size())).lexically_normal().string());
    }
  }

  if (std::getenv("TWINLENS_UPDATE_GOLDEN") != nullptr) {
    fs::remove_all(golden);
    writeBytes(golden / "stdout.txt", out);
    for (const auto& file : written) {
      writeBytes(golden / file, replaceAll(readBytes(dir.path() / file), root, kPlaceholder));
    }
    GTEST_SKIP() << "golden files rewritten in " << golden;
  }

  ASSERT_TRUE(fs::is_directory(golden)) << golden << " is missing";
  EXPECT_EQ(out, readBytes(golden / "stdout.txt"));
  std::vector<std::string> expected;
  for (const auto& entry : fs::recursive_directory_iterator(golden)) {
    if (entry.is_regular_file() && entry.path().filename() != "stdout.txt") {
      expected.push_back(fs::relative(entry.path(), golden).string());
    }
  }
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> got = written;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  for (const auto& file : written) {
    EXPECT_EQ(replaceAll(readBytes(dir.path() / file), root, kPlaceholder),
              readBytes(golden / file))
        << file;
  }
}

const std::vector<std::pair<std::string, std::string>> kVirtualDubFiles = {
    {"vd/deint.vcf",
     "VirtualDub.video.filters.Clear();\r\nVirtualDub.video.filters.Add(\"deinterlace\");\r\n"},
    {"vd/separate.vcf", "VirtualDub.video.SetCompression(0x7367616d,0,10000,0);\r\n"},
    {"vd/lr.vcf", "VirtualDub.audio.SetMode(0);\nVirtualDub.video.SetDepth(24,24);"},
    {"vd2/VirtualDub.exe", ""}};

std::vector<std::string> virtualDubArgs() {
  return {"--set", "VcfDeint=@ROOT@/vd/deint.vcf",
          "--set", "Edit_vcf_deint=@ROOT@/vd/deint.vcf",
          "--set", "VcfSeparate=@ROOT@/vd/separate.vcf",
          "--set", "Edit_vcf_separate=@ROOT@/vd/separate.vcf",
          "--set", "VcfLR=@ROOT@/vd/lr.vcf",
          "--set", "Edit_vcf_LR=@ROOT@/vd/lr.vcf",
          "--set", "Edit_VD2=@ROOT@/vd2/VirtualDub.exe",
          "--set", "CheckBox_VD_MakeJobs=1",
          "--set", "CheckBox_Execute_VD=1"};
}

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::pair<std::string, std::string>> join(
    std::vector<std::pair<std::string, std::string>> a,
    const std::vector<std::pair<std::string, std::string>>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliEndToEndTest,
    ::testing::Values(
        // Two pairs in two folders, deinterlaced, colour-matched, batch file and two job lists.
        EndToEndCase{
            "separate-two-folders",
            join({{"l/a_L.mp4", ""}, {"l/b_L.mp4", ""}, {"r/a_R.mp4", ""}, {"r/b_R.mp4", ""}},
                 kVirtualDubFiles),
            join({"--left",  "../l/a_L.mp4",
                  "--left",  "@ROOT@/l/b_L.mp4",
                  "--right", "../r/a_R.mp4",
                  "--right", "../r/b_R.mp4",
                  "--set",   "CheckBox_Output_DI=1",
                  "--set",   "RadioGroup_Colour_Match=1",
                  "--set",   "Edit_Offset=-2",
                  "--set",   "CheckBox_ffmpeg_make=1",
                  "--set",   "CheckBox_Execute_ffmpeg=1",
                  "--set",   "FfmpegLocation=C:\\ff\\ffmpeg.exe",
                  "--set",   "Edit_coding_presets=-c:v utvideo",
                  "--set",   "Edit_Video_Extension=.mkv",
                  "--set",   "CheckBox_2VD=1"},
                 virtualDubArgs())},
        // A picture sequence to one mono file, blended over four frames, at a new frame rate.
        EndToEndCase{
            "pictures-mono",
            {{"p/shot_0007.png", ""}, {"p/shot_0008.png", ""}, {"p/shot_0120.png", ""}},
            {"--left", "../p/shot_0007.png",        "--left", "../p/shot_0008.png",
             "--left", "../p/shot_0120.png",        "--set",  "RadioGroup_Import_Options=2",
             "--set",  "RadioGroup_Input_Format=3", "--set",  "RadioGroup_Output_Format=4",
             "--set",  "Edit_import_picture_FR=30", "--set",  "RadioGroup_Blend_TL=1",
             "--set",  "ComboBox_Blend=1",          "--set",  "RadioGroup_FrameRates=5",
             "--set",  "CheckBox_ffmpeg_make=1"}},
        // An MVC clip found through its separated views, side by side with job lists.
        EndToEndCase{"mvc-side-by-side",
                     join({{"m/00001.MTS", ""},
                           {"m/00001_l.avi", ""},
                           {"m/00001_r.avi", ""},
                           {"m/00002.MTS", ""},
                           {"m/00002-l.avi", ""},
                           {"m/00002-r.avi", ""}},
                          kVirtualDubFiles),
                     join({"--left", "../m/00001.MTS", "--left", "../m/00002.MTS", "--set",
                           "CheckBox_MVC_Ref=1", "--set", "RadioGroup_Output_Format=1", "--set",
                           "Prefix=3d_", "--set", "CheckBox_change_final_HV=1"},
                          virtualDubArgs())}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

}  // namespace
}  // namespace twinlens
