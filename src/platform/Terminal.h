#pragma once

namespace twinlens::platform {

// Whether the program's standard error is a terminal (a console on Windows), where a line can be
// written over in place.
bool standardErrorIsTerminal();

// While one lives, the terminal's Ctrl+C (and a request to terminate) no longer end the program at
// once: the program asks whether one came and ends what it started in its own way. One at a time.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  static bool requested();
};

}  // namespace twinlens::platform
