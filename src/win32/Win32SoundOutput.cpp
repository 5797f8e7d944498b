#include "win32/Win32SoundOutput.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstring>

namespace twinlens::win32 {

Win32SoundOutput::~Win32SoundOutput() {
  stop();
}

std::string Win32SoundOutput::start(int sampleRate) {
  stop();
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  const MMRESULT opened = waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
  if (opened != MMSYSERR_NOERROR) {
    device_ = nullptr;
    char reason[MAXERRORLENGTH] = "";
    waveOutGetErrorTextA(opened, reason, sizeof reason);
    return std::string("The wave output cannot be opened: ") + reason;
  }
  sampleRate_ = sampleRate;
  bufferBytes_ = static_cast<std::size_t>(sampleRate / 20) * 4;
  for (std::size_t i = 0; i < kBuffers; ++i) {
    buffers_[i].assign(bufferBytes_, 0);
    headers_[i] = WAVEHDR{};
    headers_[i].lpData = buffers_[i].data();
    headers_[i].dwFlags = WHDR_DONE;  // free to fill
  }
  return {};
}

std::size_t Win32SoundOutput::write(std::string_view samples) {
  if (device_ == nullptr) return 0;
  std::size_t taken = 0;
  for (WAVEHDR& header : headers_) {
    if (taken == samples.size()) break;
    if ((header.dwFlags & WHDR_DONE) == 0) continue;
    if ((header.dwFlags & WHDR_PREPARED) != 0) {
      waveOutUnprepareHeader(device_, &header, sizeof header);
    }
    const std::size_t bytes = std::min(bufferBytes_, samples.size() - taken) / 4 * 4;
    if (bytes == 0) break;
    std::memcpy(header.lpData, samples.data() + taken, bytes);
    header.dwBufferLength = static_cast<DWORD>(bytes);
    header.dwFlags = 0;
    if (waveOutPrepareHeader(device_, &header, sizeof header) != MMSYSERR_NOERROR ||
        waveOutWrite(device_, &header, sizeof header) != MMSYSERR_NOERROR) {
      header.dwFlags = WHDR_DONE;
      break;
    }
    taken += bytes;
  }
  return taken;
}

double Win32SoundOutput::heardSeconds() {
  if (device_ == nullptr) return 0;
  MMTIME time{};
  time.wType = TIME_SAMPLES;
  if (waveOutGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
  if (time.wType == TIME_BYTES) return static_cast<double>(time.u.cb) / (sampleRate_ * 4.0);
  return static_cast<double>(time.u.sample) / sampleRate_;
}

void Win32SoundOutput::stop() {
  if (device_ == nullptr) return;
  waveOutReset(device_);
  for (WAVEHDR& header : headers_) {
    if ((header.dwFlags & WHDR_PREPARED) != 0) {
      waveOutUnprepareHeader(device_, &header, sizeof header);
    }
  }
  waveOutClose(device_);
  device_ = nullptr;
}

}  // namespace twinlens::win32
