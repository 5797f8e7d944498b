#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace twinlens::window {

// What plays the preview's sound: the window's sound device, fed 16-bit stereo samples as the
// preview reads them, and the clock the picture keeps time with while it plays.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;

  // Starts playing at `sampleRate` with nothing written yet; returns why it cannot, else empty.
  virtual std::string start(int sampleRate) = 0;
  // Takes what it has room for of `samples` (whole stereo samples, 4 bytes each); returns how many
  // bytes it took.
  virtual std::size_t write(std::string_view samples) = 0;
  // How much of what was written has been heard since `start`, in seconds.
  virtual double heardSeconds() = 0;
  virtual void stop() = 0;
};

}  // namespace twinlens::window
