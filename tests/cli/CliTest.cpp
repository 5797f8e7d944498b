#include <gtest/gtest.h>

#include <filesystem>

#include "CliOutcome.h"
#include "model/ConversionSettings.h"
#include "storage/SettingsFile.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

using Outcome = test::CliOutcome;

class CliTest : public ::testing::Test {
 protected:
  // A full path in the system's own spelling, as the command line makes of it.
  std::string at(const std::string& relative) const {
    return (dir_.path() / fs::path(relative).make_preferred()).string();
  }

  std::string touch(const std::string& relative, const std::string& bytes = {}) {
    writeBytes(at(relative), bytes);
    return at(relative);
  }

  Outcome run(const std::vector<std::string>& args) { return test::runCli(args); }

  TempDir dir_;
};

struct UsageCase {
  const char* label;
  std::vector<std::string> args;
  const char* problem;  // what the first line of the complaint holds
};

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, ComplainsWithTheUsageLineAndDoesNothing) {
  touch("l/a.avi");
  touch("r/b.avi");
  std::vector<std::string> args;
  for (const auto& arg : GetParam().args) {
    args.push_back(arg.starts_with("@") ? at(arg.substr(1)) : arg);
  }
  args.insert(args.end(), {"--save-settings", at("saved.ini")});

  const Outcome outcome = run(args);

  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find(GetParam().problem), std::string::npos) << outcome.err;
  EXPECT_TRUE(outcome.err.ends_with(cli::usage() + "\n")) << outcome.err;
  EXPECT_FALSE(fs::exists(at("saved.ini")));
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, CliUsageTest,
    ::testing::Values(
        UsageCase{"UnknownOption", {"--bogus"}, "--bogus"},
        UsageCase{"UnknownSetting", {"--set", "Edit_Nothing=1"}, "unknown setting 'Edit_Nothing'"},
        UsageCase{"SettingWithoutValue", {"--set", "Prefix"}, "NAME=VALUE"},
        UsageCase{"ChoiceNotANumber",
                  {"--set", "RadioGroup_Input_Format=two"},
                  "'two' is not a valid integer value"},
        UsageCase{
            "ChoiceBeyondItsItems", {"--set", "RadioGroup_Output_Format=8"}, "'8' is not an item"},
        UsageCase{"ChoiceBelowNone", {"--set", "ComboBox_Colour=-2"}, "'-2' is not an item"},
        UsageCase{"PresetBelowNone", {"--set", "ComboBox_FF_codec=-2"}, "'-2' is not an item"},
        UsageCase{"FlagNotZeroOrOne", {"--set", "CheckBox_2VD=yes"}, "'yes' is not a valid flag"},
        UsageCase{"LeftFilesInTwoFolders",
                  {"--left", "@l/a.avi", "--left", "@r/b.avi"},
                  "--left files must lie in one folder"},
        UsageCase{"MissingInput", {"--left", "@l/none.avi"}, "none.avi"},
        UsageCase{"TwoFilesAfterOneOption", {"--left", "@l/a.avi", "@r/b.avi"}, "b.avi"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CliTest, HelpAndVersionSucceed) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--save-settings"), std::string::npos) << help.out;

  const Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "twinlens-cli 1.0.0\n");
}

TEST_F(CliTest, ReportsWrittenFilesAndLaunchesWithoutStartingThem) {
  const std::string clip = touch("v/clip.mp4");
  const Outcome outcome =
      run({"--set", "RadioGroup_Input_Format=1", "--set", "RadioGroup_Output_Format=1", "--set",
           "CheckBox_ffmpeg_make=1", "--set", "CheckBox_Execute_ffmpeg=1", "--left", clip});

  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "wrote\t" + at("v/clip_LR.avs") + "\nwrote\t" + at("v/clip_LR.bat") +
                             "\nlaunch\t" + at("v/clip_LR.bat") + "\t/r /x\t" + at("v/") + "\n");
  EXPECT_EQ(outcome.err, "");
}

TEST_F(CliTest, MakesRelativeInputsAbsolute) {
  touch("v/clip.mp4");
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  const Outcome outcome = run({"--set", "RadioGroup_Input_Format=3", "--set",
                               "RadioGroup_Output_Format=4", "--left", "./v/../v/clip.mp4"});
  fs::current_path(before);

  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "wrote\t" + at("v/clip.avs") + "\n");
}

TEST_F(CliTest, RunErrorIsShownAsTheWindowShowsItAndTheSettingsAreStillSaved) {
  const std::string clip = touch("v/clip.mp4");
  const Outcome outcome =
      run({"--set", "RadioGroup_Input_Format=3", "--set", "CheckBox_VD_MakeJobs=1", "--set",
           "VcfDeint=" + at("gone.vcf"), "--left", clip, "--save-settings", at("saved.ini")});

  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "Cannot open file \"" + at("gone.vcf") + "\". No such file or directory.\n");
  // The configuration file is checked before the clips are taken, so the folders stay.
  ConversionSettings saved;
  LoadSettings(saved, at("saved.ini"), nullptr, "");
  EXPECT_NE(saved.PathLeft, at("v/"));
  EXPECT_EQ(saved.VcfDeint, at("gone.vcf"));
}

TEST_F(CliTest, SettingsAreLoadedThenSetInOrderThenSaved) {
  ConversionSettings stored;
  stored.RadioGroup_Output_Format = choices::OutputFormat::OverUnder;
  stored.Prefix = "old_";
  SaveSettings(stored, at("in.ini"));

  const Outcome outcome = run({"--settings", at("in.ini"), "--set", "Prefix=x_", "--set",
                               "Prefix=new_", "--save-settings", at("out.ini")});

  EXPECT_EQ(outcome.status, 0) << outcome.err;
  ConversionSettings saved;
  LoadSettings(saved, at("out.ini"), nullptr, "");
  EXPECT_EQ(saved.RadioGroup_Output_Format, choices::OutputFormat::OverUnder);
  EXPECT_EQ(saved.Prefix, "new_");
}

TEST_F(CliTest, WithoutSettingsTheFoldersStartAtTheProgram) {
  const Outcome outcome = run({"--save-settings", at("out.ini")});

  EXPECT_EQ(outcome.status, 0) << outcome.err;
  ConversionSettings saved;
  LoadSettings(saved, at("out.ini"), nullptr, "");
  const std::string programFolder = fs::path(TWINLENS_TEST_BINARY_DIR).make_preferred().string();
  EXPECT_EQ(saved.PathLeft, programFolder);
  EXPECT_EQ(saved.PathRight, programFolder);
}

TEST_F(CliTest, PresetsFillTheEncoderFields) {
  touch("presets.prs", "[Presets]\r\nx264=-c:v libx264 -crf 18\r\n[Extensions]\r\nx264=.mkv\r\n");
  const std::string clip = touch("v/clip.mp4");

  const Outcome outcome = run({"--presets", at("presets.prs"), "--set", "RadioGroup_Input_Format=1",
                               "--set", "CheckBox_ffmpeg_make=1", "--left", clip});

  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const std::string batch = readBytes(at("v/clip_L.bat"));
  EXPECT_NE(batch.find("-c:v libx264 -crf 18"), std::string::npos) << batch;
  EXPECT_NE(batch.find(".mkv"), std::string::npos) << batch;
}

// The usage lines and the help come from one parser: every command answers --help, and its
// usage line names each option its help lists.
TEST(CliCommands, UsageAndHelpTellTheSameOptions) {
  for (const char* command : {"", "detect-offset", "measure-geometry", "preview", "colour-match"}) {
    SCOPED_TRACE(command);
    const std::string line = cli::usage(command);
    EXPECT_TRUE(
        line.starts_with("Usage: twinlens-cli" + std::string(*command ? " " : "") + command))
        << line;
    const std::string help = cli::help(command);
    std::size_t options = 0;
    for (std::size_t at = help.find("  --"); at != std::string::npos;
         at = help.find("  --", at + 1)) {
      const std::string option = help.substr(at + 2, help.find_first_of(" :\n", at + 2) - at - 2);
      if (option == "--help" || option == "--version") continue;
      ++options;
      EXPECT_NE(line.find(option), std::string::npos) << option << " in " << line;
    }
    EXPECT_GT(options, 0u);
    std::vector<std::string> args{"--help"};
    if (*command) args.insert(args.begin(), command);
    const Outcome asked = test::runCli(args);
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.out, help);
  }
}

}  // namespace
}  // namespace twinlens
