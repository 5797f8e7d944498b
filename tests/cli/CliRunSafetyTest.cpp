// Runs that must not lose the user's work, from the command line: every clash is found before the
// first file is written, a run that stops leaves no temporary file, an unchanged re-run rewrites
// nothing, and a program that does not start is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "CliOutcome.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

using Outcome = test::CliOutcome;

class CliRunSafetyTest : public ::testing::Test {
 protected:
  std::string at(const std::string& relative) const {
    return (dir_.path() / fs::path(relative).make_preferred()).string();
  }

  // Input files hold their own name, so a file written over them shows; for a run that reads its
  // clips first (the ffmpeg engine's), each is a real clip of its own.
  void touch(const std::vector<std::string>& relatives, bool clips = false) {
    for (const auto& relative : relatives) {
      if (!clips) {
        writeBytes(at(relative), relative);
        continue;
      }
      fs::create_directories(fs::path(at(relative)).parent_path());
      ASSERT_EQ(
          platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                "testsrc=s=64x48:r=25:d=0.2", "-metadata", "title=" + relative,
                                "-c:v", "ffv1", "-f", "matroska", at(relative)})
              .exitCode,
          0);
    }
  }

  Outcome run(std::vector<std::string> args) {
    for (std::string& arg : args) {
      if (arg.starts_with("@")) arg = at(arg.substr(1));
    }
    return test::runCli(args);
  }

  // Every file in the folder, with its bytes.
  std::map<std::string, std::string> tree() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
      if (entry.is_regular_file()) {
        files[fs::relative(entry.path(), dir_.path()).generic_string()] = readBytes(entry.path());
      }
    }
    return files;
  }

  std::vector<std::string> virtualDub() {
    writeBytes(at("vd/deint.vcf"), "VirtualDub.video.filters.Clear();\r\n");
    writeBytes(at("vd/separate.vcf"), "VirtualDub.video.SetCompression();\r\n");
    writeBytes(at("vd/lr.vcf"), "VirtualDub.video.SetDepth(24,24);\r\n");
    return {"--set", "CheckBox_VD_MakeJobs=1",
            "--set", "VcfDeint=" + at("vd/deint.vcf"),
            "--set", "Edit_vcf_deint=" + at("vd/deint.vcf"),
            "--set", "VcfSeparate=" + at("vd/separate.vcf"),
            "--set", "VcfLR=" + at("vd/lr.vcf")};
  }

  TempDir dir_;
};

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ClashCase {
  const char* label;
  std::vector<std::string> inputs;
  bool virtualDub;
  std::vector<std::string> args;     // "@<relative>" is a path in the test's folder
  std::vector<std::string> message;  // its parts; "@<relative>" as in args
};

class CliClashTest : public CliRunSafetyTest, public ::testing::WithParamInterface<ClashCase> {};

TEST_P(CliClashTest, StopsBeforeAnythingIsWrittenAndNamesBothFiles) {
  const ClashCase& c = GetParam();
  const bool readsClips =
      std::find(c.args.begin(), c.args.end(), "RadioGroup_Engine=1") != c.args.end();
  if (readsClips && !platform::runProgram({"ffmpeg", "-version"}).started) {
    GTEST_SKIP() << "no ffmpeg here";
  }
  touch(c.inputs, readsClips);
  std::vector<std::string> args = c.virtualDub ? virtualDub() : std::vector<std::string>{};
  const auto before = tree();

  const Outcome outcome = run(join(args, c.args));

  std::string message;
  for (const std::string& part : c.message)
    message += part.starts_with("@") ? at(part.substr(1)) : part;
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, message + "\n");
  EXPECT_EQ(test::withoutProgress(outcome.out), "");
  EXPECT_EQ(tree(), before);  // the inputs as they were, and nothing beside them
}

const std::vector<std::string> kPair = {"--left", "@v/clip_L.avi", "--right", "@v/clip_R.avi"};

INSTANTIATE_TEST_SUITE_P(
    Runs, CliClashTest,
    ::testing::Values(
        ClashCase{
            "BatchEncodesOverTheLeftClip",
            {"v/clip_L.avi", "v/clip_R.avi"},
            false,
            join(kPair, {"--set", "CheckBox_ffmpeg_make=1", "--set", "Edit_Video_Extension=.avi"}),
            {"Cannot create file \"", "@v/clip_L.avi",
             "\". The encoded video would replace the input clip; set a file prefix or "
             "choose another video extension."}},
        ClashCase{"JobsSaveOverTheLeftClip",
                  {"v/clip_L.avi", "v/clip_R.avi"},
                  true,
                  kPair,
                  {"Cannot create file \"", "@v/clip_L.avi",
                   "\". The encoded video would replace the input clip; set a file prefix or "
                   "choose another video extension."}},
        ClashCase{"DeinterlacingSavesOverAnotherClip",
                  {"v/x.mp4", "v/DI_x.avi"},
                  false,
                  {"--left", "@v/x.mp4", "--right", "@v/DI_x.avi", "--set", "CheckBox_Output_DI=1"},
                  {"Cannot create file \"", "@v/DI_x.avi",
                   "\". The encoded video would replace the input clip; set a file prefix or "
                   "choose another video extension."}},
        ClashCase{"FfmpegAndVirtualDubWriteOneVideo",
                  {"v/a_L.mp4", "v/a_R.mp4"},
                  true,
                  {"--left", "@v/a_L.mp4", "--right", "@v/a_R.mp4", "--set",
                   "CheckBox_ffmpeg_make=1", "--set", "Edit_Video_Extension=.avi"},
                  {"Cannot create file \"", "@v/a_L.avi", "\". Both ffmpeg's encode of \"",
                   "@v/a_L.avs", "\" and VirtualDub's job for \"", "@v/a_L.avs",
                   "\" would write it; set a file prefix or choose another video extension."}},
        ClashCase{
            "EncodedVideoReplacesAScript",
            {"v/a_L.mp4", "v/a_R.mp4"},
            false,
            {"--left", "@v/a_L.mp4", "--right", "@v/a_R.mp4", "--set", "CheckBox_ffmpeg_make=1",
             "--set", "Edit_Video_Extension=.avs"},
            {"Cannot create file \"", "@v/a_L.avs", "\". The encoded video of \"", "@v/a_L.avs",
             "\" would replace a file the run writes; choose another video extension."}},
        ClashCase{"TwoClipsWithOneBaseName",
                  {"v/a_L.mp4", "v/a_L.mov", "v/a_R.mp4", "v/a_R.mov"},
                  false,
                  {"--left", "@v/a_L.mp4", "--left", "@v/a_L.mov", "--right", "@v/a_R.mp4",
                   "--right", "@v/a_R.mov"},
                  {"Cannot create file \"", "@v/a_L.avs", "\". The clip \"", "@v/a_L.mp4",
                   "\" and the clip \"", "@v/a_L.mov",
                   "\" would both write it; set another file prefix or rename one of the clips."}},
        ClashCase{"PrefixMeetsTheDeinterlaceScript",
                  {"v/x_L.mp4", "v/x_R.mp4"},
                  false,
                  {"--left", "@v/x_L.mp4", "--right", "@v/x_R.mp4", "--set", "CheckBox_Output_DI=1",
                   "--set", "Prefix=DI_"},
                  {"Cannot create file \"", "@v/DI_x_L.avs", "\". Two scripts of the clip \"",
                   "@v/x_L.mp4", "\" would get this name; set another file prefix."}},
        ClashCase{"HistogramScriptMeetsAClipScript",
                  {"v/c.mp4"},
                  false,
                  {"--left", "@v/c.mp4", "--set", "RadioGroup_Input_Format=3", "--set",
                   "RadioGroup_Output_Format=4", "--set", "RadioGroup_Colour_Match=1", "--set",
                   "Prefix=Hist_"},
                  {"Cannot create file \"", "@v/Hist_c.avs", "\". The clip \"", "@v/c.mp4",
                   "\" and the histogram script would both write it; set another file prefix or "
                   "rename one of the clips."}},
        ClashCase{"RunnersColourTablesReplaceAClip",
                  {"v/a.mp4", "v/a_LR.cube"},
                  false,
                  {"--left", "@v/a.mp4", "--left", "@v/a_LR.cube", "--set", "RadioGroup_Engine=1",
                   "--set", "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1",
                   "--set", "RadioGroup_Colour_Match=1", "--set", "CheckBox_ffmpeg_make=1"},
                  {"Cannot create file \"", "@v/a_LR.cube", "\". The colour tables of \"",
                   "@v/a_LR.ffgraph", "\" would replace the input clip; set a file prefix."}},
        ClashCase{
            "RunnersStereoTaggingReplacesAClip",
            {"v/a.mp4", "v/a_LR.tagging.mkv"},
            false,
            {"--left", "@v/a.mp4", "--left", "@v/a_LR.tagging.mkv", "--set", "RadioGroup_Engine=1",
             "--set", "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1", "--set",
             "CheckBox_ffmpeg_make=1", "--set", "Edit_Video_Extension=.mp4"},
            {"Cannot create file \"", "@v/a_LR.tagging.mkv", "\". The stereo tagging of \"",
             "@v/a_LR.mp4", "\" would replace the input clip; set a file prefix."}},
        ClashCase{"VirtualDubFileNeverChosen",
                  {"v/a.mp4"},
                  true,
                  {"--left", "@v/a.mp4", "--set", "VcfLR="},
                  {"No VirtualDub configuration file is chosen; choose one with \"VCF for LR or "
                   "OU output\""}},
        ClashCase{"OffsetIsNoNumber",
                  {"v/a.mp4"},
                  false,
                  {"--left", "@v/a.mp4", "--set", "Edit_Offset=1.5"},
                  {"'1.5' is not a valid integer value."}}),
    [](const auto& info) { return std::string(info.param.label); });

#ifndef _WIN32
// The shell runner started from the window writes its log beside itself.
INSTANTIATE_TEST_SUITE_P(ShellRuns, CliClashTest,
                         ::testing::Values(ClashCase{
                             "RunnersLogReplacesAClip",
                             {"v/x.mp4", "v/y.log"},
                             false,
                             {"--left", "@v/x.mp4", "--left", "@v/y.log", "--set",
                              "RadioGroup_Engine=1", "--set", "RadioGroup_Input_Format=3", "--set",
                              "RadioGroup_Output_Format=4", "--set", "CheckBox_ffmpeg_make=1"},
                             {"Cannot create file \"", "@v/y.log",
                              "\". It is one of the input files."}}),
                         [](const auto& info) { return std::string(info.param.label); });
#endif

TEST_F(CliRunSafetyTest, RunStoppedByARefusedFileKeepsEarlierScriptsAndLeavesNoTemporaryFile) {
  touch({"v/c1.mp4", "v/c2.mp4"});
  // A folder where the second clip's script belongs: the system refuses the file only then.
  fs::create_directories(at("v/c2_LR.avs"));
  const std::vector<std::string> args =
      join(virtualDub(), {"--left", "@v/c1.mp4", "--left", "@v/c2.mp4", "--set",
                          "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1",
                          "--set", "CheckBox_ffmpeg_make=1", "--set", "RadioGroup_Colour_Match=1"});

  const Outcome outcome = run(args);

  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "wrote\t" + at("v/c1_LR.avs") + "\n");
  std::vector<std::string> files;
  for (const auto& [path, bytes] : tree()) files.push_back(path);
  EXPECT_EQ(files, (std::vector<std::string>{"v/c1.mp4", "v/c1_LR.avs", "v/c2.mp4", "vd/deint.vcf",
                                             "vd/lr.vcf", "vd/separate.vcf"}));
}

TEST_F(CliRunSafetyTest, UnchangedReRunKeepsEveryFileAndAChangedSettingRewritesIt) {
  touch({"v/a_L.mp4", "v/a_R.mp4"});
  const std::vector<std::string> args =
      join(virtualDub(),
           {"--left", "@v/a_L.mp4", "--right", "@v/a_R.mp4", "--set", "CheckBox_ffmpeg_make=1",
            "--set", "Edit_Video_Extension=.mkv", "--set", "RadioGroup_Colour_Match=2"});
  ASSERT_EQ(run(args).status, 0);
  const std::vector<std::string> outputs = {"v/a_L.avs", "v/a_R.avs", "v/a_L.bat",
                                            "vd/VirtualDub.jobs", "v/Hist_a_L.avs"};
  // Whole seconds, which every file system keeps exactly.
  const auto past = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                             std::chrono::hours(24));
  for (const auto& file : outputs) fs::last_write_time(at(file), past);

  const Outcome again = run(args);
  ASSERT_EQ(again.status, 0) << again.err;
  for (const auto& file : outputs) EXPECT_EQ(fs::last_write_time(at(file)), past) << file;
  EXPECT_NE(again.out.find("wrote\t" + at("v/a_L.bat")), std::string::npos);

  ASSERT_EQ(run(join(args, {"--set", "Edit_Offset=2"})).status, 0);
  for (const auto& file : {"v/a_L.avs", "v/a_R.avs"}) {
    EXPECT_GT(fs::last_write_time(at(file)), past) << file;
  }
  EXPECT_EQ(fs::last_write_time(at("v/a_L.bat")), past);
}

TEST_F(CliRunSafetyTest, ProgramThatDoesNotStartIsReportedOnceTheFilesAreWritten) {
  touch({"v/a.mp4"});
  // No VirtualDub.exe lies beside the configuration files.
  const Outcome outcome = run(join(
      virtualDub(), {"--left", "@v/a.mp4", "--set", "RadioGroup_Input_Format=3", "--set",
                     "RadioGroup_Output_Format=4", "--set", "CheckBox_Execute_VD=1", "--launch"}));

  EXPECT_EQ(outcome.status, 1);
  const std::string program =
      at("vd/") + std::string(1, fs::path::preferred_separator) + "VirtualDub.exe";
  EXPECT_EQ(outcome.err.rfind("Cannot start \"" + program + "\". ", 0), 0u) << outcome.err;
  EXPECT_TRUE(fs::exists(at("v/a.avs")));
  EXPECT_TRUE(fs::exists(at("vd/VirtualDub.jobs")));
}

}  // namespace
}  // namespace twinlens
