#include "engines/avisynth/VirtualDubJobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "base/Error.h"
#include "platform/TextFiles.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

constexpr auto W = PathStyle::Windows;

const std::filesystem::path kGolden(TWINLENS_GOLDEN_DIR);

ClipJobScripts clipIn(const std::string& folder, const std::string& base) {
  return {folder + "DI_" + base + "_L.avs", folder + "DI_" + base + "_R.avs",
          folder + base + "_L.avs",         folder + base + "_R.avs",
          folder + base + "_LR.avs",        folder + base + "_OU.avs",
          folder + base + "_Anaglyph.avs"};
}

// Settings whose three configuration files hold one line each naming the file.
class JobsTest : public ::testing::Test {
 protected:
  JobsTest() {
    writeBytes(dir_.file("deint.vcf"), "deint\r\n");
    writeBytes(dir_.file("separate.vcf"), "separate\r\n");
    writeBytes(dir_.file("lr.vcf"), "lr\r\n");
    settings_.setVcfDeint(dir_.file("deint.vcf"));
    settings_.setVcfSeparate(dir_.file("separate.vcf"));
    settings_.setVcfLR(dir_.file("lr.vcf"));
  }

  TempDir dir_;
  ConversionSettings settings_;
};

std::vector<std::string> linesStartingWith(const TextFile& list, const std::string& start) {
  std::vector<std::string> found;
  for (const auto& line : list.lines()) {
    if (line.starts_with(start)) found.push_back(line);
  }
  return found;
}

// Each job as its opened script, its first configuration line and its last command.
std::vector<std::string> jobSummaries(const TextFile& list) {
  std::vector<std::string> jobs;
  const auto& lines = list.lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].starts_with("VirtualDub.Open(")) continue;
    const auto reload = std::find(lines.begin() + i, lines.end(), "  // -- $reloadstop --");
    EXPECT_NE(reload, lines.end());
    jobs.push_back(lines[i] + " | " + lines[i + 1] + " | " + *(reload + 1));
  }
  return jobs;
}

long numjobs(const TextFile& list) {
  const auto line = linesStartingWith(list, "// $numjobs ");
  EXPECT_EQ(line.size(), 1u);
  return line.empty() ? -1 : std::stol(line[0].substr(12));
}

TextFile headerOnly(long jobs) {
  return TextFile{"// VirtualDub job list (Sylia script format) done by Twinlens",
                  "// This is a program generated file -- edit at your own risk.",
                  "//",
                  "// $signature 0 1",
                  "// $numjobs " + std::to_string(jobs),
                  "//",
                  "",
                  "// $done"};
}

TEST(VirtualDubJobsGolden, ThreeSeparateClipsDeinterlacedWithTwoVirtualDubs) {
  const auto folder = kGolden / "vdjobs_three_clips_di_2vd";
  ConversionSettings settings;
  settings.setVcfDeint((folder / "deint.vcf").string());
  settings.setVcfSeparate((folder / "separate.vcf").string());
  settings.setVcfLR((folder / "lr.vcf").string());
  settings.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  settings.CheckBox_Output_DI = true;
  settings.CheckBox_2VD = true;

  VirtualDubJobs jobs(settings, 3, W);
  jobs.addClip(1, clipIn("D:\\v\\", "c1"));
  ClipJobScripts second = clipIn("D:\\v\\", "c2");
  second.rightDeinterlaceScript = "D:\\My clips\\DI_c2_R.avs";
  second.rightOutputScript = "D:\\My clips\\c2_R.avs";
  jobs.addClip(2, second);
  jobs.addClip(3, clipIn("D:\\v\\", "c3"));
  jobs.finish();

  TempDir out;
  platform::saveTextFile(jobs.firstList(), out.file("first.jobs"));
  platform::saveTextFile(jobs.secondList(), out.file("second.jobs"));
  const std::string first = readBytes(folder / "first.jobs");
  const std::string secondExpected = readBytes(folder / "second.jobs");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(secondExpected.empty());
  EXPECT_EQ(readBytes(out.file("first.jobs")), first);
  EXPECT_EQ(readBytes(out.file("second.jobs")), secondExpected);
}

TEST(VirtualDubJobsGolden, DeshakedMonoClipIsAnalysedThenEncoded) {
  const auto folder = kGolden / "vdjobs_mono_deshake";
  ConversionSettings settings;
  settings.setVcfDeint((folder / "deint.vcf").string());
  settings.setVcfSeparate((folder / "separate.vcf").string());
  settings.setVcfLR((folder / "lr.vcf").string());
  settings.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  settings.CheckBox_Deshake = true;

  VirtualDubJobs jobs(settings, 1, W);
  ClipJobScripts scripts;
  scripts.leftOutputScript = "E:\\Holiday clips\\beach-l.avs";
  scripts.rightOutputScript = "E:\\Holiday clips\\beach-l.avs";
  jobs.addClip(1, scripts);
  jobs.finish();

  TempDir out;
  platform::saveTextFile(jobs.firstList(), out.file("VirtualDub.jobs"));
  const std::string expected = readBytes(folder / "first.jobs");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(readBytes(out.file("VirtualDub.jobs")), expected);
}

TEST_F(JobsTest, OneClipWithTwoVirtualDubsLeavesTheSecondListEmpty) {
  settings_.CheckBox_2VD = true;
  settings_.CheckBox_Output_DI = true;
  VirtualDubJobs jobs(settings_, 1, W);
  jobs.addClip(1, clipIn("C:\\v\\", "clip"));
  jobs.finish();
  EXPECT_EQ(numjobs(jobs.firstList()), 4);
  EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $job ").size(), 4u);
  EXPECT_EQ(jobs.secondList(), headerOnly(0));
}

TEST_F(JobsTest, OnlyTheDeinterlacePhaseWithoutDeinterlacingMakesNoJobs) {
  settings_.CheckBox_2VD = true;
  settings_.CheckBox_Output_DI_Phase = true;
  VirtualDubJobs jobs(settings_, 3, W);
  for (int i = 1; i <= 3; ++i) jobs.addClip(i, clipIn("C:\\v\\", "c" + std::to_string(i)));
  jobs.finish();
  EXPECT_EQ(jobs.firstList(), headerOnly(0));
  EXPECT_EQ(jobs.secondList(), headerOnly(0));
}

TEST_F(JobsTest, OneVirtualDubTakesEveryClipAndNumbersItsJobsOnwards) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  VirtualDubJobs jobs(settings_, 3, W);
  for (int i = 1; i <= 3; ++i) jobs.addClip(i, clipIn("C:\\v\\", "c" + std::to_string(i)));
  jobs.finish();
  EXPECT_EQ(numjobs(jobs.firstList()), 3);
  EXPECT_EQ(
      linesStartingWith(jobs.firstList(), "// $job "),
      (std::vector<std::string>{"// $job \"Job 1\"", "// $job \"Job 2\"", "// $job \"Job 3\""}));
  EXPECT_EQ(
      linesStartingWith(jobs.firstList(), "// $input "),
      (std::vector<std::string>{"// $input \"C:\\v\\c1_LR.avs\"", "// $input \"C:\\v\\c2_LR.avs\"",
                                "// $input \"C:\\v\\c3_LR.avs\""}));
  EXPECT_EQ(jobs.firstList().lines().back(), "// $done");
  // The second list is never written with one VirtualDub.
  EXPECT_EQ(jobs.secondList(), TextFile{"// $done"});
}

struct FinalJobCase {
  choices::OutputFormat format;
  std::vector<std::string> jobs;
};

class VirtualDubFinalJobs : public JobsTest, public ::testing::WithParamInterface<FinalJobCase> {};

TEST_P(VirtualDubFinalJobs, CarryTheConfigurationOfTheirLayout) {
  settings_.RadioGroup_Output_Format = GetParam().format;
  settings_.CheckBox_Output_DI = true;
  VirtualDubJobs jobs(settings_, 1, W);
  jobs.addClip(1, clipIn("C:\\v\\", "a"));
  EXPECT_EQ(jobSummaries(jobs.firstList()), GetParam().jobs);
}

const std::string kDeintL =
    R"(VirtualDub.Open("C:\\v\\DI_a_L.avs","",0); | deint | VirtualDub.SaveAVI("C:\\v\\DI_a_L.avi");)";
const std::string kDeintR =
    R"(VirtualDub.Open("C:\\v\\DI_a_R.avs","",0); | deint | VirtualDub.SaveAVI("C:\\v\\DI_a_R.avi");)";

INSTANTIATE_TEST_SUITE_P(
    Formats, VirtualDubFinalJobs,
    ::testing::Values(
        FinalJobCase{
            choices::OutputFormat::Separate,
            {kDeintL, kDeintR,
             R"(VirtualDub.Open("C:\\v\\a_L.avs","",0); | separate | VirtualDub.SaveAVI("C:\\v\\a_L.avi");)",
             R"(VirtualDub.Open("C:\\v\\a_R.avs","",0); | separate | VirtualDub.SaveAVI("C:\\v\\a_R.avi");)"}},
        FinalJobCase{
            choices::OutputFormat::SideBySide,
            {kDeintL, kDeintR,
             R"(VirtualDub.Open("C:\\v\\a_LR.avs","",0); | lr | VirtualDub.SaveAVI("C:\\v\\a_LR.avi");)"}},
        FinalJobCase{
            choices::OutputFormat::OverUnder,
            {kDeintL, kDeintR,
             R"(VirtualDub.Open("C:\\v\\a_OU.avs","",0); | lr | VirtualDub.SaveAVI("C:\\v\\a_OU.avi");)"}},
        FinalJobCase{
            choices::OutputFormat::Interlaced,
            {kDeintL, kDeintR,
             R"(VirtualDub.Open("C:\\v\\a_OU.avs","",0); | lr | VirtualDub.SaveAVI("C:\\v\\a_OU.avi");)"}},
        FinalJobCase{
            choices::OutputFormat::Mono,
            {kDeintL, kDeintR,
             R"(VirtualDub.Open("C:\\v\\a_L.avs","",0); | separate | VirtualDub.SaveAVI("C:\\v\\a_L.avi");)"}}));

// Whatever the settings, the count in each header is the number of job blocks that follow it.
class VirtualDubJobCount : public JobsTest,
                           public ::testing::WithParamInterface<
                               std::tuple<choices::OutputFormat, int, bool, bool, bool>> {};

TEST_P(VirtualDubJobCount, HeaderCountsTheJobBlocks) {
  const auto [format, clips, deinterlace, phaseOnly, deshake] = GetParam();
  for (bool twoVirtualDubs : {false, true}) {
    settings_.RadioGroup_Output_Format = format;
    settings_.CheckBox_Output_DI = deinterlace;
    settings_.CheckBox_Output_DI_Phase = phaseOnly;
    settings_.CheckBox_Deshake = deshake;
    settings_.CheckBox_2VD = twoVirtualDubs;
    VirtualDubJobs jobs(settings_, clips, W);
    for (int i = 1; i <= clips; ++i) jobs.addClip(i, clipIn("C:\\v\\", "c" + std::to_string(i)));
    jobs.finish();
    EXPECT_EQ(numjobs(jobs.firstList()),
              static_cast<long>(linesStartingWith(jobs.firstList(), "// $job ").size()));
    EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $endjob").size(),
              linesStartingWith(jobs.firstList(), "// $job ").size());
    if (twoVirtualDubs) {
      EXPECT_EQ(numjobs(jobs.secondList()),
                static_cast<long>(linesStartingWith(jobs.secondList(), "// $job ").size()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, VirtualDubJobCount,
                         ::testing::Combine(::testing::Values(choices::OutputFormat::Unset,
                                                              choices::OutputFormat::Separate,
                                                              choices::OutputFormat::SideBySide,
                                                              choices::OutputFormat::OverUnder,
                                                              choices::OutputFormat::Interlaced,
                                                              choices::OutputFormat::Mono),
                                            ::testing::Values(0, 1, 5), ::testing::Bool(),
                                            ::testing::Bool(), ::testing::Bool()));

struct PerClipCase {
  choices::OutputFormat format;
  bool deinterlace;
  bool phaseOnly;
  bool deshake;
  long jobs;
};

class VirtualDubJobsPerClip : public JobsTest, public ::testing::WithParamInterface<PerClipCase> {};

TEST_P(VirtualDubJobsPerClip, FollowTheLayoutDeinterlacingAndDeshaker) {
  settings_.RadioGroup_Output_Format = GetParam().format;
  settings_.CheckBox_Output_DI = GetParam().deinterlace;
  settings_.CheckBox_Output_DI_Phase = GetParam().phaseOnly;
  settings_.CheckBox_Deshake = GetParam().deshake;
  settings_.CheckBox_2VD = true;
  VirtualDubJobs jobs(settings_, 5, W);
  EXPECT_EQ(numjobs(jobs.firstList()), 3 * GetParam().jobs);
  EXPECT_EQ(numjobs(jobs.secondList()), 2 * GetParam().jobs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VirtualDubJobsPerClip,
    ::testing::Values(PerClipCase{choices::OutputFormat::Separate, false, false, false, 2},
                      PerClipCase{choices::OutputFormat::Separate, true, false, false, 4},
                      PerClipCase{choices::OutputFormat::SideBySide, true, false, false, 3},
                      PerClipCase{choices::OutputFormat::Interlaced, false, false, false, 1},
                      PerClipCase{choices::OutputFormat::Separate, true, true, false, 2},
                      PerClipCase{choices::OutputFormat::OverUnder, false, true, false, 0},
                      PerClipCase{choices::OutputFormat::Separate, false, false, true, 4},
                      PerClipCase{choices::OutputFormat::Separate, true, false, true, 6},
                      PerClipCase{choices::OutputFormat::Mono, false, false, true, 2},
                      PerClipCase{choices::OutputFormat::SideBySide, false, false, true, 1},
                      PerClipCase{choices::OutputFormat::Interlaced, true, false, true, 3},
                      PerClipCase{choices::OutputFormat::Mono, true, true, true, 2}));

TEST_F(JobsTest, BackslashesAreDoubledOnlyInsideTheScriptPart) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  VirtualDubJobs jobs(settings_, 1, W);
  ClipJobScripts scripts;
  scripts.sideBySideScript = "D:\\My clips\\a.avs";
  jobs.addClip(1, scripts);
  const TextFile& list = jobs.firstList();
  EXPECT_EQ(linesStartingWith(list, "// $input "),
            std::vector<std::string>{"// $input \"D:\\My clips\\a.avs\""});
  EXPECT_EQ(linesStartingWith(list, "// $output "),
            std::vector<std::string>{"// $output \"D:\\My clips\\a.avi\""});
  EXPECT_EQ(linesStartingWith(list, "VirtualDub.Open("),
            std::vector<std::string>{R"(VirtualDub.Open("D:\\My clips\\a.avs","",0);)"});
  EXPECT_EQ(linesStartingWith(list, "VirtualDub.SaveAVI("),
            std::vector<std::string>{R"(VirtualDub.SaveAVI("D:\\My clips\\a.avi");)"});
}

TEST_F(JobsTest, DoubleQuotesOfPosixPathsCannotEndTheScriptString) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::OverUnder;
  VirtualDubJobs jobs(settings_, 1, PathStyle::Posix);
  ClipJobScripts scripts;
  scripts.overUnderScript = "/home/me/say \"hi\".d/a_OU.avs";
  jobs.addClip(1, scripts);
  EXPECT_EQ(linesStartingWith(jobs.firstList(), "VirtualDub.Open("),
            std::vector<std::string>{R"(VirtualDub.Open("/home/me/say \"hi\".d/a_OU.avs","",0);)"});
  EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $output "),
            std::vector<std::string>{"// $output \"/home/me/say \"hi\".d/a_OU.avi\""});
}

TEST_F(JobsTest, DeshakedSeparateOutputAnalysesAndEncodesEachViewBesideItsScript) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  settings_.CheckBox_Deshake = true;
  VirtualDubJobs jobs(settings_, 1, W);
  ClipJobScripts scripts = clipIn("C:\\l\\", "c");
  scripts.rightOutputScript = "C:\\r\\c_R.avs";
  jobs.addClip(1, scripts);
  EXPECT_EQ(
      jobSummaries(jobs.firstList()),
      (std::vector<std::string>{
          R"(VirtualDub.Open("C:\\l\\Deshake_1_c_L.avs","",0); | separate | VirtualDub.RunNullVideoPass();)",
          R"(VirtualDub.Open("C:\\l\\Deshake_2_c_L.avs","",0); | separate | VirtualDub.SaveAVI("C:\\l\\c_L.avi");)",
          R"(VirtualDub.Open("C:\\r\\Deshake_1_c_R.avs","",0); | separate | VirtualDub.RunNullVideoPass();)",
          R"(VirtualDub.Open("C:\\r\\Deshake_2_c_R.avs","",0); | separate | VirtualDub.SaveAVI("C:\\r\\c_R.avi");)"}));
  EXPECT_EQ(
      linesStartingWith(jobs.firstList(), "// $output "),
      (std::vector<std::string>{"// $output \"C:\\l\\c_L.avi\"", "// $output \"C:\\l\\c_L.avi\"",
                                "// $output \"C:\\r\\c_R.avi\"", "// $output \"C:\\r\\c_R.avi\""}));
}

TEST_F(JobsTest, ReversedDeshakedMonoOfTwoViewsOpensThePassScriptsOfTheRightName) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  settings_.CheckBox_Deshake = true;
  settings_.CheckBox_Reverse_LR = true;
  for (auto input : {choices::InputFormat::Separate, choices::InputFormat::Mono}) {
    settings_.RadioGroup_Input_Format = input;
    VirtualDubJobs jobs(settings_, 1, W);
    ClipJobScripts scripts;
    scripts.leftOutputScript = "C:\\l\\clip.avs";
    scripts.rightOutputScript = "C:\\r\\clip.avs";
    jobs.addClip(1, scripts);
    const std::string folder = input == choices::InputFormat::Separate ? "C:\\r\\" : "C:\\l\\";
    EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $input "),
              (std::vector<std::string>{"// $input \"" + folder + "Deshake_1_clip.avs\"",
                                        "// $input \"" + folder + "Deshake_2_clip.avs\""}))
        << "input " << choices::itemIndex(input);
    EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $output "),
              (std::vector<std::string>{"// $output \"" + folder + "clip.avi\"",
                                        "// $output \"" + folder + "clip.avi\""}));
  }
}

TEST_F(JobsTest, PassScriptNamesFollowThePathStyle) {
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  settings_.CheckBox_Deshake = true;
  VirtualDubJobs jobs(settings_, 1, PathStyle::Posix);
  ClipJobScripts scripts;
  scripts.leftOutputScript = "/home/me/v.d/clip.avs";
  jobs.addClip(1, scripts);
  EXPECT_EQ(linesStartingWith(jobs.firstList(), "// $input "),
            (std::vector<std::string>{"// $input \"/home/me/v.d/Deshake_1_clip.avs\"",
                                      "// $input \"/home/me/v.d/Deshake_2_clip.avs\""}));
}

struct ConfigCase {
  const char* bytes;
  std::vector<std::string> lines;
};

class VirtualDubConfigLines : public JobsTest, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(VirtualDubConfigLines, AreInsertedAfterTheOpenLineAsTheFileSplitsThem) {
  writeBytes(dir_.file("separate.vcf"), GetParam().bytes);
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  VirtualDubJobs jobs(settings_, 1, W);
  ClipJobScripts scripts;
  scripts.leftOutputScript = "C:\\v\\a.avs";
  jobs.addClip(1, scripts);
  const auto& lines = jobs.firstList().lines();
  const auto open =
      std::find(lines.begin(), lines.end(), R"(VirtualDub.Open("C:\\v\\a.avs","",0);)");
  const auto deleteLine = std::find(lines.begin(), lines.end(), "VirtualDub.subset.Delete();");
  ASSERT_NE(open, lines.end());
  ASSERT_NE(deleteLine, lines.end());
  EXPECT_EQ(std::vector<std::string>(open + 1, deleteLine), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, VirtualDubConfigLines,
                         ::testing::Values(ConfigCase{"a\r\nb", {"a", "b"}},
                                           ConfigCase{"a\r\nb\r\n", {"a", "b"}},
                                           ConfigCase{"a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"}},
                                           ConfigCase{"a\nb\n", {"a", "b"}}, ConfigCase{"", {}},
                                           ConfigCase{"  indented;\t\r\n", {"  indented;\t"}}));

class VirtualDubMissingConfig : public JobsTest, public ::testing::WithParamInterface<int> {};

TEST_P(VirtualDubMissingConfig, StopsWithTheFileAndTheSystemReason) {
  const std::string missing = dir_.file("gone/none.vcf");
  if (GetParam() == 0) settings_.setVcfDeint(missing);
  if (GetParam() == 1) settings_.setVcfSeparate(missing);
  if (GetParam() == 2) settings_.setVcfLR(missing);
  EXPECT_EQ(test::messageOf([&] { VirtualDubJobs jobs(settings_, 1, W); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
}

INSTANTIATE_TEST_SUITE_P(EachOfTheThree, VirtualDubMissingConfig, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace twinlens
