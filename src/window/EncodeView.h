#pragma once

#include <string>
#include <vector>

namespace twinlens::window {

// What the encoding window shows.
struct EncodeState {
  std::string clip;                  // "Clip 2 of 5: a_LR.mkv", or how the encodes ended
  int clipPercent = 0;               // of the clip being encoded
  int percent = 0;                   // of all the clips
  std::string timeLeft;              // "1:05 left"; empty while unknown
  std::vector<std::string> results;  // one line per output of the clips that ended
  bool running = false;              // Cancel stops it; once ended the window offers the folder

  friend bool operator==(const EncodeState&, const EncodeState&) = default;
};

// What the encodes' behaviour asks of the window that shows them.
class EncodeView {
 public:
  virtual ~EncodeView() = default;

  // The encoding window opens, or comes to the front.
  virtual void showEncodeWindow() = 0;
  virtual void showEncodeState(const EncodeState& state) = 0;
  // Opens a folder in the desktop's file manager.
  virtual void openFolder(const std::string& folder) = 0;
};

}  // namespace twinlens::window
