#include "storage/SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Error.h"
#include "base/Paths.h"
#include "storage/PresetsFile.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::messageOf;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

const std::string kProgramFolder = "/opt/twinlens";

// Every saved field away from its default, with values that read back as written.
ConversionSettings changedSettings() {
  ConversionSettings s("/videos/left");
  s.PathRight = "/videos/right";
  s.RadioGroup_Input_Format = choices::InputFormat::Mono;
  s.RadioGroup_FrameRates = choices::FrameRates::UserDefined;
  s.RadioGroup_Pitch = choices::Pitch::Change;
  s.RadioGroup_Output_Format = choices::OutputFormat::Mono;
  s.RadioGroup_Repeat = choices::Repeat::Skip4;
  s.RadioGroup_Import_Options = choices::ImportOptions::Pictures;
  s.RadioGroup_Blend_TL = choices::BlendTimeLapse::TimeLapse;
  s.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  for (bool* flag : {&s.CheckBox_Input_HW,
                     &s.CheckBox_Input_HH,
                     &s.CheckBox_Input_SF,
                     &s.CheckBox_MVC_Ref,
                     &s.CheckBox_Output_DI,
                     &s.CheckBox_Output_DI_Phase,
                     &s.CheckBox_Output_HW,
                     &s.CheckBox_Output_HH,
                     &s.CheckBox_Output_SF,
                     &s.CheckBox_Execute_VD,
                     &s.CheckBox_2VD,
                     &s.CheckBox_HML,
                     &s.CheckBox_VML,
                     &s.CheckBox_HMR,
                     &s.CheckBox_VMR,
                     &s.CheckBox_VD_MakeJobs,
                     &s.CheckBox_ffmpeg_make,
                     &s.CheckBox_Execute_ffmpeg,
                     &s.CheckBox_change_final_HV,
                     &s.CheckBox_180,
                     &s.CheckBox_Blend_RightSound,
                     &s.CheckBox_Deshake,
                     &s.CheckBox_Reverse_LR}) {
    *flag = true;
  }
  s.ComboBox_Colour = choices::Colour::RGB32;
  s.ComboBox_FF_codec = 2;
  s.ComboBox_Blend = choices::BlendFrames::Frames128;
  s.Edit_Audio_Frames_Cut = "3";
  s.Edit_Blur = "0.5";
  s.setVcfSeparate("/vd/separate.vcf");
  s.setVcfDeint("/vd/deint.vcf");
  s.setVcfLR("/vd/lr.vcf");
  s.Edit_VD2 = "/vd2/VirtualDub.exe";
  s.Edit_final_H = "1280";
  s.Edit_final_V = "720";
  s.DeshakerDir = "/vd/plugins/Deshaker.vdf";
  s.DeshakePart1a = "\"19|1|30|";
  s.DeshakePart1b = "\"19|2|30|";
  s.DeshakePart2 = "|0|1\"";
  s.setPrefix("3D_");
  s.setUserFrNum(24000);
  s.setUserFrDen(1001);
  s.FfmpegLocation = "/tools/ffmpeg/ffmpeg.exe";
  s.RadioGroup_Align = choices::Align::UseValues;
  s.Edit_Align_Vertical = "-12.5";
  s.Edit_Align_Roll = "0.75";
  s.Edit_Align_Zoom = "1.2";
  s.Edit_Align_Toe_In = "0.3";
  s.Edit_Align_Tilt = "-0.2";
  s.RadioGroup_Convergence = choices::Convergence::ShiftBy;
  s.Edit_Convergence = "14";
  s.FfmpegDialogFolder = paths::dir(s.FfmpegLocation);
  return s;
}

TEST(SettingsFile, FirstStartWithoutAFileGivesEveryDefault) {
  TempDir dir;
  ConversionSettings s = changedSettings();
  LoadSettings(s, dir.file("twinlens.ini"), nullptr, kProgramFolder);
  ConversionSettings expected(kProgramFolder);
  expected.FfmpegDialogFolder = s.FfmpegDialogFolder;  // an empty location leaves it alone
  EXPECT_EQ(s, expected);
  EXPECT_FALSE(std::filesystem::exists(dir.file("twinlens.ini")));
}

TEST(SettingsFile, DefaultsWrittenFromScratchHaveTheEightSectionsInOrder) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  SaveSettings(ConversionSettings(kProgramFolder), path);
  EXPECT_EQ(readBytes(path),
            "[Input]\r\nFormat=0\r\nImport Options=0\r\nHalf Width=0\r\nHalf Height=0\r\n"
            "Separate Fields=0\r\nMVC Reference=0\r\nDeshaker=0\r\nAudio Frames=0\r\n"
            "Deshaker Dir= \r\n"
            "[Frames]\r\nProgressive Frame Rates=0\r\nPitch=0\r\nRepeat=0\r\nBlend=0\r\n180=0\r\n"
            "Blend Right Sound=0\r\nBlendNumber=0\r\n"
            "[Output]\r\nFormat=0\r\nColourMatch=0\r\nDeint=0\r\nDeintPhase=0\r\nHalf Width=0\r\n"
            "Half Height=0\r\nSeparate Fields=0\r\nExecute VirtualDub=0\r\n"
            "Use Two VirtualDubs=0\r\nH Mirror L=0\r\nV Mirror L=0\r\nH Mirror R=0\r\n"
            "V Mirror R=0\r\nMakeVDJobs=0\r\nMakeffmpeg=0\r\nExecute FFmpeg=0\r\n"
            "Change Resolution=0\r\nReverse=0\r\nColour=0\r\nCodec=0\r\nBlur=0\r\n"
            "Final H=1920\r\nFinal V=1080\r\nEngine=0\r\n"
            "[File]\r\nPath Left=/opt/twinlens\r\nPath Right=/opt/twinlens\r\nVCF separate=\r\n"
            "VCF deint=\r\nVCF LR=\r\nVirtualDub No2=\r\nPrefix=\r\nffmpeg location=\r\n"
            "Deshake Part 1a=\"18|1|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|"
            "4|\r\n"
            "Deshake Part 1b=\"18|2|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|"
            "4|\r\n"
            "Deshake Part 2=|0|0|0|0|0|0|0|0|0|0|0|0|0|1|15|15|5|15|1|1|30|30|0|0|1|0|1|0|1|10|"
            "1000|1|64|0|0|20|5000|100|20|1\"\r\n"
            "[Final]\r\nUser FR Num=30000\r\nUser FR Den=1001\r\n"
            "[Geometry]\r\nAlign=0\r\nVertical=0\r\nRoll=0\r\nZoom=0\r\nToe-in=0\r\nTilt=0\r\n"
            "Convergence=0\r\nConvergence Shift=0\r\n"
            "[VR]\r\nLens=0\r\nLens FOV=190\r\nProjection=0\r\nWindow FOV=90\r\nPlayer Tags=1\r\n"
            "Target=0\r\n"
            "[Encode]\r\nOn=0\r\nSlurm Partition=\r\nSlurm Clips At Once=4\r\nSlurm CPUs=2\r\n"
            "Slurm Memory=4G\r\nParallel Computers=\r\n");
}

TEST(SettingsFile, SaveLoadSaveIsByteIdentical) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  const ConversionSettings saved = changedSettings();
  SaveSettings(saved, path);
  const std::string first = readBytes(path);

  ConversionSettings loaded(kProgramFolder);
  LoadSettings(loaded, path, nullptr, kProgramFolder);
  EXPECT_EQ(loaded, saved);
  SaveSettings(loaded, path);
  EXPECT_EQ(readBytes(path), first);
}

TEST(SettingsFile, LayoutWithMissingKeysResetsThemToDefaults) {
  TempDir dir;
  const auto path = dir.file("mine.lay");
  writeBytes(path, "[Output]\r\nFormat=1\r\n[File]\r\nPrefix=LR_\r\n");
  ConversionSettings s = changedSettings();
  LoadSettings(s, path, nullptr, kProgramFolder);
  ConversionSettings expected(kProgramFolder);
  expected.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  expected.Prefix = "LR_";
  expected.FfmpegDialogFolder = s.FfmpegDialogFolder;
  EXPECT_EQ(s, expected);
}

TEST(SettingsFile, BinaryGarbageGivesTheDefaults) {
  TempDir dir;
  const auto path = dir.file("garbage.lay");
  const char bytes[] = "\0\xff\xfe[Input\r\r\0Format=3\n[Output]\rDeint=\0 1\rColour=\x80\r[Final";
  writeBytes(path, std::string(bytes, sizeof bytes - 1));
  ConversionSettings s = changedSettings();
  LoadSettings(s, path, nullptr, kProgramFolder);
  ConversionSettings expected(kProgramFolder);
  expected.FfmpegDialogFolder = s.FfmpegDialogFolder;
  EXPECT_EQ(s, expected);
}

TEST(SettingsFile, SavingOntoAnExistingLayoutUpdatesInPlaceAndKeepsOtherLines) {
  TempDir dir;
  const auto path = dir.file("mine.lay");
  writeBytes(path,
             "; written by hand\r\n[Output]\r\nFormat=1\r\nNote=keep me\r\n[Mine]\r\na=b\r\n");
  SaveSettings(ConversionSettings(kProgramFolder), path);
  const std::string bytes = readBytes(path);
  EXPECT_EQ(bytes.rfind("; written by hand\r\n[Output]\r\nFormat=0\r\nNote=keep me\r\nColourMatch=0"
                        "\r\n",
                        0),
            0u);
  EXPECT_NE(bytes.find("\r\n[Mine]\r\na=b\r\n[Input]\r\nFormat=0\r\n"), std::string::npos);
  ConversionSettings loaded = changedSettings();
  LoadSettings(loaded, path, nullptr, kProgramFolder);
  EXPECT_EQ(loaded.RadioGroup_Output_Format, choices::OutputFormat::Separate);
}

struct ValueCase {
  const char* name;
  const char* section;
  const char* key;
  const char* value;
  std::function<int(const ConversionSettings&)> field;
  int expected;
};

class SettingsFileValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SettingsFileValue, IsReadWithItsKindsRules) {
  const auto& c = GetParam();
  TempDir dir;
  const auto path = dir.file("s.ini");
  writeBytes(path, std::string("[") + c.section + "]\r\n" + c.key + "=" + c.value + "\r\n");
  ConversionSettings s = changedSettings();
  LoadSettings(s, path, nullptr, kProgramFolder);
  EXPECT_EQ(c.field(s), c.expected);
}

int inputFormat(const ConversionSettings& s) {
  return choices::itemIndex(s.RadioGroup_Input_Format);
}
int repeat(const ConversionSettings& s) {
  return choices::itemIndex(s.RadioGroup_Repeat);
}
int colour(const ConversionSettings& s) {
  return choices::itemIndex(s.ComboBox_Colour);
}
int blendNumber(const ConversionSettings& s) {
  return choices::itemIndex(s.ComboBox_Blend);
}
int codec(const ConversionSettings& s) {
  return s.ComboBox_FF_codec;
}
int deint(const ConversionSettings& s) {
  return s.CheckBox_Output_DI ? 1 : 0;
}
int userFrNum(const ConversionSettings& s) {
  return s.UserFrNum;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SettingsFileValue,
    ::testing::Values(
        ValueCase{"IndexAboveTheLastClamps", "Input", "Format", "7", inputFormat, 4},
        ValueCase{"IndexBelowMinusOneSelectsNone", "Input", "Format", "-5", inputFormat, -1},
        ValueCase{"IndexInHexWithDollar", "Input", "Format", "$2", inputFormat, 2},
        ValueCase{"IndexInHexWith0x", "Frames", "Repeat", "0x7", repeat, 7},
        ValueCase{"IndexWordGivesDefault", "Input", "Format", "Mono", inputFormat, 0},
        ValueCase{"IndexQuoted", "Input", "Format", "\"2\"", inputFormat, 2},
        ValueCase{"SectionAndKeyIgnoreCase", "INPUT", "format", "1", inputFormat, 1},
        ValueCase{"DropDownOutsideSelectsNothing", "Output", "Colour", "5", colour, -1},
        ValueCase{"DropDownLastItem", "Frames", "BlendNumber", "6", blendNumber, 6},
        ValueCase{"DropDownBelowList", "Frames", "BlendNumber", "-2", blendNumber, -1},
        ValueCase{"CodecWithoutPresetListKeepsPosition", "Output", "Codec", "4", codec, 4},
        ValueCase{"FlagTwoChecks", "Output", "Deint", "2", deint, 1},
        ValueCase{"FlagMinusOneChecks", "Output", "Deint", "-1", deint, 1},
        ValueCase{"FlagHexChecks", "Output", "Deint", "0x10", deint, 1},
        ValueCase{"FlagZeroUnchecks", "Output", "Deint", "0", deint, 0},
        ValueCase{"FlagWordUnchecks", "Output", "Deint", "yes", deint, 0},
        ValueCase{"NumberInHex", "Final", "User FR Num", "$5DC0", userFrNum, 24000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, CodecIsAPositionInTheCurrentPresetList) {
  TempDir dir;
  const auto presetsPath = dir.file("twinlens.prs");
  writeBytes(presetsPath,
             "[Presets]\r\nutvideo=-c:v utvideo\r\nx264=-c:v libx264\r\n[Extensions]\r\n"
             "utvideo=.avi\r\nx264=.mp4\r\n");
  const PresetsFile presets(presetsPath);
  const auto path = dir.file("twinlens.ini");

  struct Case {
    const char* codec;
    int selected;
    const char* parameters;
    const char* extension;
    const char* name;
  };
  for (const Case& c :
       {Case{"1", 1, "-c:v libx264", ".mp4", "x264"},
        Case{"0", 0, "-c:v utvideo", ".avi", "utvideo"}, Case{"2", -1, "", "", ""},
        Case{"-1", -1, "", "", ""}, Case{"word", 0, "-c:v utvideo", ".avi", "utvideo"}}) {
    SCOPED_TRACE(c.codec);
    writeBytes(path, std::string("[Output]\r\nCodec=") + c.codec + "\r\n");
    ConversionSettings s = changedSettings();
    LoadSettings(s, path, &presets, kProgramFolder);
    EXPECT_EQ(s.ComboBox_FF_codec, c.selected);
    EXPECT_EQ(s.Edit_coding_presets, c.parameters);
    EXPECT_EQ(s.Edit_Video_Extension, c.extension);
    EXPECT_EQ(s.Edit_preset_name, c.name);
  }

  // With no presets at all nothing is selected and the three fields are empty.
  ConversionSettings s = changedSettings();
  const PresetsFile none(dir.file("none.prs"));
  LoadSettings(s, dir.file("none.ini"), &none, kProgramFolder);
  EXPECT_EQ(s.ComboBox_FF_codec, -1);
  EXPECT_EQ(s.Edit_coding_presets, "");
  EXPECT_EQ(s.Edit_preset_name, "");
}

TEST(SettingsFile, PrefixWithLeadingBlanksIsStoredWithThemAndReadBackWithout) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  ConversionSettings s(kProgramFolder);
  s.setPrefix("  3D_");
  SaveSettings(s, path);
  EXPECT_NE(readBytes(path).find("\r\nPrefix=  3D_\r\n"), std::string::npos);
  LoadSettings(s, path, nullptr, kProgramFolder);
  EXPECT_EQ(s.Prefix, "3D_");
}

TEST(SettingsFile, LoadingShowsTheVcfPathsFrameRateAndFfmpegFolder) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  const std::string sep(1, paths::separator(nativePathStyle()));
  writeBytes(path, "[File]\r\nVCF LR=/vd/lr.vcf\r\nffmpeg location=tools" + sep + "bin" + sep +
                       "ffmpeg.exe\r\n[Final]\r\nUser FR Num=24000\r\n");
  ConversionSettings s(kProgramFolder);
  s.Edit_vcf_deint = "typed by hand";
  LoadSettings(s, path, nullptr, kProgramFolder);
  EXPECT_EQ(s.VcfLR, "/vd/lr.vcf");
  EXPECT_EQ(s.Edit_vcf_LR, "/vd/lr.vcf");
  EXPECT_EQ(s.Edit_vcf_deint, "");
  EXPECT_EQ(s.Edit_FR_Num, "24000");
  EXPECT_EQ(s.Edit_FR_Den, "1001");
  EXPECT_EQ(s.FfmpegDialogFolder, "tools" + sep + "bin" + sep);
}

TEST(SettingsFile, FrameRateTextsAreSavedAsTyped) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  ConversionSettings s(kProgramFolder);
  s.Edit_FR_Num = "";
  s.Edit_FR_Den = "1001x";
  SaveSettings(s, path);
  EXPECT_NE(readBytes(path).find("[Final]\r\nUser FR Num=\r\nUser FR Den=1001x\r\n"),
            std::string::npos);
}

TEST(SettingsFile, EmptyUserFrameRateStopsLoadingAtThatKey) {
  TempDir dir;
  const auto path = dir.file("twinlens.ini");
  ConversionSettings stored = changedSettings();
  stored.Edit_FR_Num = "";
  SaveSettings(stored, path);

  const PresetsFile presets(dir.file("twinlens.prs"));
  ConversionSettings s(kProgramFolder);
  s.Edit_coding_presets = "as before";
  EXPECT_EQ(messageOf([&] { LoadSettings(s, path, &presets, kProgramFolder); }),
            "'' is not a valid integer value");
  // Applied before the failing key.
  EXPECT_EQ(s.Prefix, "3D_");
  EXPECT_EQ(s.VcfLR, "/vd/lr.vcf");
  EXPECT_EQ(s.RadioGroup_Output_Format, choices::OutputFormat::Mono);
  // Not read, not shown.
  EXPECT_EQ(s.UserFrNum, 30000);
  EXPECT_EQ(s.UserFrDen, 1001);
  EXPECT_EQ(s.FfmpegLocation, "");
  EXPECT_EQ(s.FfmpegDialogFolder, "");
  EXPECT_EQ(s.Edit_vcf_LR, "");
  EXPECT_EQ(s.Edit_FR_Num, "30000");
  EXPECT_EQ(s.Edit_coding_presets, "as before");
}

TEST(SettingsFile, RefusedWriteReportsThePathAndWritesNothing) {
  TempDir dir;
  const auto path = dir.file("missing/twinlens.ini");
  EXPECT_EQ(messageOf([&] { SaveSettings(changedSettings(), path); }),
            "Unable to write to " + path);
  std::filesystem::create_directory(dir.path() / "folder.lay");
  EXPECT_EQ(messageOf([&] { SaveSettings(changedSettings(), dir.file("folder.lay")); }),
            "Unable to write to " + dir.file("folder.lay"));
}

// A value the file could not give back (a typed line break) refuses the whole save: the file
// keeps every byte it had, rather than the keys written before that one.
TEST(SettingsFile, AValueTheFileCannotHoldLeavesTheFileAsItWas) {
  TempDir dir;
  const auto path = dir.file("mine.lay");
  writeBytes(path, "[Output]\r\nFormat=2\r\n");
  ConversionSettings s = changedSettings();
  s.Prefix = "3D\n_";
  EXPECT_EQ(messageOf([&] { SaveSettings(s, path); }), "'3D\n_' cannot be written to " + path);
  EXPECT_EQ(readBytes(path), "[Output]\r\nFormat=2\r\n");
}

}  // namespace
}  // namespace twinlens
