#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "window/SoundOutput.h"

namespace twinlens::win32 {

// The preview's sound through the Windows wave output: a ring of buffers the device plays one
// after another, refilled as they come back.
class Win32SoundOutput : public window::SoundOutput {
 public:
  Win32SoundOutput() = default;
  ~Win32SoundOutput() override;
  Win32SoundOutput(const Win32SoundOutput&) = delete;
  Win32SoundOutput& operator=(const Win32SoundOutput&) = delete;

  std::string start(int sampleRate) override;
  std::size_t write(std::string_view samples) override;
  double heardSeconds() override;
  void stop() override;

 private:
  static constexpr std::size_t kBuffers = 8;
  HWAVEOUT device_ = nullptr;
  int sampleRate_ = 0;
  std::size_t bufferBytes_ = 0;  // a twentieth of a second each
  std::array<WAVEHDR, kBuffers> headers_{};
  std::array<std::vector<char>, kBuffers> buffers_;
};

}  // namespace twinlens::win32
