#pragma once

#include <cstdint>
#include <string>

#include "window/SoundOutput.h"

namespace twinlens::window {

// What the preview window shows besides its picture.
struct PreviewState {
  std::string clip;         // the clip's name and the frame shown: "left.mp4: frame 120 of 3000"
  std::string figures;      // the pair's geometry where it was measured, else empty
  std::string message;      // what is being done, the clip's notes, or why no picture is shown
  std::int64_t frame = 0;   // the slider's position
  std::int64_t frames = 0;  // its range: 0 to frames - 1; 0 while the clip is not read yet
  int mode = 0;             // the entry of the mode choice
  // The headset view's look, in degrees: to the right and up; its sliders are used in that mode.
  int yawDeg = 0;
  int pitchDeg = 0;
  bool looks = false;      // the headset view is chosen
  bool rendering = false;  // a picture is on its way
  bool playing = false;    // the clip plays, the slider following

  friend bool operator==(const PreviewState&, const PreviewState&) = default;
};

// What the preview's behaviour asks of the window that shows it.
class PreviewView {
 public:
  virtual ~PreviewView() = default;

  // The preview window opens, or comes to the front.
  virtual void showPreviewWindow() = 0;
  // Its picture: a BMP file's bytes (rows of blue, green and red), scaled to fit; empty for none.
  virtual void showPreviewPicture(const std::string& bmp) = 0;
  virtual void showPreviewState(const PreviewState& state) = 0;
  // What plays the sound with the picture; none where the window cannot play sound.
  virtual SoundOutput* previewSound() { return nullptr; }
};

}  // namespace twinlens::window
