// Bad inputs as users meet them, each with its message and nothing lost: files that hold no
// video, names that are folders, texts a command line cannot carry, and encodes that fail under
// way (a full disk, ffmpeg killed, an input renamed) told as failed with no unfinished output.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "CliOutcome.h"
#include "platform/FileSystem.h"
#include "platform/ProgramOutput.h"
#include "run/EncodeRun.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;
using Words = std::vector<std::string>;

void makeClip(const std::string& path, int seconds, const char* codec = "ffv1") {
  const platform::ProgramOutput made =
      platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                            "testsrc=r=25:s=160x120:d=" + std::to_string(seconds), "-c:v", codec,
                            "-pix_fmt", "yuv420p", path});
  ASSERT_EQ(made.exitCode, 0) << made.errors;
}

// A side-by-side conversion of LEFT and RIGHT by the ffmpeg engine, its runner written.
Words conversion(const TempDir& dir, const std::string& left, const std::string& right,
                 Words more = {}) {
  Words args{"--set",   "RadioGroup_Engine=1",
             "--set",   "CheckBox_ffmpeg_make=1",
             "--set",   "RadioGroup_Output_Format=1",
             "--set",   "Edit_Video_Extension=.mkv",
             "--set",   "Edit_coding_presets=-c:v ffv1",
             "--left",  dir.file(left),
             "--right", dir.file(right)};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> tree(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    files[fs::relative(entry.path(), dir.path()).generic_string()] =
        entry.is_regular_file() ? readBytes(entry.path()) : "(folder)";
  }
  return files;
}

struct RefusedCase {
  const char* label;
  std::function<void(const TempDir&)> make;  // beside a video "r.mkv"
  std::function<Words(const TempDir&)> args;
  int status;
  std::vector<std::string> message;  // its parts, in order; "@" stands for the folder
};

class CliBadInput : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CliBadInput, IsRefusedWithItsMessageAndNothingWritten) {
  const RefusedCase& c = GetParam();
  TempDir dir;
  makeClip(dir.file("r.mkv"), 1);
  c.make(dir);
  const auto before = tree(dir);
  const test::CliOutcome outcome = test::runCli(c.args(dir));
  EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
  std::size_t at = 0;
  for (std::string part : c.message) {
    if (part.starts_with("@")) part = dir.file(part.substr(1));
    at = outcome.err.find(part, at);
    ASSERT_NE(at, std::string::npos) << part << " in\n" << outcome.err;
  }
  EXPECT_EQ(outcome.out.find("wrote\t"), std::string::npos) << outcome.out;
  EXPECT_EQ(tree(dir), before);
}

const auto withLeft = [](const char* left) {
  return [left](const TempDir& dir) { return conversion(dir, left, "r.mkv"); };
};

INSTANTIATE_TEST_SUITE_P(
    Table, CliBadInput,
    ::testing::Values(
        RefusedCase{"EmptyFile",
                    [](const TempDir& d) { writeBytes(d.file("a.mp4"), ""); },
                    withLeft("a.mp4"),
                    1,
                    {"Cannot read \"", "@a.mp4", "\": the file is empty"}},
        RefusedCase{"TextFile",
                    [](const TempDir& d) { writeBytes(d.file("a.mp4"), "not a video\n"); },
                    withLeft("a.mp4"),
                    1,
                    {"Cannot read \"", "@a.mp4", "Invalid data found when processing input"}},
        RefusedCase{"TruncatedMp4",
                    [](const TempDir& d) {
                      makeClip(d.file("whole.mp4"), 2, "libx264");
                      writeBytes(d.file("a.mp4"), readBytes(d.file("whole.mp4")).substr(0, 3000));
                      fs::remove(d.file("whole.mp4"));
                    },
                    withLeft("a.mp4"),
                    1,
                    {"Cannot read \"", "@a.mp4", "\": "}},
        RefusedCase{"PictureNamedMp4",
                    [](const TempDir& d) {
                      const auto made = platform::runProgram(
                          {"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=160x120",
                           "-frames:v", "1", "-f", "image2", "-c:v", "png", d.file("a.mp4")});
                      ASSERT_EQ(made.exitCode, 0) << made.errors;
                    },
                    withLeft("a.mp4"),
                    1,
                    {"@a.mp4", "holds a single picture"}},
        RefusedCase{"SoundOnly",
                    [](const TempDir& d) {
                      const auto made =
                          platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                                "sine=d=1", d.file("a.mp4")});
                      ASSERT_EQ(made.exitCode, 0) << made.errors;
                    },
                    withLeft("a.mp4"),
                    1,
                    {"@a.mp4", "it holds no video"}},
        RefusedCase{"MissingFile",
                    [](const TempDir&) {},
                    withLeft("a.mp4"),
                    2,
                    {"File does not exist: ", "@a.mp4"}},
        RefusedCase{"FolderForAFile",
                    [](const TempDir& d) { fs::create_directory(d.file("a.mp4")); },
                    withLeft("a.mp4"),
                    2,
                    {"@a.mp4", " is a folder, not a file"}},
        RefusedCase{
            "OutputOnAFolder",
            [](const TempDir& d) {
              makeClip(d.file("a.mkv"), 1);
              fs::create_directory(d.file("a_LR.mkv"));
            },
            withLeft("a.mkv"),
            1,
            {"Cannot create file \"", "@a_LR.mkv", "A folder of that name is in its place"}},
        RefusedCase{"OptionsWithALineBreak",
                    [](const TempDir& d) { makeClip(d.file("a.mkv"), 1); },
                    [](const TempDir& d) {
                      return conversion(d, "a.mkv", "r.mkv",
                                        {"--set", "Edit_coding_presets=-crf 20\ntouch x"});
                    },
                    1,
                    {"The encoder options (Edit_coding_presets) cannot go onto a command line: "
                     "they hold a line break at character 8; they come from --set "
                     "Edit_coding_presets"}},
        RefusedCase{"PresetWithAnOpenQuote",
                    [](const TempDir& d) {
                      makeClip(d.file("a.mkv"), 1);
                      writeBytes(d.file("shared.prs"),
                                 "[Presets]\r\nfast=-c:v ffv1 -metadata \"title=x & y\r\n"
                                 "[Extensions]\r\nfast=.mkv\r\n");
                      writeBytes(d.file("shared.lay"), "[Output]\r\nCodec=0\r\n");
                    },
                    [](const TempDir& d) {
                      Words args{"--set",      "RadioGroup_Engine=1",
                                 "--set",      "CheckBox_ffmpeg_make=1",
                                 "--set",      "RadioGroup_Output_Format=1",
                                 "--presets",  d.file("shared.prs"),
                                 "--settings", d.file("shared.lay"),
                                 "--left",     d.file("a.mkv"),
                                 "--right",    d.file("r.mkv")};
                      return args;
                    },
                    1,
                    {"they hold a double quote that is not closed at character 21; they come "
                     "from the entry \"fast\" of the presets file \"",
                     "@shared.prs"}},
        RefusedCase{"BatchFfmpegFromALayoutWithAQuote",
                    [](const TempDir& d) {
                      makeClip(d.file("a.mkv"), 1);
                      writeBytes(d.file("trip.lay"),
                                 "[File]\r\nffmpeg location=C:\\ff\"mpeg.exe\r\n"
                                 "[Output]\r\nFormat=1\r\nMakeffmpeg=1\r\n");
                    },
                    [](const TempDir& d) {
                      return Words{"--settings",    d.file("trip.lay"), "--left",
                                   d.file("a.mkv"), "--right",          d.file("r.mkv")};
                    },
                    1,
                    {"The ffmpeg program (FfmpegLocation) cannot go onto a command line: it "
                     "holds a double quote at character 6; it comes from the layout file \"",
                     "@trip.lay"}}),
    [](const auto& info) { return std::string(info.param.label); });

// Encodes that fail under way: the clip is told as failed with ffmpeg's reason, no unfinished
// output stays, and the inputs are as they were.
struct FailedEncodeCase {
  const char* label;
  // The ffmpeg the runner starts ("ffmpeg" on the search path where empty), made in the folder.
  std::string ffmpeg;
  std::function<void(const TempDir&)> beforeEncode;
  const char* reason;  // part of the failed clip's error
};

class FailedEncode : public ::testing::TestWithParam<FailedEncodeCase> {};

TEST_P(FailedEncode, IsToldAsFailedAndLeavesNoUnfinishedOutput) {
  const FailedEncodeCase& c = GetParam();
  TempDir dir;
  makeClip(dir.file("a_L.mkv"), 4);
  makeClip(dir.file("a_R.mkv"), 4);
  Words more;
  if (!c.ffmpeg.empty()) {
    // The run reads the clips with the ffprobe beside the ffmpeg it is given.
    writeBytes(dir.file("bin/ffmpeg"), "#!/bin/sh\n" + c.ffmpeg + "\n");
    writeBytes(dir.file("bin/ffprobe"), "#!/bin/sh\nexec ffprobe \"$@\"\n");
    for (const char* program : {"bin/ffmpeg", "bin/ffprobe"}) {
      fs::permissions(dir.file(program), fs::perms::owner_all);
    }
    more = {"--set", "FfmpegLocation=" + dir.file("bin/ffmpeg")};
  }
  const test::CliOutcome outcome = test::runCli(conversion(dir, "a_L.mkv", "a_R.mkv", more));
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const std::string left = readBytes(dir.file("a_L.mkv"));
  c.beforeEncode(dir);

  EncodeRun encodes;
  ASSERT_EQ(encodes.start({dir.file("a_LR.sh"), "", dir.path().string(), {{dir.file("a_LR.mkv")}}}),
            "");
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (encodes.poll(100) && std::chrono::steady_clock::now() < until) {
  }
  ASSERT_FALSE(encodes.status().running);
  ASSERT_EQ(encodes.status().results.size(), 1u);
  EXPECT_TRUE(encodes.status().results[0].failed);
  EXPECT_NE(encodes.status().results[0].error.find(c.reason), std::string::npos)
      << encodes.status().results[0].error;
  EXPECT_EQ(encodes.status().line(), "1 of 1 clips failed");
  for (const char* unfinished : {"a_LR.mkv", "a_LR.partial.mkv"}) {
    EXPECT_FALSE(fs::exists(dir.file(unfinished))) << unfinished;
  }
  EXPECT_EQ(readBytes(dir.file("a_L.mkv")), left);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedEncode,
    ::testing::Values(
        // A disk that fills up: no file may grow past 32 KiB (64 blocks of 512 bytes).
        FailedEncodeCase{"FullDisk", "ulimit -f 64 && exec ffmpeg \"$@\"", [](const TempDir&) {},
                         "File size limit exceeded"},
        FailedEncodeCase{"FfmpegKilled",
                         "ffmpeg -re \"$@\" & encode=$!\nsleep 1\nkill -9 $encode\nwait $encode",
                         [](const TempDir&) {}, "Killed"},
        FailedEncodeCase{
            "InputRenamed", "",
            [](const TempDir& d) { fs::rename(d.file("a_R.mkv"), d.file("a_R.old.mkv")); },
            "a_R.mkv: No such file or directory"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace twinlens
