#pragma once

#include <string>
#include <vector>

#include "media/SoundSource.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The clips' sound as the ffmpeg program decodes it (the chosen ffmpeg, else the one on the search
// path), through a pipe as 32-bit float samples; their timing from ffprobe.
class FfmpegSoundSource : public SoundSource {
 public:
  explicit FfmpegSoundSource(const ConversionSettings& settings);

  ClipTiming timing(const std::string& file) override;
  std::vector<float> sound(const std::string& file, double start, double seconds,
                           int sampleRate) override;

 private:
  const ConversionSettings& settings_;
  std::string program_;
};

}  // namespace twinlens
