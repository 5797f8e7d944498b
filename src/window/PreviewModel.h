#pragma once

#include <chrono>
#include <future>
#include <optional>
#include <span>
#include <string>

#include "model/ConversionSettings.h"
#include "model/GeometryReport.h"
#include "platform/ChildProcess.h"
#include "run/FramePreview.h"
#include "window/PreviewPlayer.h"
#include "window/PreviewView.h"
#include "window/Prompter.h"

namespace twinlens::window {

// The preview window's behaviour: one frame of the chosen clip through the real conversion of the
// settings, shown as the output or in a check mode, with a slider over the clip's frames. The clip
// is the one last chosen in the main window's dialogs, or one chosen for the preview. The files
// are read and the frame rendered away from the window: each `tick` takes in what is done, so the
// window never waits on ffmpeg. A setting changed while the window is open renders the frame anew
// once the typing pauses. It plays the clip too: one ffmpeg run from the slider's frame on, the
// pictures shown at the output's rate with its sound, the slider following; a seek, a changed
// setting or mode starts it anew from the frame shown.
class PreviewModel {
 public:
  using Clock = std::chrono::steady_clock;
  // How long the settings must stay as they are before the frame is rendered anew.
  static constexpr std::chrono::milliseconds kTypingPause{400};

  // `scan` reads the clips, as it does for the runs and the measure buttons.
  PreviewModel(const ConversionSettings& settings, Prompter& prompter, PreviewView& view,
               ClipScan& scan);
  ~PreviewModel();
  PreviewModel(const PreviewModel&) = delete;
  PreviewModel& operator=(const PreviewModel&) = delete;

  // The entries of the mode choice, in the order of PreviewMode.
  static std::span<const char* const> modeNames();

  // "Preview" (View menu and button): opens the window, asking for a clip when none is known.
  void Preview1Click();
  // "Choose clip...": asks for the clip (its left and right file where they are two).
  void Button_Preview_ClipClick();
  // The slider and the mode choice.
  void setFrame(std::int64_t frame);
  void setMode(int mode);
  // The headset view's sliders, in degrees: the look to the right (-180 to 180) and up (-90 to
  // 90).
  void setLook(int yawDeg, int pitchDeg);
  static constexpr int kMostYawDeg = 180;
  static constexpr int kMostPitchDeg = 90;
  // "Play" and "Pause" (the button and the space bar): plays from the slider's frame (from the
  // first where it stands at the last), or pauses at the frame shown.
  void Button_Preview_PlayClick();
  // "Step" back and forward (the buttons and the arrow keys): pauses, and shows the frame
  // `frames` away from the one shown.
  void Button_Preview_StepClick(int frames);
  // The room the window has for the picture, in pixels: the picture is made no larger.
  void setPictureBox(int width, int height);
  // The window was closed: nothing more is rendered for it.
  void closed();
  bool open() const { return open_; }

  // The main window's dialogs chose this clip (`right` empty where one file holds the views), and
  // perhaps measured it.
  void setClip(const std::string& left, const std::string& right,
               const std::optional<GeometryReport>& measured = std::nullopt);
  // A setting changed: the open window renders anew once the typing pauses.
  void settingsChanged(Clock::time_point now = Clock::now());

  // Takes in what the reading and rendering have done, and starts what is due. The window calls it
  // often (every few tens of milliseconds).
  void tick(Clock::time_point now = Clock::now());
  // Something is being read or rendered, or waits for the typing to pause.
  bool busy() const;
  // An ffmpeg run plays the clip.
  bool playing() const { return player_.playing(); }

  const PreviewState& state() const { return state_; }

 private:
  void requestAt(Clock::time_point when);
  void startPreparing();
  void startRendering();
  void finishRendering();
  void advancePlaying(Clock::time_point now);
  void pause();
  // Shows what the job tells beside its pictures.
  void takeIn(const PreviewJob& job);
  void fail(const std::string& message);
  void show();
  std::string clipCaption() const;

  const ConversionSettings& settings_;
  Prompter& prompter_;
  PreviewView& view_;
  bool open_ = false;
  std::string left_;
  std::string right_;
  std::optional<GeometryReport> measured_;  // what the main window measured of this clip
  PreviewState state_;
  // A rendering is asked for, and when it is due.
  bool pending_ = false;
  Clock::time_point due_;

  // The preparing thread alone touches these while `preparing_` is running.
  ConversionSettings prepared_;
  FramePreview frames_;
  std::future<PreviewJob> preparing_;
  std::optional<PreviewJob> job_;
  platform::ChildProcess rendering_;
  bool preparingPlay_ = false;  // what is being prepared is a playing run
  PreviewPlayer player_;
  int boxWidth_ = 960;
  int boxHeight_ = 540;
  std::string soundNote_;  // why the sound is not played, told once found
};

}  // namespace twinlens::window
