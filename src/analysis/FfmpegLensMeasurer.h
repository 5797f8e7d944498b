#pragma once

#include <string>

#include "media/FfmpegFrameSampler.h"
#include "model/ConversionSettings.h"
#include "model/LensMeasurer.h"

namespace twinlens {

// The lens circles of a dual-fisheye clip from its middle frame at full size, read through the
// ffmpeg program, or where that frame is too dark, from the brightest of a few frames spread over
// the clip: what is lit in any of them is within the circles.
class FfmpegLensMeasurer : public LensMeasurer {
 public:
  static constexpr int kFrames = 3;
  // Raised whenever the finding changes what it finds, so that kept circles are found again.
  static constexpr int kMethodVersion = 2;

  explicit FfmpegLensMeasurer(const ConversionSettings& settings);

  LensCircles measure(const std::string& file, MediaProbe& files) override;
  std::string method() const override;

 private:
  FfmpegFrameSampler sampler_;
};

}  // namespace twinlens
