#include "run/ConversionRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>

#include "base/Error.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

struct Launch {
  std::string file;
  std::string parameters;
  std::string workingFolder;
  friend bool operator==(const Launch&, const Launch&) = default;
};

std::ostream& operator<<(std::ostream& out, const Launch& launch) {
  return out << launch.file << " | " << launch.parameters << " | " << launch.workingFolder;
}

// Answers the dialogs from a list (a missing answer is a cancel) and records everything.
class ScriptedFrontEnd : public RunFrontEnd {
 public:
  std::deque<std::optional<std::vector<std::string>>> answers;
  std::vector<OpenFilesRequest> requests;
  std::vector<std::string> written;
  std::vector<Launch> launches;
  std::function<void(const std::string&)> afterWrite;
  std::string launchFailure;  // what every launch answers

  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::string launch(const std::string& file, const std::string& parameters,
                     const std::string& workingFolder) override {
    launches.push_back({file, parameters, workingFolder});
    return launchFailure;
  }
  void wrote(const std::string& path) override {
    written.push_back(path);
    if (afterWrite) afterWrite(path);
  }
};

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ConversionRunTest : public ::testing::Test {
 protected:
  // A full path in the temporary folder.
  std::string at(const std::string& relative) const { return root_ + relative; }

  // Creates empty input files and returns their full paths.
  std::vector<std::string> touch(std::initializer_list<std::string> relatives) {
    std::vector<std::string> files;
    for (const auto& relative : relatives) {
      writeBytes(at(relative), "");
      inputs_.push_back(at(relative));
      files.push_back(at(relative));
    }
    return files;
  }

  void select(std::optional<std::vector<std::string>> files) {
    frontEnd_.answers.push_back(std::move(files));
  }

  void useVirtualDub() {
    writeBytes(at("vd/deint.vcf"), "VirtualDub.video.filters.Clear();\r\n");
    writeBytes(at("vd/separate.vcf"), "VirtualDub.video.SetCompression();\r\n");
    writeBytes(at("vd/lr.vcf"), "VirtualDub.video.SetDepth(24,24);\r\n");
    fs::create_directories(at("vd2"));
    settings_.setVcfDeint(at("vd/deint.vcf"));
    settings_.setVcfSeparate(at("vd/separate.vcf"));
    settings_.setVcfLR(at("vd/lr.vcf"));
    settings_.Edit_VD2 = at("vd2/VirtualDub.exe");
    settings_.CheckBox_VD_MakeJobs = true;
  }

  void convert() { run_.M1Click(); }

  // Every file in the temporary folder that the test did not put there itself.
  std::vector<std::string> filesOnDisk() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
      const std::string path = entry.path().generic_string();
      if (entry.is_regular_file() &&
          std::find(inputs_.begin(), inputs_.end(), path) == inputs_.end() &&
          !contains(path, ".vcf")) {
        files.push_back(path);
      }
    }
    return sorted(files);
  }

  TempDir dir_;
  // Forward slashes throughout, so the POSIX path rules hold on Windows as well.
  std::string root_ = dir_.path().generic_string() + "/";
  std::vector<std::string> inputs_;
  ConversionSettings settings_{"/program"};
  ScriptedFrontEnd frontEnd_;
  ConversionRun run_{settings_, frontEnd_, PathStyle::Posix};
};

// Names and places of the scripts of one clip, by input and output layout.
struct NamesCase {
  const char* label;
  choices::InputFormat inputFormat;
  choices::OutputFormat outputFormat;
  const char* prefix;
  bool deinterlace;
  const char* left;
  const char* right;  // nullptr: the input holds both views, no right dialog
  std::vector<std::string> scripts;
};

class RunNamesTest : public ConversionRunTest, public ::testing::WithParamInterface<NamesCase> {};

TEST_P(RunNamesTest, WritesEveryScriptUnderItsName) {
  const NamesCase& c = GetParam();
  settings_.RadioGroup_Input_Format = c.inputFormat;
  settings_.RadioGroup_Output_Format = c.outputFormat;
  settings_.setPrefix(c.prefix);
  settings_.CheckBox_Output_DI = c.deinterlace;
  select(touch({c.left}));
  if (c.right != nullptr) select(touch({c.right}));
  std::vector<std::string> expected;
  for (const auto& script : c.scripts) {
    fs::create_directories(fs::path(at(script)).parent_path());
    expected.push_back(at(script));
  }

  convert();

  EXPECT_EQ(sorted(frontEnd_.written), sorted(expected));
  EXPECT_EQ(filesOnDisk(), sorted(expected));
  EXPECT_EQ(frontEnd_.requests.size(), c.right != nullptr ? 2u : 1u);
  EXPECT_TRUE(frontEnd_.launches.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RunNamesTest,
    ::testing::Values(
        NamesCase{"OneFolder",
                  choices::InputFormat::Separate,
                  choices::OutputFormat::Separate,
                  "",
                  false,
                  "v/clip_L.mp4",
                  "v/clip_R.mp4",
                  {"v/clip_L.avs", "v/clip_R.avs"}},
        NamesCase{"OneFolderDeinterlaced",
                  choices::InputFormat::Separate,
                  choices::OutputFormat::Separate,
                  "",
                  true,
                  "v/clip_L.mp4",
                  "v/clip_R.mp4",
                  {"v/DI_clip_L.avs", "v/DI_clip_R.avs", "v/clip_L.avs", "v/clip_R.avs"}},
        NamesCase{"PrefixLeavesDeinterlaceNames",
                  choices::InputFormat::Separate,
                  choices::OutputFormat::Separate,
                  "new_",
                  true,
                  "v/clip_L.mp4",
                  "v/clip_R.mp4",
                  {"v/DI_clip_L.avs", "v/DI_clip_R.avs", "v/new_clip_L.avs", "v/new_clip_R.avs"}},
        NamesCase{"TwoFolders",
                  choices::InputFormat::Separate,
                  choices::OutputFormat::Separate,
                  "",
                  true,
                  "l/clip_L.mp4",
                  "r/clip_R.mp4",
                  {"l/DI_clip_L.avs", "r/DI_clip_R.avs", "l/clip_L.avs", "r/clip_R.avs"}},
        NamesCase{"SideBySide",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::SideBySide,
                  "",
                  false,
                  "v/clip.mp4",
                  nullptr,
                  {"v/clip_LR.avs"}},
        NamesCase{"OverUnder",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::OverUnder,
                  "",
                  false,
                  "v/clip.mp4",
                  nullptr,
                  {"v/clip_OU.avs"}},
        NamesCase{"Interlaced",
                  choices::InputFormat::OverUnder,
                  choices::OutputFormat::Interlaced,
                  "",
                  false,
                  "v/clip.mp4",
                  nullptr,
                  {"v/clip_OU.avs"}},
        NamesCase{"MonoKeepsMarker",
                  choices::InputFormat::Mono,
                  choices::OutputFormat::Mono,
                  "",
                  false,
                  "v/clip-l.avi",
                  nullptr,
                  {"v/clip-l.avs"}},
        NamesCase{"SeparateDropsMarker",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::Separate,
                  "",
                  false,
                  "v/clip-l.avi",
                  nullptr,
                  {"v/clip_L.avs", "v/clip_R.avs"}},
        NamesCase{"MarkerInTheMiddle",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::Separate,
                  "",
                  false,
                  "v/a-l.b.avi",
                  nullptr,
                  {"v/a.b_L.avs", "v/a.b_R.avs"}},
        NamesCase{"MarkerInFolder",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::SideBySide,
                  "",
                  false,
                  "cam_Left.1/clip.avi",
                  nullptr,
                  {"cam.1/clip_LR.avs"}},
        NamesCase{"PrefixJoinedBeforeExtension",
                  choices::InputFormat::SideBySide,
                  choices::OutputFormat::SideBySide,
                  "v2.",
                  false,
                  "v/clip.mp4",
                  nullptr,
                  {"v/v2.clip_LR.avs"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ConversionRunTest, BatchFileLiesBesideTheLastLeftScriptAndStartsThere) {
  settings_.CheckBox_ffmpeg_make = true;
  settings_.CheckBox_Execute_ffmpeg = true;
  settings_.CheckBox_Output_DI = true;
  select(touch({"l/a_L.mp4", "l/clip_L.mp4"}));
  select(touch({"r/a_R.mp4", "r/clip_R.mp4"}));

  convert();

  ASSERT_EQ(frontEnd_.written.size(), 9u);
  EXPECT_EQ(frontEnd_.written.back(), at("l/clip_L.bat"));
  const std::string batch = readBytes(at("l/clip_L.bat"));
  EXPECT_TRUE(contains(batch, "clip_R.avs")) << batch;
  EXPECT_EQ(frontEnd_.launches, (std::vector<Launch>{{at("l/clip_L.bat"), "/r /x", at("l/")}}));
  EXPECT_EQ(settings_.PathLeft, at("l/"));
  EXPECT_EQ(settings_.PathRight, at("r/"));
}

TEST_F(ConversionRunTest, PairsLeftAndRightFilesByPosition) {
  select(touch({"l/a_L.avi", "l/b_L.avi", "l/c_L.avi"}));
  select(touch({"r/x1.avi", "r/x2.avi", "r/x3.avi"}));

  convert();

  EXPECT_EQ(frontEnd_.written.size(), 6u);
  EXPECT_TRUE(contains(readBytes(at("r/a_R.avs")), "x1.avi"));
  EXPECT_TRUE(contains(readBytes(at("r/b_R.avs")), "x2.avi"));
  EXPECT_TRUE(contains(readBytes(at("r/c_R.avs")), "x3.avi"));
  EXPECT_EQ(settings_.PathRight, at("r/"));
}

TEST_F(ConversionRunTest, PairsEveryLeftFileWithItselfWhenTheCountsDiffer) {
  select(touch({"l/a_L.avi", "l/b_L.avi", "l/c_L.avi"}));
  select(touch({"r/x1.avi", "r/x2.avi"}));

  convert();

  EXPECT_EQ(filesOnDisk(), sorted({at("l/a_L.avs"), at("l/a_R.avs"), at("l/b_L.avs"),
                                   at("l/b_R.avs"), at("l/c_L.avs"), at("l/c_R.avs")}));
  EXPECT_TRUE(contains(readBytes(at("l/b_R.avs")), "b_L.avi"));
  EXPECT_EQ(settings_.PathRight, at("l/"));
}

// The separated views an MVC clip is looked for under, and the left one taken.
struct MvcCase {
  const char* label;
  std::vector<std::string> present;
  const char* leftPartner;  // nullptr: no pair
};

class RunMvcTest : public ConversionRunTest, public ::testing::WithParamInterface<MvcCase> {};

TEST_P(RunMvcTest, FindsThePartnersBesideTheOriginal) {
  settings_.CheckBox_MVC_Ref = true;
  for (const auto& name : GetParam().present) touch({"m/" + name});
  select(touch({"m/00001.MTS"}));

  if (GetParam().leftPartner == nullptr) {
    EXPECT_THROW(convert(), Error);
  } else {
    convert();
  }

  ASSERT_EQ(frontEnd_.requests.size(), 1u);
  EXPECT_EQ(frontEnd_.requests[0].title, "Select original MVC video clip(s)");
  if (GetParam().leftPartner == nullptr) {
    EXPECT_TRUE(frontEnd_.written.empty());
    EXPECT_TRUE(filesOnDisk().empty());
  } else {
    EXPECT_EQ(sorted(frontEnd_.written), sorted({at("m/00001_L.avs"), at("m/00001_R.avs")}));
    EXPECT_TRUE(contains(readBytes(at("m/00001_L.avs")), GetParam().leftPartner));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Partners, RunMvcTest,
    ::testing::Values(MvcCase{"DashFirst",
                              {"00001-l.avi", "00001-r.avi", "00001_l.avi", "00001_r.avi"},
                              "00001-l.avi"},
                      MvcCase{"Underscore", {"00001_l.avi", "00001_r.avi"}, "00001_l.avi"},
                      MvcCase{"MixedIsNoPair", {"00001-l.avi", "00001_r.avi"}, nullptr},
                      MvcCase{"LeftAloneIsNoPair", {"00001-l.avi"}, nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ConversionRunTest, MissingMvcPartnerEndsTheRunWithAMessageKeepingEarlierClips) {
  settings_.CheckBox_MVC_Ref = true;
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings_.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  settings_.CheckBox_ffmpeg_make = true;
  settings_.CheckBox_Execute_ffmpeg = true;
  useVirtualDub();
  settings_.CheckBox_Execute_VD = true;
  touch({"m/a-l.avi", "m/a-r.avi"});
  select(touch({"m/a.MTS", "m/b.MTS"}));

  EXPECT_EQ(test::messageOf([&] { convert(); }),
            "The separated views of \"" + at("m/b.MTS") + "\" are missing: neither \"" +
                at("m/b-l.avi") + "\" and \"" + at("m/b-r.avi") + "\" nor \"" + at("m/b_l.avi") +
                "\" and \"" + at("m/b_r.avi") + "\" exist");

  EXPECT_EQ(frontEnd_.written, (std::vector<std::string>{at("m/a_LR.avs")}));
  EXPECT_EQ(filesOnDisk(), frontEnd_.written);
  EXPECT_TRUE(frontEnd_.launches.empty());
}

TEST_F(ConversionRunTest, PictureSequenceTakesFirstAndLastNumberFromTheSelection) {
  settings_.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  settings_.RadioGroup_Input_Format = choices::InputFormat::Mono;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  select(touch({"p/img0001.jpg", "p/img0002.jpg", "p/img0250.jpg"}));

  convert();

  EXPECT_EQ(frontEnd_.written, (std::vector<std::string>{at("p/img0001.avs")}));
  EXPECT_TRUE(contains(readBytes(at("p/img0001.avs")),
                       "ImageSource(\"" + at("p/img%04d.jpg") + "\", 1 , 250 , 25)"));
}

TEST_F(ConversionRunTest, SeparatePicturesTakeTheRightPatternFromTheRightSelection) {
  settings_.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  select(touch({"l/img0001.jpg", "l/img0009.jpg"}));
  select(touch({"r/pic05.jpg", "r/pic13.jpg"}));

  convert();

  EXPECT_EQ(sorted(frontEnd_.written), sorted({at("l/img0001_L.avs"), at("r/img0001_R.avs")}));
  EXPECT_TRUE(contains(readBytes(at("r/img0001_R.avs")),
                       "ImageSource(\"" + at("r/pic%02d.jpg") + "\", 5 , 13 , 25)"));
  EXPECT_EQ(settings_.PathRight, at("r/"));
}

TEST_F(ConversionRunTest, MvcPicturesPairTheLeftFileWithItselfBeforeTheSearch) {
  settings_.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  settings_.CheckBox_MVC_Ref = true;
  touch({"m/00001-l.avi", "m/00001-r.avi"});
  select(touch({"m/00001.MTS"}));

  convert();

  EXPECT_EQ(frontEnd_.requests.size(), 1u);
  EXPECT_EQ(sorted(frontEnd_.written), sorted({at("m/00001_L.avs"), at("m/00001_R.avs")}));
  EXPECT_TRUE(contains(readBytes(at("m/00001_R.avs")),
                       "ImageSource(\"" + at("m/%05d.MTS") + "\", 1 , 1 , 25)"));
  EXPECT_EQ(settings_.PathRight, at("m/"));
}

TEST_F(ConversionRunTest, PictureWithoutFrameNumberStopsBeforeWriting) {
  settings_.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  settings_.RadioGroup_Input_Format = choices::InputFormat::Mono;
  // The scan for the frame number runs over the whole path, the folders included.
  select(touch({"p/title"}));

  EXPECT_EQ(test::messageOf([&] { convert(); }),
            "'" + at("p/title") + "' is not a valid integer value");
  EXPECT_TRUE(filesOnDisk().empty());
}

TEST_F(ConversionRunTest, FiveClipsAreDealtToTwoVirtualDubsAndBothStart) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings_.CheckBox_ffmpeg_make = true;
  settings_.CheckBox_Execute_ffmpeg = true;
  useVirtualDub();
  settings_.CheckBox_Execute_VD = true;
  settings_.CheckBox_2VD = true;
  select(touch({"v/c1.mp4", "v/c2.mp4", "v/c3.mp4", "v/c4.mp4", "v/c5.mp4"}));

  convert();

  const std::string first = readBytes(at("vd//VirtualDub.jobs"));
  const std::string second = readBytes(at("vd2//VirtualDub.jobs"));
  for (const char* clip : {"c1_LR.avs", "c3_LR.avs", "c5_LR.avs"}) {
    EXPECT_TRUE(contains(first, clip) && !contains(second, clip)) << clip;
  }
  for (const char* clip : {"c2_LR.avs", "c4_LR.avs"}) {
    EXPECT_TRUE(contains(second, clip) && !contains(first, clip)) << clip;
  }
  const std::vector<std::string> runFiles(frontEnd_.written.end() - 3, frontEnd_.written.end());
  EXPECT_EQ(runFiles, (std::vector<std::string>{at("v/c5_LR.bat"), at("vd//VirtualDub.jobs"),
                                                at("vd2//VirtualDub.jobs")}));
  EXPECT_EQ(frontEnd_.launches, (std::vector<Launch>{{at("v/c5_LR.bat"), "/r /x", at("v/")},
                                                     {at("vd//VirtualDub.exe"), "/r /x", ""},
                                                     {at("vd2/VirtualDub.exe"), "/r /x", ""}}));
}

TEST_F(ConversionRunTest, OneClipStillWritesTheSecondListButStartsOneVirtualDub) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  useVirtualDub();
  settings_.Edit_vcf_deint.clear();  // the first VirtualDub is found through the next VCF
  settings_.CheckBox_Execute_VD = true;
  settings_.CheckBox_2VD = true;
  select(touch({"v/c1.mp4"}));

  convert();

  EXPECT_EQ(frontEnd_.written,
            (std::vector<std::string>{at("v/c1_LR.avs"), at("vd//VirtualDub.jobs"),
                                      at("vd2//VirtualDub.jobs")}));
  const std::string second = readBytes(at("vd2//VirtualDub.jobs"));
  EXPECT_TRUE(contains(second, "// $done") && !contains(second, "c1_LR"));
  EXPECT_EQ(frontEnd_.launches, (std::vector<Launch>{{at("vd//VirtualDub.exe"), "/r /x", ""}}));
}

TEST_F(ConversionRunTest, UnreadableConfigurationFileStopsBeforeTheDialogsOpen) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.CheckBox_ffmpeg_make = true;
  useVirtualDub();
  settings_.setVcfLR(at("vd/gone.vcf"));
  select(touch({"v/c1.mp4"}));

  EXPECT_EQ(test::messageOf([&] { convert(); }),
            "Cannot open file \"" + at("vd/gone.vcf") + "\". No such file or directory");
  EXPECT_TRUE(filesOnDisk().empty());
  EXPECT_TRUE(frontEnd_.requests.empty());
}

TEST_F(ConversionRunTest, NoVirtualDubFolderStopsBeforeAnythingIsWritten) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  useVirtualDub();
  // The configuration files still open; only the fields that show them were cleared.
  settings_.Edit_vcf_deint.clear();
  settings_.Edit_vcf_separate.clear();
  settings_.Edit_vcf_LR.clear();
  select(touch({"v/c1.mp4"}));

  EXPECT_THROW(convert(), Error);
  EXPECT_TRUE(filesOnDisk().empty());
}

// The second VirtualDub missing, or in the folder of the first one.
class RunSecondVirtualDubTest : public ConversionRunTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(RunSecondVirtualDubTest, NoFolderOfItsOwnStopsBeforeAnythingIsWritten) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  useVirtualDub();
  settings_.CheckBox_2VD = true;
  settings_.Edit_VD2 = *GetParam() ? at(GetParam()) : "";
  select(touch({"v/c1.mp4", "v/c2.mp4"}));

  EXPECT_THROW(convert(), Error);
  EXPECT_TRUE(filesOnDisk().empty());
}

INSTANTIATE_TEST_SUITE_P(Programs, RunSecondVirtualDubTest,
                         ::testing::Values("", "vd/VirtualDub.exe"));

TEST_F(ConversionRunTest, BadOffsetInTheSecondClipKeepsTheFirstAndWritesNoRunFiles) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings_.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  settings_.CheckBox_ffmpeg_make = true;
  settings_.CheckBox_Execute_ffmpeg = true;
  useVirtualDub();
  settings_.CheckBox_Execute_VD = true;
  select(touch({"v/c1.mp4", "v/c2.mp4"}));
  // The offset turns bad once the first clip is on disk.
  frontEnd_.afterWrite = [&](const std::string&) { settings_.Edit_Offset = "1.5"; };

  EXPECT_EQ(test::messageOf([&] { convert(); }), "'1.5' is not a valid integer value");
  EXPECT_EQ(filesOnDisk(), (std::vector<std::string>{at("v/c1_LR.avs")}));
  EXPECT_TRUE(frontEnd_.launches.empty());
}

TEST_F(ConversionRunTest, HistogramScriptGathersEveryClipBesideTheLastOne) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  settings_.RadioGroup_Colour_Match = choices::ColourMatch::Right;
  select(touch({"v/a.mp4", "v/b.mp4", "v/c.mp4"}));

  convert();

  EXPECT_EQ(frontEnd_.written.back(), at("v/Hist_c.avs"));
  const std::string histogram = readBytes(at("v/Hist_c.avs"));
  for (const char* name : {"Hist_a.txt", "Hist_b.txt", "Hist_c.txt"}) {
    EXPECT_TRUE(contains(histogram, name)) << name;
  }
}

TEST_F(ConversionRunTest, RefusesToWriteOverAnInputFile) {
  settings_.RadioGroup_Input_Format = choices::InputFormat::Mono;
  settings_.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  select(touch({"v/clip.avs"}));
  writeBytes(at("v/clip.avs"), "Version()\r\n");

  EXPECT_THROW(convert(), Error);
  EXPECT_EQ(readBytes(at("v/clip.avs")), "Version()\r\n");
}

// The dialogs: titles, where they open, and what the run remembers of them.
struct TitleCase {
  bool mvc;
  choices::InputFormat inputFormat;
  const char* title;
};

class RunTitleTest : public ConversionRunTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(RunTitleTest, LeftDialogIsTitledBySettingsAndOpensInPathLeft) {
  settings_.CheckBox_MVC_Ref = GetParam().mvc;
  settings_.RadioGroup_Input_Format = GetParam().inputFormat;
  const ConversionSettings before = settings_;

  convert();

  ASSERT_EQ(frontEnd_.requests.size(), 1u);
  EXPECT_EQ(frontEnd_.requests[0].title, GetParam().title);
  EXPECT_EQ(frontEnd_.requests[0].initialFolder, "/program");
  EXPECT_TRUE(frontEnd_.requests[0].multiple);
  EXPECT_TRUE(settings_ == before) << "a cancel changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Titles, RunTitleTest,
    ::testing::Values(
        TitleCase{true, choices::InputFormat::Separate, "Select original MVC video clip(s)"},
        TitleCase{true, choices::InputFormat::Mono, "Select original MVC video clip(s)"},
        TitleCase{false, choices::InputFormat::Separate,
                  "Select left input video clip(s)/pictures"},
        TitleCase{false, choices::InputFormat::SideBySide, "Select stereo video clip(s)/pictures"},
        TitleCase{false, choices::InputFormat::OverUnder, "Select stereo video clip(s)/pictures"},
        TitleCase{false, choices::InputFormat::Mono, "Select 2D video clip(s)/pictures"}));

TEST_F(ConversionRunTest, RightDialogRemembersTheLastAcceptedFolderWithinTheSession) {
  settings_.CheckBox_ffmpeg_make = true;
  const auto left = touch({"l/a_L.avi"});
  const auto right = touch({"r/a_R.avi"});
  const auto more = touch({"l/b_L.avi", "l/c_L.avi"});

  // Before any right selection a cancel empties PathRight.
  select(left);
  convert();
  EXPECT_EQ(settings_.PathLeft, at("l/"));
  EXPECT_EQ(settings_.PathRight, "");
  EXPECT_TRUE(frontEnd_.written.empty());

  select(left);
  select(right);
  convert();
  EXPECT_EQ(frontEnd_.requests[3].title, "Select right input video clip(s)/pictures");
  EXPECT_EQ(frontEnd_.requests[3].initialFolder, "");
  EXPECT_EQ(settings_.PathRight, at("r/"));

  // Accepted but unequal in count: PathRight follows the left, the memory keeps the right.
  select(more);
  select(right);
  convert();
  EXPECT_EQ(settings_.PathRight, at("l/"));

  select(left);
  convert();
  EXPECT_EQ(frontEnd_.requests[7].initialFolder, at("l/"));
  EXPECT_EQ(settings_.PathRight, at("r/"));
  EXPECT_EQ(run_.lastRightFolder(), at("r/"));
}

TEST_F(ConversionRunTest, CancelledRightDialogWritesNothingAndStartsNothing) {
  settings_.CheckBox_ffmpeg_make = true;
  settings_.CheckBox_Execute_ffmpeg = true;
  useVirtualDub();
  settings_.CheckBox_Execute_VD = true;
  settings_.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  select(touch({"l/a_L.avi"}));

  convert();

  EXPECT_TRUE(filesOnDisk().empty());
  EXPECT_TRUE(frontEnd_.launches.empty());
  EXPECT_EQ(settings_.PathLeft, at("l/"));
}

}  // namespace
}  // namespace twinlens
