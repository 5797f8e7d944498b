#pragma once

#include <optional>

#include "engines/Engine.h"
#include "run/EncodeRun.h"
#include "window/EncodeView.h"

namespace twinlens::window {

// The encoding window's behaviour: the ffmpeg engine's runner, started by a conversion of the
// window, followed clip by clip (which clip of how many, its percentage and the time left), with
// Cancel, which stops ffmpeg and leaves no partial file. At the end it lists each output with its
// result (a failed clip with ffmpeg's last error line) and opens the outputs' folder.
class EncodeModel {
 public:
  explicit EncodeModel(EncodeView& view) : view_(view) {}

  // Starts the runner and opens the window. Returns the reason it could not be started, else "";
  // encodes still running are not given up for it.
  std::string start(const ProgramStart& runner);
  // Takes in how far the runner is; the window calls it often.
  void tick();
  bool running() const { return run_.status().running; }

  void Button_CancelClick();
  void Button_Open_FolderClick();

  const EncodeState& state() const { return state_; }

 private:
  void show();

  EncodeView& view_;
  EncodeRun run_;
  EncodeState state_;
};

}  // namespace twinlens::window
