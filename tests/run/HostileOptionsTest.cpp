// Encoder options from a shared preset that would run commands of their own: the runner and the
// batch file are written and run by their real interpreters (sh; cmd.exe under Wine) with an
// ffmpeg that records its arguments. It receives exactly the words typed, and nothing else runs;
// options that stand for no words stop the run before its dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "base/Error.h"
#include "platform/ChildProcess.h"
#include "run/ConversionRun.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using Words = std::vector<std::string>;

class PairFrontEnd : public RunFrontEnd {
 public:
  explicit PairFrontEnd(const TempDir& dir) : dir_(dir) {}
  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    ++dialogs;
    return std::vector<std::string>{dir_.file(dialogs == 1 ? "a_L.mkv" : "a_R.mkv")};
  }
  std::string launch(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  void wrote(const std::string& path) override { written.push_back(path); }

  int dialogs = 0;
  std::vector<std::string> written;

 private:
  const TempDir& dir_;
};

class TwoSecondClips : public MediaProbe {
 public:
  MediaInfo probe(const std::string&) override {
    MediaInfo info;
    info.frames = 50;
    info.width = 160;
    info.height = 120;
    return info;
  }
};

std::string recorder() {
  return fs::path(TWINLENS_RECORD_ARGUMENTS).make_preferred().string();
}

// Each start of the recorder: its arguments.
std::vector<Words> recorded(const std::string& file) {
  std::vector<Words> starts(1);
  std::istringstream lines(test::readBytes(file));
  for (std::string line; std::getline(lines, line);) {
    if (line == "--end--") {
      starts.emplace_back();
    } else {
      starts.back().push_back(line);
    }
  }
  starts.pop_back();
  return starts;
}

// Runs a written runner or batch file in its folder, as its starter does, to its end.
std::string runScript(const std::string& script, const TempDir& dir) {
  platform::ChildProcess child;
  const bool batch = script.ends_with(".bat");
  const std::string failed =
      child.start(batch ? Words{"cmd", "/c", script} : Words{"sh", script},
                  {dir.path().string(), {{"TWINLENS_RECORDED", dir.file("args.txt")}}});
  if (!failed.empty()) return failed;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (child.poll(200)) {
    if (std::chrono::steady_clock::now() > until) {
      child.stop();
      return "still running after a minute";
    }
  }
  return {};
}

enum class Writer { FfmpegRunner, AviSynthBatch };

// The words between the encode's frame rate and what follows the options: the stereo tag of the
// runner's Matroska output, or the batch file's output name.
Words optionsOf(const Words& encode, Writer writer) {
  if (writer == Writer::AviSynthBatch) {
    // "-i" "a_LR.avs" <options> "a_LR.mkv"
    return encode.size() < 3 ? Words{} : Words(encode.begin() + 2, encode.end() - 1);
  }
  const auto rate = std::find(encode.begin(), encode.end(), "-r");
  const auto tag = std::find(encode.begin(), encode.end(), "-metadata:s:v:0");
  if (rate == encode.end() || tag == encode.end() || tag < rate + 2) return {};
  return Words(rate + 2, tag);
}

struct HostileCase {
  const char* label;
  const char* options;
  Words words;  // what ffmpeg must receive; empty with `refusal`
  const char* refusal = nullptr;
};

class HostileOptions : public ::testing::TestWithParam<HostileCase> {};

void convert(const HostileCase& c, Writer writer) {
  TempDir dir;
  test::writeBytes(dir.file("a_L.mkv"), "left");
  test::writeBytes(dir.file("a_R.mkv"), "right");
  test::writeBytes(dir.file("keep.txt"), "kept");
  ConversionSettings settings;
  settings.RadioGroup_Engine =
      writer == Writer::FfmpegRunner ? choices::Engine::Ffmpeg : choices::Engine::AviSynth;
  settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings.CheckBox_ffmpeg_make = true;
  settings.Edit_Video_Extension = ".mkv";
  settings.FfmpegLocation = recorder();
  settings.Edit_coding_presets = c.options;
  settings.sources.record("Edit_coding_presets", c.options,
                          "the entry \"shared\" of the presets file \"shared.prs\"");
  PairFrontEnd frontEnd(dir);
  TwoSecondClips probe;
  ConversionRun run(settings, frontEnd, nativePathStyle(), &probe);

  if (c.refusal != nullptr) {
    try {
      run.M1Click();
      FAIL() << "the run went on";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("The encoder options (Edit_coding_presets) cannot go onto a command "
                            "line: they hold ") +
                    c.refusal +
                    "; they come from the entry \"shared\" of the presets file \"shared.prs\"");
    }
    EXPECT_EQ(frontEnd.dialogs, 0);
    EXPECT_TRUE(frontEnd.written.empty());
    return;
  }
  run.M1Click();
  const auto script = std::find_if(
      frontEnd.written.begin(), frontEnd.written.end(),
      [](const std::string& path) { return path.ends_with(".sh") || path.ends_with(".bat"); });
  ASSERT_NE(script, frontEnd.written.end());
  ASSERT_EQ(runScript(*script, dir), "");

  const std::vector<Words> starts = recorded(dir.file("args.txt"));
  ASSERT_FALSE(starts.empty()) << test::readBytes(*script);
  EXPECT_EQ(optionsOf(starts.front(), writer), c.words) << test::readBytes(*script);
  // Nothing but the encode ran: no marker, the other files as they were.
  for (const char* marker : {"marker", "marker.txt"}) EXPECT_FALSE(fs::exists(dir.file(marker)));
  EXPECT_EQ(test::readBytes(dir.file("keep.txt")), "kept");
  EXPECT_EQ(test::readBytes(dir.file("a_L.mkv")), "left");
}

TEST_P(HostileOptions, ReachTheRunnerAsTheirWordsAlone) {
  convert(GetParam(), Writer::FfmpegRunner);
}

#ifdef _WIN32
TEST_P(HostileOptions, ReachTheBatchFileAsTheirWordsAlone) {
  convert(GetParam(), Writer::AviSynthBatch);
}
#endif

INSTANTIATE_TEST_SUITE_P(
    Table, HostileOptions,
    ::testing::Values(
        HostileCase{"Plain", "-c:v ffv1 -level 3", {"-c:v", "ffv1", "-level", "3"}},
        HostileCase{"Semicolon", "-crf 20; touch marker", {"-crf", "20;", "touch", "marker"}},
        HostileCase{"AndAnd", "-crf 20 && touch marker", {"-crf", "20", "&&", "touch", "marker"}},
        HostileCase{"Pipe", "-crf 20 | touch marker", {"-crf", "20", "|", "touch", "marker"}},
        HostileCase{"Backticks",
                    "-metadata title=`touch marker`",
                    {"-metadata", "title=`touch", "marker`"}},
        HostileCase{"Substitution",
                    "-metadata \"title=$(touch marker)\"",
                    {"-metadata", "title=$(touch marker)"}},
        HostileCase{"PercentVariable", "-metadata title=%PATH%", {"-metadata", "title=%PATH%"}},
        HostileCase{"DelayedVariable", "-metadata title=!x!", {"-metadata", "title=!x!"}},
        HostileCase{"Caret", "-metadata title=a^^b^", {"-metadata", "title=a^^b^"}},
        HostileCase{"Delete",
                    "-c:v ffv1 & del *.* & type nul > marker",
                    {"-c:v", "ffv1", "&", "del", "*.*", "&", "type", "nul", ">", "marker"}},
        HostileCase{"Redirect", "-c:v ffv1 > nul", {"-c:v", "ffv1", ">", "nul"}},
        HostileCase{"QuotedRedirect",
                    "-metadata \"title=a > marker.txt\"",
                    {"-metadata", "title=a > marker.txt"}},
        HostileCase{"Unbalanced",
                    "-metadata \"title=x & touch marker",
                    {},
                    "a double quote that is not closed at character 11"},
        HostileCase{"LineBreak", "-crf 20\ntouch marker", {}, "a line break at character 8"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace twinlens
