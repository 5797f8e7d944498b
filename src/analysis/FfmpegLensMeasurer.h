#pragma once

#include <string>

#include "media/FfmpegFrameSampler.h"
#include "model/ConversionSettings.h"
#include "model/LensMeasurer.h"

namespace twinlens {

// The lens circles of a dual-fisheye clip from a few frames spread over it, at full size, read
// through the ffmpeg program: what is lit in any of them is within the circles.
class FfmpegLensMeasurer : public LensMeasurer {
 public:
  static constexpr int kFrames = 3;
  // Raised whenever the finding changes what it finds, so that kept circles are found again.
  static constexpr int kMethodVersion = 1;

  explicit FfmpegLensMeasurer(const ConversionSettings& settings);

  LensCircles measure(const std::string& file, MediaProbe& files) override;
  std::string method() const override;

 private:
  FfmpegFrameSampler sampler_;
};

}  // namespace twinlens
