// The main window's behaviour without a window: a scripted prompter answers the dialogs and a
// recording view stands for the controls. These run wherever the core runs (also under Wine).
#include "window/MainScreenModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "analysis/OffsetDetector.h"
#include "model/Choices.h"
#include "platform/ProgramOutput.h"
#include "support/DrawnPairs.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "window/ButtonTable.h"
#include "window/ControlRules.h"
#include "window/ControlTable.h"

#ifndef _WIN32
#include <unistd.h>
#endif

// GCC 12 at -O3 (the Windows build) warns wrongly of overlapping copies in "text" + std::string
// (its bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens::window {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::ScriptedPrompter;
using test::TempDir;
using test::writeBytes;

// Stands for the controls: the preset box, the fields read at a key release, the status bar.
class RecordingView : public ScreenView {
 public:
  std::vector<std::string> presetList;
  int selected = -1;
  std::map<std::string, std::string, std::less<>> fields;
  std::string status;
  int settingsShown = 0;

  void showSettings() override { ++settingsShown; }
  void applyRule(const ControlRule& rule) override { rulesApplied.push_back(rule.handler); }
  std::vector<std::string_view> rulesApplied;
  void showPresetFields() override {}
  void showPresetList(const std::vector<std::string>& names) override {
    presetList = names;
    selected = -1;
  }
  void selectPreset(int index) override { selected = index; }
  int selectedPreset() const override { return selected; }
  std::string fieldText(std::string_view field) const override {
    const auto it = fields.find(field);
    return it == fields.end() ? std::string() : it->second;
  }
  void setFieldText(std::string_view field, const std::string& text) override {
    fields[std::string(field)] = text;
  }
  void showStatus(const std::string& text) override { status = text; }
  void showBusy(bool busy) override { busyChanges.push_back(busy); }
  void showProgress(const std::string& text) override { progress.push_back(text); }
  // The user presses "Stop" once this many progress lines are shown (never when negative).
  bool stopRequested() override {
    if (stopAfter < 0 || static_cast<int>(progress.size()) < stopAfter) return false;
    stopped = true;
    return true;
  }
  std::atomic<bool> stopped = false;
  void endProgress() override { ++progressEnded; }
  std::vector<std::string> progress;
  int stopAfter = -1;
  int progressEnded = 0;
  std::vector<bool> busyChanges;

  void showPreviewWindow() override { ++previewShown; }
  void showPreviewPicture(const std::string& bmp) override {
    pictures.push_back(bmp);
    pictureFrames.push_back(-1);
  }
  void showPreviewState(const PreviewState& state) override {
    previewState = state;
    // The frame of a picture comes with the state that follows it.
    if (!pictureFrames.empty() && pictureFrames.back() < 0) pictureFrames.back() = state.frame;
  }
  SoundOutput* previewSound() override { return sound; }
  std::vector<std::int64_t> pictureFrames;
  SoundOutput* sound = nullptr;
  void showEncodeWindow() override { ++encodeShown; }
  void showEncodeState(const EncodeState& state) override { encodeStates.push_back(state); }
  void openFolder(const std::string& folder) override { openedFolders.push_back(folder); }
  int encodeShown = 0;
  std::vector<EncodeState> encodeStates;
  std::vector<std::string> openedFolders;
  int previewShown = 0;
  std::vector<std::string> pictures;
  PreviewState previewState;
};

class MainScreenModelTest : public ::testing::Test {
 protected:
  std::string at(const std::string& relative) const {
    return (dir_.path() / fs::path(relative).make_preferred()).string();
  }

  TempDir dir_;
  ScriptedPrompter prompter_;
  RecordingView view_;
  MainScreenModel model_{
      prompter_, view_, at("twinlens.ini"), at("twinlens.prs"), dir_.path().string(), {}};
};

TEST_F(MainScreenModelTest, FirstStartWritesTheSettingsOnCloseAndAFailedSaveKeepsTheWindowOpen) {
  EXPECT_TRUE(model_.FormClose());  // never activated: the file is left alone
  EXPECT_FALSE(fs::exists(at("twinlens.ini")));

  model_.FormActivate();
  model_.settings().Edit_Offset = "4";
  ASSERT_TRUE(model_.FormClose());
  EXPECT_NE(readBytes(at("twinlens.ini")).find("[File]"), std::string::npos);

  // A folder where the settings file goes refuses the save.
  fs::remove(at("twinlens.ini"));
  fs::create_directories(at("twinlens.ini"));
  EXPECT_FALSE(model_.FormClose());
  EXPECT_EQ(prompter_.errors,
            std::vector<std::string>{"Unable to write to " + at("twinlens.ini") + "."});
}

// A shared presets file with an entry whose options stand for no arguments: the list marks it and
// keeps the others usable; chosen, it tells why in the status bar, and a run with it stops before
// its dialogs with the entry named.
TEST_F(MainScreenModelTest, APresetThatCannotGoOntoACommandLineIsMarkedAndStopsTheRun) {
  writeBytes(at("twinlens.prs"),
             "[Presets]\r\ngood=-c:v ffv1\r\nbad=-c:v ffv1 -metadata \"title=a & b\r\n"
             "[Extensions]\r\ngood=.mkv\r\nbad=.mkv\r\n");
  model_.FormActivate();
  EXPECT_EQ(view_.presetList,
            (std::vector<std::string>{
                "good", "bad (unusable: a double quote that is not closed in its options)"}));
  EXPECT_EQ(model_.presetNames(), (std::vector<std::string>{"good", "bad"}));

  const std::string refusal =
      "The encoder options (Edit_coding_presets) cannot go onto a command line: they hold a double "
      "quote that is not closed at character 21; they come from the entry \"bad\" of the presets "
      "file \"" +
      at("twinlens.prs") + "\"";
  view_.selectPreset(1);
  model_.ComboBox_FF_codecChange();
  EXPECT_EQ(model_.settings().Edit_preset_name, "bad");
  EXPECT_EQ(view_.status, refusal);

  model_.settings().RadioGroup_Engine = choices::Engine::Ffmpeg;
  model_.settings().RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  model_.settings().CheckBox_ffmpeg_make = true;
  model_.M1Click();
  EXPECT_TRUE(prompter_.dialogs.empty());
  EXPECT_EQ(prompter_.errors, std::vector<std::string>{refusal});

  // Typed over, the options are the field's own.
  model_.settings().Edit_coding_presets = "-c:v ffv1 \"";
  prompter_.errors.clear();
  model_.M1Click();
  ASSERT_EQ(prompter_.errors.size(), 1u);
  EXPECT_TRUE(prompter_.errors[0].ends_with("at character 11; mend them in the field."))
      << prompter_.errors[0];

  view_.selectPreset(0);
  model_.ComboBox_FF_codecChange();
  EXPECT_EQ(model_.settings().Edit_coding_presets, "-c:v ffv1");
}

TEST_F(MainScreenModelTest, PresetsAreSavedListedAndDeletedAfterTheQuestion) {
  model_.FormActivate();
  model_.settings().Edit_preset_name = "x264";
  model_.settings().Edit_coding_presets = "-c:v libx264";
  model_.settings().Edit_Video_Extension = ".mp4";
  model_.Button_new_presetClick();
  EXPECT_EQ(view_.presetList, std::vector<std::string>{"x264"});

  view_.selectPreset(0);
  model_.settings().Edit_coding_presets.clear();
  model_.ComboBox_FF_codecChange();
  EXPECT_EQ(model_.settings().Edit_coding_presets, "-c:v libx264");

  prompter_.okAnswers = {false};
  model_.Button_Delete_PresetClick();
  EXPECT_EQ(view_.presetList, std::vector<std::string>{"x264"});
  prompter_.okAnswers = {true};
  model_.Button_Delete_PresetClick();
  EXPECT_TRUE(view_.presetList.empty());
  EXPECT_EQ(prompter_.titles, (std::vector<std::string>{"Error", "Error"}));
  EXPECT_TRUE(prompter_.errors.empty());
}

TEST_F(MainScreenModelTest, KeyReleasesTakeTheFieldsAndReportAnIntegerError) {
  model_.FormActivate();
  view_.fields["Edit_Prefix"] = "3d_";
  model_.Edit_PrefixKeyUp();
  EXPECT_EQ(model_.settings().Prefix, "3d_");

  view_.fields["Edit_FR_Num"] = "24000";
  model_.Edit_User_FRKeyUp();
  view_.fields["Edit_FR_Num"] = "fast";
  model_.Edit_User_FRKeyUp();
  EXPECT_EQ(prompter_.errors, std::vector<std::string>{"'fast' is not a valid integer value."});
  EXPECT_EQ(model_.settings().UserFrNum, 24000);
}

TEST_F(MainScreenModelTest, ConvertFilesWritesTheScriptsAndSaysSo) {
  model_.FormActivate();
  model_.settings().RadioGroup_Engine = choices::Engine::AviSynth;
  model_.settings().RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  model_.settings().RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  writeBytes(at("clips/trip.avi"), "");
  prompter_.openAnswers = {std::vector<std::string>{at("clips/trip.avi")}};

  model_.M1Click();

  EXPECT_TRUE(prompter_.errors.empty());
  EXPECT_EQ(prompter_.titles, std::vector<std::string>{"Select stereo video clip(s)/pictures"});
  EXPECT_EQ(model_.writtenFiles(), std::vector<std::string>{at("clips/trip_LR.avs")});
  EXPECT_NE(readBytes(at("clips/trip_LR.avs")).find("trip.avi"), std::string::npos);
  EXPECT_EQ(view_.status, "Wrote 1 file");
}

// A BMP picture as the preview window gets it: its size and its rows of blue, green and red.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::string rows;
};

Bitmap bitmapOf(const std::string& bmp) {
  const auto number = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bmp.at(at + i));
    return value;
  };
  return {static_cast<int>(number(18)), static_cast<int>(number(22)), bmp.substr(number(10))};
}

// The mean difference of two equal-sized pictures' values.
double meanDifference(const std::string& a, const std::string& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
  return sum / static_cast<double>(a.size());
}

// The picture with its left and right halves swapped.
std::string halvesSwapped(const Bitmap& picture) {
  const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
  std::string swapped = picture.rows;
  for (std::size_t at = 0; at + row <= swapped.size(); at += row) {
    std::rotate(swapped.begin() + static_cast<std::ptrdiff_t>(at),
                swapped.begin() + static_cast<std::ptrdiff_t>(at + row / 2),
                swapped.begin() + static_cast<std::ptrdiff_t>(at + row));
  }
  return swapped;
}

TEST_F(MainScreenModelTest, ThePreviewShowsTheRunsClipAndRendersAnewWhenTheTypingPauses) {
  if (!platform::runProgram({"ffmpeg", "-version"}).started) GTEST_SKIP() << "no ffmpeg here";
  const std::string left = at("clip_L.mkv");
  const std::string right = at("clip_R.mkv");
  for (const auto& [file, colour] : {std::pair{left, ""}, std::pair{right, ",hue=h=120"}}) {
    ASSERT_EQ(platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                    std::string("testsrc=s=160x90:r=25:d=3") + colour, "-c:v",
                                    "ffv1", file})
                  .exitCode,
              0);
  }
  model_.FormActivate();
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::Ffmpeg;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  PreviewModel& preview = model_.preview();
  const auto rendered = [&] {
    for (int turns = 0; preview.busy() && turns < 3000; ++turns) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      preview.tick();
    }
    EXPECT_FALSE(preview.busy());
    const std::string picture = view_.pictures.empty() ? std::string() : view_.pictures.back();
    return bitmapOf(picture.empty() ? std::string(26, '\0') : picture);
  };

  // The run's dialogs chose the clip; the window opens on it without asking again.
  prompter_.openAnswers = {std::vector<std::string>{left}, std::vector<std::string>{right}};
  model_.M1Click();
  preview.Preview1Click();
  EXPECT_EQ(view_.previewShown, 1);
  EXPECT_EQ(prompter_.dialogs.size(), 2u);
  const Bitmap first = rendered();
  EXPECT_EQ(first.width, 320) << view_.previewState.message;
  EXPECT_EQ(first.height, 90);
  EXPECT_EQ(view_.previewState.clip, "clip_L.mkv: frame 0 of 75");
  EXPECT_EQ(view_.previewState.frames, 75);
  EXPECT_FALSE(view_.previewState.rendering);

  // A setting typed in waits for the pause, then shows: the views change sides.
  const auto typed = PreviewModel::Clock::now();
  s.CheckBox_Reverse_LR = true;
  preview.settingsChanged(typed);
  const std::size_t shown = view_.pictures.size();
  for (int turns = 0; turns < 30; ++turns) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    preview.tick(typed + PreviewModel::kTypingPause / 2);
  }
  EXPECT_EQ(view_.pictures.size(), shown);
  EXPECT_TRUE(view_.previewState.rendering);
  preview.tick(typed + PreviewModel::kTypingPause);
  const Bitmap reversed = rendered();
  EXPECT_LT(meanDifference(reversed.rows, halvesSwapped(first)), 1.0);
  EXPECT_GT(meanDifference(reversed.rows, first.rows), 10.0);

  // The slider and the modes; a frame beyond the clip says why nothing is shown.
  preview.setFrame(40);
  const Bitmap later = rendered();
  EXPECT_GT(meanDifference(later.rows, reversed.rows), 1.0);
  EXPECT_EQ(view_.previewState.clip, "clip_L.mkv: frame 40 of 75");
  preview.setMode(2);  // the difference of the views
  EXPECT_GT(meanDifference(rendered().rows, later.rows), 10.0);
  preview.setFrame(90);
  rendered();
  EXPECT_TRUE(view_.pictures.back().empty());
  EXPECT_NE(view_.previewState.message.find("Frame 90 of \"" + left + "\" cannot be shown"),
            std::string::npos)
      << view_.previewState.message;

  // Closed, it renders nothing more.
  preview.closed();
  s.CheckBox_Reverse_LR = false;
  preview.settingsChanged();
  EXPECT_FALSE(preview.busy());
}

// A BMP's rows from the top down, as ffmpeg's raw pictures have them.
std::string topDown(const Bitmap& picture) {
  const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
  std::string rows;
  for (std::size_t at = picture.rows.size(); at >= row; at -= row)
    rows += picture.rows.substr(at - row, row);
  return rows;
}

// A frame-coded pair with sound: the right camera in other colours, a beep from 1.6 s on (frame
// 40) in both.
void makeBeepingPair(const std::string& left, const std::string& right) {
  for (const auto& [file, colour] : {std::pair{left, ""}, std::pair{right, ",hue=h=120"}}) {
    const platform::ProgramOutput made =
        platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                              std::string("testsrc=s=160x90:r=25:d=5") + colour, "-f", "lavfi",
                              "-i", "aevalsrc='if(gte(t,1.6),sin(2*PI*440*t),0)':s=48000:d=5",
                              "-c:v", "ffv1", "-c:a", "pcm_s16le", file});
    ASSERT_EQ(made.exitCode, 0) << made.errors;
  }
}

// The processes this one has started that still run (their numbers), as /proc tells.
std::string runningChildren() {
  std::string children;
#ifndef _WIN32
  std::error_code failed;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", failed)) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid ...": the name may hold spaces, the last ')' ends it.
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    std::string state;
    long parent = 0;
    if (rest >> state >> parent && parent == ::getpid() && state != "Z") {
      children += entry.path().filename().string() + ' ';
    }
  }
#endif
  return children;
}

TEST_F(MainScreenModelTest, ThePreviewPlaysTheEncodesFramesSeeksAndRestartsWhereASettingChanges) {
  if (!platform::runProgram({"ffmpeg", "-version"}).started) GTEST_SKIP() << "no ffmpeg here";
  const std::string left = at("clip_L.mkv");
  const std::string right = at("clip_R.mkv");
  makeBeepingPair(left, right);
  // The conversion by hand, losslessly: side by side, the right camera 3 frames ahead; and the
  // same with the views the other way round.
  const auto byHand = [&](const char* stack) {
    const platform::ProgramOutput encoded =
        platform::runProgram({"ffmpeg", "-v", "error", "-i", left, "-i", right, "-filter_complex",
                              std::string("[1:v]trim=start_frame=3,setpts=PTS-STARTPTS[r];") +
                                  stack + "hstack=shortest=1,format=bgr24",
                              "-f", "rawvideo", "-"});
    EXPECT_EQ(encoded.exitCode, 0) << encoded.errors;
    return encoded.output;
  };
  const std::string encoded = byHand("[0:v][r]");
  const std::string reversed = byHand("[r][0:v]");
  const std::size_t frameBytes = 320 * 90 * 3;
  const auto frameOf = [&](const std::string& frames, std::int64_t frame) {
    return frames.substr(static_cast<std::size_t>(frame) * frameBytes, frameBytes);
  };
  const auto encodedFrame = [&](std::int64_t frame) { return frameOf(encoded, frame); };
  model_.FormActivate();
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::Ffmpeg;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  s.Edit_Offset = "3";
  PreviewModel& preview = model_.preview();
  preview.setClip(left, right);
  preview.Preview1Click();
  const auto turnUntil = [&](const std::function<bool()>& done) {
    const auto started = PreviewModel::Clock::now();
    while (!done() && PreviewModel::Clock::now() - started < std::chrono::seconds(30)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      preview.tick();
    }
    return done();
  };
  preview.setFrame(10);
  ASSERT_TRUE(turnUntil([&] { return !preview.busy(); }));
  ASSERT_EQ(view_.previewState.frames, 122) << view_.previewState.message;

  view_.pictures.clear();
  view_.pictureFrames.clear();
  preview.Button_Preview_PlayClick();
  EXPECT_TRUE(view_.previewState.playing);
  ASSERT_TRUE(turnUntil([&] { return view_.previewState.frame >= 30; }));
  const std::size_t beforeSeek = view_.pictures.size();
  preview.setFrame(60);  // dragged while playing: it plays on from there
  ASSERT_TRUE(turnUntil([&] { return view_.previewState.frame >= 80; }));
  EXPECT_TRUE(preview.playing());
  ASSERT_GT(view_.pictures.size(), beforeSeek);
  EXPECT_EQ(view_.pictureFrames[beforeSeek], 60);
  // Every picture shown is the encode's frame of its number, in order; those the window could
  // not show in time are left out, none is shown twice.
  for (std::size_t i = 0; i < view_.pictures.size(); ++i) {
    const std::int64_t frame = view_.pictureFrames[i];
    SCOPED_TRACE(frame);
    if (i > 0 && i != beforeSeek) {
      EXPECT_GT(frame, view_.pictureFrames[i - 1]);
    }
    EXPECT_TRUE(topDown(bitmapOf(view_.pictures[i])) == encodedFrame(frame));
  }
  EXPECT_GE(view_.pictures.size(), 30u) << "most of the 40 frames are shown";
  // The window cannot play sound: it says so once.
  const std::string noSound = "The sound is not played: This window cannot play sound";
  EXPECT_NE(view_.previewState.message.find(noSound), std::string::npos)
      << view_.previewState.message;

  // A setting changed while playing: it plays on from the frame shown once the typing pauses,
  // the views now the other way round.
  const std::int64_t changedAt = view_.previewState.frame;
  const std::size_t beforeChange = view_.pictures.size();
  s.CheckBox_Reverse_LR = true;
  preview.settingsChanged();
  ASSERT_TRUE(turnUntil([&] { return view_.pictures.size() > beforeChange + 2; }));
  EXPECT_EQ(view_.pictureFrames[beforeChange], changedAt);
  EXPECT_TRUE(topDown(bitmapOf(view_.pictures[beforeChange])) == frameOf(reversed, changedAt));
  EXPECT_EQ(view_.previewState.message.find(noSound), view_.previewState.message.rfind(noSound));

  // Paused, nothing runs; a step shows the next frame.
#ifndef _WIN32
  EXPECT_NE(runningChildren(), "") << "ffmpeg plays";
#endif
  preview.Button_Preview_PlayClick();
  EXPECT_FALSE(view_.previewState.playing);
  EXPECT_FALSE(preview.playing());
  EXPECT_EQ(runningChildren(), "");
  const std::int64_t pausedAt = view_.previewState.frame;
  preview.Button_Preview_StepClick(1);
  ASSERT_TRUE(turnUntil([&] { return !preview.busy(); }));
  EXPECT_EQ(view_.previewState.frame, pausedAt + 1);
  // Played to its end, it stops there.
  preview.setFrame(115);
  ASSERT_TRUE(turnUntil([&] { return !preview.busy(); }));
  preview.Button_Preview_PlayClick();
  ASSERT_TRUE(turnUntil([&] { return !view_.previewState.playing; }));
  EXPECT_EQ(view_.previewState.frame, 121);
  preview.closed();
  EXPECT_EQ(runningChildren(), "");
}

// What the sound heard says is the time: the picture waits for it, skips ahead with it, and the
// sound written is the output's from the frame the playing started at.
TEST_F(MainScreenModelTest, ThePlayingPictureKeepsTimeWithTheSoundHeard) {
  if (!platform::runProgram({"ffmpeg", "-version"}).started) GTEST_SKIP() << "no ffmpeg here";
  class HeldSound : public SoundOutput {
   public:
    std::string start(int sampleRate) override {
      rate = sampleRate;
      return {};
    }
    std::size_t write(std::string_view samples) override {
      written.append(samples);
      return samples.size();
    }
    double heardSeconds() override { return heard; }
    void stop() override { ++stops; }
    int rate = 0;
    std::string written;
    double heard = 0;
    int stops = 0;
  } sound;
  view_.sound = &sound;
  const std::string left = at("clip_L.mkv");
  const std::string right = at("clip_R.mkv");
  makeBeepingPair(left, right);
  model_.FormActivate();
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::Ffmpeg;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  PreviewModel& preview = model_.preview();
  preview.setClip(left, right);
  preview.Preview1Click();
  const auto turnFor = [&](std::chrono::milliseconds time, const std::function<bool()>& done) {
    const auto started = PreviewModel::Clock::now();
    while (!done() && PreviewModel::Clock::now() - started < time) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      preview.tick();
    }
    return done();
  };
  const std::chrono::seconds kLong(30);
  ASSERT_TRUE(turnFor(kLong, [&] { return !preview.busy(); }));
  preview.setFrame(20);
  ASSERT_TRUE(turnFor(kLong, [&] { return !preview.busy(); }));
  const std::size_t shown = view_.pictures.size();
  preview.Button_Preview_PlayClick();
  ASSERT_TRUE(turnFor(kLong, [&] { return view_.pictures.size() > shown; }));
  EXPECT_EQ(sound.rate, 48000);
  // The first picture is shown at once; the next waits for the sound.
  EXPECT_EQ(view_.previewState.frame, 20);
  turnFor(std::chrono::milliseconds(300), [] { return false; });
  EXPECT_EQ(view_.pictures.size(), shown + 1);
  // Half a second heard: frame 32 is due, and (what has come of) the ones before it are skipped.
  sound.heard = 0.5;
  ASSERT_TRUE(turnFor(kLong, [&] { return view_.previewState.frame >= 32; }));
  EXPECT_EQ(view_.previewState.frame, 32);
  EXPECT_LT(view_.pictures.size(), shown + 1 + 12);
  // The beep of frame 40 is 0.8 s into the sound written.
  ASSERT_TRUE(turnFor(kLong, [&] { return sound.written.size() > 48000 * 4; }));
  std::size_t onset = 0;
  const auto* samples = reinterpret_cast<const std::int16_t*>(sound.written.data());
  while (onset < sound.written.size() / 2 && std::abs(samples[onset]) < 300) ++onset;
  EXPECT_NEAR(static_cast<double>(onset / 2) / 48000, 0.8, 0.002);
  // The sound stops with the picture still to come: the clock takes over, nothing hangs.
  ASSERT_TRUE(turnFor(kLong, [&] { return view_.previewState.frame >= 45; }));
  preview.Button_Preview_PlayClick();
  EXPECT_EQ(sound.stops, 1);
  preview.closed();
}

// The ffmpeg engine's runner a conversion starts runs in the encoding window; a clip that fails
// shows ffmpeg's last error line there, and nothing of it stays.
TEST_F(MainScreenModelTest, AConversionsEncodesRunInTheEncodingWindowWithEachOutputsResult) {
  if (!platform::runProgram({"ffmpeg", "-version"}).started) GTEST_SKIP() << "no ffmpeg here";
  const std::string clip = at("clips/trip.mkv");
  fs::create_directories(at("clips"));
  ASSERT_EQ(platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                  "testsrc=s=64x32:r=25:d=1", "-c:v", "ffv1", clip})
                .exitCode,
            0);
  model_.FormActivate();
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::Ffmpeg;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.RadioGroup_Output_Format = choices::OutputFormat::OverUnder;
  s.CheckBox_ffmpeg_make = true;
  s.CheckBox_Execute_ffmpeg = true;
  s.Edit_Video_Extension = ".mkv";
  s.Edit_coding_presets = "-c:v ffv1 -slices 7";  // refused once the output is open
  prompter_.openAnswers = {std::vector<std::string>{clip}};
  model_.M1Click();
  ASSERT_TRUE(prompter_.errors.empty()) << prompter_.errors[0];
  EXPECT_EQ(view_.encodeShown, 1);
  for (int turns = 0; model_.encodes().running() && turns < 3000; ++turns) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    model_.tick();
  }
  const EncodeState& state = view_.encodeStates.back();
  EXPECT_FALSE(state.running);
  EXPECT_EQ(state.clip, "1 of 1 clips failed");
  ASSERT_EQ(state.results.size(), 1u);
  EXPECT_TRUE(state.results[0].starts_with("Failed trip_OU.mkv: Error initializing output stream"))
      << state.results[0];
  EXPECT_FALSE(fs::exists(at("clips/trip_OU.partial.mkv")));
  model_.encodes().Button_Open_FolderClick();
  EXPECT_EQ(view_.openedFolders, std::vector<std::string>{at("clips/")});
}

#ifndef _WIN32
// Encodes under way are not given up for the next conversion's, nor by closing the window
// unasked.
TEST_F(MainScreenModelTest, RunningEncodesAreKeptUntilTheUserStopsThem) {
  writeBytes(at("slow.sh"), "echo 'Encoding clip 1 of 1 (50 frames): a_LR.mkv'\nsleep 30\n");
  EncodeModel& encodes = model_.encodes();
  ASSERT_EQ(encodes.start({at("slow.sh"), "", dir_.path().string(), {{at("a_LR.mkv")}}}), "");
  EXPECT_EQ(encodes.start({at("slow.sh"), "", dir_.path().string(), {{at("b_LR.mkv")}}}),
            "The encodes of the last conversion are still running: wait for them to end or cancel "
            "them");
  for (int turns = 0; encodes.state().clip != "Clip 1 of 1: a_LR.mkv" && turns < 500; ++turns) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    model_.tick();
  }
  // Closing the window asks first; Cancel keeps it open and encoding, OK stops the encodes.
  prompter_.okAnswers = {false, true};
  EXPECT_FALSE(model_.FormClose());
  EXPECT_TRUE(encodes.running());
  EXPECT_TRUE(model_.FormClose());
  EXPECT_EQ(prompter_.titles, (std::vector<std::string>{"Twinlens", "Twinlens"}));
  EXPECT_FALSE(encodes.running());
  EXPECT_EQ(view_.encodeStates.back().results,
            std::vector<std::string>{"Failed a_LR.mkv: Cancelled"});
}
#endif

// The sound two cameras heard: the same white noise, the right camera's file 1.49 s later;
// "silent.mkv" holds silence.
class HeardScene : public SoundSource {
 public:
  ClipTiming timing(const std::string&) override { return {{25, 1}, 40, true}; }
  std::vector<float> sound(const std::string& file, double start, double seconds,
                           int sampleRate) override {
    std::vector<float> samples(static_cast<std::size_t>(seconds * sampleRate));
    if (file.ends_with("silent.mkv")) return samples;
    const auto late = file.ends_with("right.mkv") ? std::int64_t{11920} : 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      // splitmix64 of the sample's place in the scene.
      auto z = static_cast<std::uint64_t>(static_cast<std::int64_t>(start * sampleRate) +
                                          static_cast<std::int64_t>(i) - late) +
               0x9e3779b97f4a7c15u;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
      z ^= z >> 31;
      samples[i] = static_cast<float>(z % 2001) / 1000.0f - 1.0f;
    }
    return samples;
  }
};

TEST_F(MainScreenModelTest, DetectFromSoundPutsTheOffsetIntoItsFieldOrSaysWhyNot) {
  HeardScene scene;
  model_.setSoundSource(&scene);
  prompter_.openAnswers = {std::vector<std::string>{at("left.mkv")},
                           std::vector<std::string>{at("right.mkv")}};
  model_.Button_Detect_OffsetClick();
  EXPECT_EQ(model_.settings().Edit_Offset, "37");
  EXPECT_EQ(view_.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(view_.status, "Offset frames: 37");
  ASSERT_EQ(prompter_.informations.size(), 1u);
  EXPECT_TRUE(prompter_.informations[0].starts_with("Offset frames: 37\nRemainder: +10.0 ms\n"))
      << prompter_.informations[0];
  EXPECT_EQ(prompter_.titles, (std::vector<std::string>{"Select the left camera's clip",
                                                        "Select the right camera's clip"}));

  // Silence: the message, and the field as it was.
  model_.settings().Edit_Offset = "4";
  prompter_.openAnswers = {std::vector<std::string>{at("left.mkv")},
                           std::vector<std::string>{at("silent.mkv")}};
  model_.Button_Detect_OffsetClick();
  EXPECT_EQ(model_.settings().Edit_Offset, "4");
  ASSERT_EQ(prompter_.errors.size(), 1u);
  EXPECT_EQ(prompter_.errors[0],
            "The sound of \"" + at("silent.mkv") + "\" is silent; the offset cannot be measured.");

  // One file holds both views: nothing to choose, and the button says why.
  model_.settings().RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  model_.Button_Detect_OffsetClick();
  EXPECT_EQ(prompter_.titles.size(), 4u);
  ASSERT_EQ(prompter_.errors.size(), 2u);
  EXPECT_TRUE(
      prompter_.errors[1].starts_with("A side-by-side, over-under or 2D file holds one "
                                      "sound track for both views"));
}

// "Measure each clip": the run measures the clip before it writes, shows which in the status bar,
// aligns the script's views and tells the depth in its report.
TEST_F(MainScreenModelTest, ARunMeasuresEachClipAndTellsItsDepth) {
  model_.FormActivate();
  test::DrawnPairs pairs;
  model_.setPairMeasurer(&pairs);
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::AviSynth;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  s.RadioGroup_Align = choices::Align::Measure;
  s.RadioGroup_Convergence = choices::Convergence::Automatic;
  writeBytes(at("clips/trip.avi"), "");
  prompter_.openAnswers = {std::vector<std::string>{at("clips/trip.avi")}};
  model_.M1Click();
  ASSERT_TRUE(prompter_.errors.empty()) << prompter_.errors[0];
  EXPECT_EQ(view_.progress, std::vector<std::string>{"Measuring the geometry of clip 1 of 1: \"" +
                                                     at("clips/trip.avi") + "\""});
  EXPECT_EQ(pairs.layouts, std::vector<recipe::InputLayout>{recipe::InputLayout::SideBySide});
  EXPECT_NE(readBytes(at("clips/trip_LR.avs")).find("Lanczos4Resize(Width(), Height(), "),
            std::string::npos);
  const std::vector<RunReport::Note>& notes = model_.runReport().notes();
  ASSERT_FALSE(notes.empty());
  EXPECT_TRUE(notes.front().text.starts_with("Depth: near 3.0, far ")) << notes.front().text;
  // The roll of half a degree is more than AviSynth's resizers can leave.
  EXPECT_NE(notes.back().text.find("not their roll, toe-in and tilt"), std::string::npos);
}

// "Stop" while a run measures its clips: the run ends with nothing written, the status bar says
// so (no message box), and the window takes all input again.
TEST_F(MainScreenModelTest, StopWhileARunMeasuresItsClipsWritesNothing) {
  model_.FormActivate();
  // Measures once the user has pressed "Stop".
  class HeldPairs : public test::DrawnPairs {
   public:
    explicit HeldPairs(const RecordingView& view) : view_(view) {}
    GeometryReport measure(recipe::InputLayout layout, const std::string& left,
                           const std::string& right, MediaProbe& files) override {
      while (!view_.stopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return DrawnPairs::measure(layout, left, right, files);
    }

   private:
    const RecordingView& view_;
  } pairs(view_);
  model_.setPairMeasurer(&pairs);
  ConversionSettings& s = model_.settings();
  s.RadioGroup_Engine = choices::Engine::AviSynth;
  s.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  s.RadioGroup_Align = choices::Align::Measure;
  writeBytes(at("clips/trip.avi"), "");
  prompter_.openAnswers = {std::vector<std::string>{at("clips/trip.avi")}};
  view_.stopAfter = 1;
  model_.M1Click();
  EXPECT_TRUE(prompter_.errors.empty());
  EXPECT_EQ(view_.status, "Stopped: nothing was written");
  EXPECT_EQ(view_.progressEnded, 1);
  EXPECT_FALSE(fs::exists(at("clips/trip_LR.avs")));
}

// Either window forwards its controls' events by the field's name: the record takes the value and
// every rule is applied through its handler; a name of another kind, or of nothing, changes
// nothing. Every button of the button table is a button of the window.
TEST_F(MainScreenModelTest, ControlsChangeTheRecordByNameAndTheRulesFollow) {
  ConversionSettings& s = model_.settings();
  std::vector<std::string_view> everyRule;
  for (const ControlRule& rule : controlRules()) everyRule.push_back(rule.handler);
  model_.flagChanged("CheckBox_ffmpeg_make", true);
  EXPECT_TRUE(s.CheckBox_ffmpeg_make);
  EXPECT_EQ(view_.rulesApplied, everyRule);
  model_.choiceChanged("RadioGroup_FrameRates", 3);
  model_.textChanged("Edit_Offset", "12");
  EXPECT_EQ(s.RadioGroup_FrameRates, choices::FrameRates::HalfNtsc);
  EXPECT_EQ(s.Edit_Offset, "12");
  model_.flagChanged("RadioGroup_FrameRates", true);
  model_.textChanged("CheckBox_ffmpeg_make", "0");
  model_.choiceChanged("RadioGroup_Nowhere", 1);
  EXPECT_EQ(s.RadioGroup_FrameRates, choices::FrameRates::HalfNtsc);
  EXPECT_TRUE(s.CheckBox_ffmpeg_make);
  EXPECT_EQ(view_.rulesApplied.size(), 3 * everyRule.size());
  EXPECT_FALSE(model_.buttonPressed("Button_Nowhere"));
  for (const ButtonAction& action : buttonActions()) {
    const Control* button = findControl(action.name);
    ASSERT_NE(button, nullptr) << action.name;
    EXPECT_EQ(button->kind, ControlKind::Button) << action.name;
  }
}

// Choosing a target sets what it decides and shows it; "Custom" leaves the fields as they are.
TEST_F(MainScreenModelTest, ChoosingATargetSetsItsLayoutAndEncoding) {
  ConversionSettings& s = model_.settings();
  model_.choiceChanged("ComboBox_Target", choices::itemIndex(choices::Target::Television));
  EXPECT_EQ(s.RadioGroup_Output_Format, choices::OutputFormat::SideBySide);
  EXPECT_TRUE(s.CheckBox_Output_HW);
  EXPECT_EQ(s.Edit_Video_Extension, ".mp4");
  EXPECT_NE(s.Edit_coding_presets.find("-c:v libx264"), std::string::npos);
  model_.choiceChanged("ComboBox_Target", choices::itemIndex(choices::Target::Quest3Vr180));
  EXPECT_EQ(s.RadioGroup_Projection, choices::Projection::VR180);
  EXPECT_FALSE(s.CheckBox_Output_HW);
  EXPECT_NE(s.Edit_coding_presets.find("mvrange=511"), std::string::npos);
  s.Edit_coding_presets = "-c:v ffv1";
  model_.choiceChanged("ComboBox_Target", choices::itemIndex(choices::Target::Custom));
  EXPECT_EQ(s.Edit_coding_presets, "-c:v ffv1");
  EXPECT_EQ(s.RadioGroup_Projection, choices::Projection::VR180);
}

TEST_F(MainScreenModelTest, MeasureAlignmentFillsTheValuesOrSaysWhyNot) {
  test::DrawnPairs pairs;
  model_.setPairMeasurer(&pairs);
  prompter_.openAnswers = {std::vector<std::string>{at("left.mkv")},
                           std::vector<std::string>{at("right.mkv")}};
  model_.Button_Measure_AlignmentClick();
  ASSERT_TRUE(prompter_.errors.empty()) << prompter_.errors[0];
  const ConversionSettings& s = model_.settings();
  EXPECT_NEAR(std::stod(s.Edit_Align_Vertical), 8, 0.1);
  EXPECT_NEAR(std::stod(s.Edit_Align_Roll), 0.5, 0.01);
  EXPECT_NEAR(std::stod(s.Edit_Align_Zoom), 1, 0.02);
  EXPECT_NEAR(std::stod(s.Edit_Align_Toe_In), 0, 0.05);
  EXPECT_EQ(s.RadioGroup_Align,
            choices::Align::UseValues);  // "No change" would leave the values unused
  EXPECT_EQ(view_.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_TRUE(view_.status.starts_with("Vertical offset: " + s.Edit_Align_Vertical + " px"))
      << view_.status;
  ASSERT_EQ(prompter_.informations.size(), 1u);
  EXPECT_NE(prompter_.informations[0].find("\nParallax: near "), std::string::npos);
  EXPECT_EQ(prompter_.titles, (std::vector<std::string>{"Select the left camera's clip",
                                                        "Select the right camera's clip"}));

  // One file holding both views is asked for once; "Measure each clip" stays chosen.
  model_.settings().RadioGroup_Input_Format = choices::InputFormat::OverUnder;
  model_.settings().RadioGroup_Align = choices::Align::Measure;
  prompter_.openAnswers = {std::vector<std::string>{at("trip_OU.mkv")}};
  model_.Button_Measure_AlignmentClick();
  EXPECT_EQ(prompter_.titles.back(), "Select the clip holding both views");
  EXPECT_EQ(pairs.layouts.back(), recipe::InputLayout::OverUnder);
  EXPECT_EQ(model_.settings().RadioGroup_Align, choices::Align::Measure);

  // A flat view: the message, and the values as they were.
  model_.settings().Edit_Align_Vertical = "3";
  prompter_.openAnswers = {std::vector<std::string>{at("flat.mkv")}};
  model_.Button_Measure_AlignmentClick();
  EXPECT_EQ(model_.settings().Edit_Align_Vertical, "3");
  ASSERT_EQ(prompter_.errors.size(), 1u);
  EXPECT_EQ(prompter_.errors[0], "Cannot measure the geometry of \"" + at("flat.mkv") +
                                     "\": the pictures hold too little detail to match (a black or "
                                     "flat view)");

  // A 2D file has no pair: no dialog opens.
  model_.settings().RadioGroup_Input_Format = choices::InputFormat::Mono;
  const std::size_t asked = prompter_.titles.size();
  model_.Button_Measure_AlignmentClick();
  EXPECT_EQ(prompter_.titles.size(), asked);
  ASSERT_EQ(prompter_.errors.size(), 2u);
  EXPECT_TRUE(prompter_.errors[1].starts_with("A 2D file holds one view")) << prompter_.errors[1];
}

TEST_F(MainScreenModelTest, ALayoutLoadErrorShowsWhatWasReadAndTheMessage) {
  model_.FormActivate();
  writeBytes(at("broken.lay"),
             "[Frames]\r\nProgressive Frame Rates=9\r\n[Final]\r\nUser FR Num=x\r\n");
  prompter_.openAnswers = {std::vector<std::string>{at("broken.lay")}};
  const int shownBefore = view_.settingsShown;

  model_.LoadLayout1Click();

  EXPECT_EQ(prompter_.errors, std::vector<std::string>{"'x' is not a valid integer value."});
  EXPECT_EQ(model_.settings().RadioGroup_FrameRates, choices::FrameRates::UserDefined);
  EXPECT_GT(view_.settingsShown, shownBefore);
}

// A file-selection button: the dialog it opens, and the setting that takes the first file chosen.
struct FileButton {
  const char* label;
  void (MainScreenModel::*click)();
  const char* title;
  const char* filter;
  bool multiple;
  std::string ConversionSettings::*chosen;
};

class FileButtons : public MainScreenModelTest, public ::testing::WithParamInterface<FileButton> {};

TEST_P(FileButtons, AskWithTheirDialogAndTakeTheFirstFile) {
  const FileButton& b = GetParam();
  const std::string before = model_.settings().*b.chosen;
  (model_.*b.click)();  // cancelled
  ASSERT_EQ(prompter_.dialogs.size(), 1u);
  EXPECT_EQ(prompter_.dialogs[0].title, b.title);
  EXPECT_EQ(prompter_.dialogs[0].filter, b.filter);
  EXPECT_EQ(prompter_.dialogs[0].multiple, b.multiple);
  EXPECT_EQ(model_.settings().*b.chosen, before);

  prompter_.openAnswers = {std::vector<std::string>{"/v/one.x", "/v/two.x"}};
  const int shown = view_.settingsShown;
  (model_.*b.click)();
  EXPECT_EQ(model_.settings().*b.chosen, "/v/one.x");
  EXPECT_GT(view_.settingsShown, shown);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, FileButtons,
    ::testing::Values(
        FileButton{"Button1", &MainScreenModel::Button1Click,
                   "Select VirtualDub vcf file for deinterlacing video", "All Files (*.*)|*.*",
                   false, &ConversionSettings::VcfDeint},
        FileButton{"Button2", &MainScreenModel::Button2Click,
                   "Select VirtualDub vcf file for output files without deinterlacing", "", true,
                   &ConversionSettings::VcfSeparate},
        FileButton{"Button3", &MainScreenModel::Button3Click,
                   "Select VirtualDub vcf file for output files after deinterlacing", "", true,
                   &ConversionSettings::VcfLR},
        FileButton{"Button4", &MainScreenModel::Button4Click, "Select the second VirtualDub.exe",
                   "Exe Files (*.exe)|*.exe|All files (*.*)|*.*", false,
                   &ConversionSettings::Edit_VD2},
        FileButton{"Button5", &MainScreenModel::Button5Click,
                   "Select ffmpeg.exe file which will be used for encoding the video files",
                   "Exe files (*.exe)|*.exe", false, &ConversionSettings::FfmpegLocation},
        FileButton{"Plugin", &MainScreenModel::Button_VDub_PluginClick,
                   "Select VirtualDub Deshaker plugin (in VirtualDub\\Plugins directory)", "",
                   false, &ConversionSettings::DeshakerDir}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(MainScreenModelTest, AConfigurationFileButtonOpensInTheFolderOfItsFileNextTime) {
  // In the system's own spelling, as a dialog returns it.
  const std::string file = fs::path("/vd/sep/a.vcf").make_preferred().string();
  prompter_.openAnswers = {std::vector<std::string>{file}};
  model_.Button2Click();
  model_.Button2Click();
  ASSERT_EQ(prompter_.dialogs.size(), 2u);
  EXPECT_EQ(prompter_.dialogs[1].folder, fs::path("/vd/sep/").make_preferred().string());
}

}  // namespace
}  // namespace twinlens::window
