#pragma once

#include <string>

#include "analysis/FfmpegFrameSampler.h"
#include "analysis/GeometryEstimator.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The geometry of a clip's pair from frames sampled over it, read through the ffmpeg program.
class FfmpegGeometryMeasurer {
 public:
  explicit FfmpegGeometryMeasurer(const ConversionSettings& settings);

  // `views`: "pair" (two files), "side-by-side" or "over-under" (one file). Raises Error with a
  // message naming the clip when it cannot be read or measured.
  GeometryReport measure(const std::string& views, const std::string& left,
                         const std::string& right, int frames);

  static constexpr int kDefaultFrames = 24;
  // The width the pictures are measured at (narrower views at their own).
  static constexpr int kWorkingWidth = 960;

 private:
  FfmpegFrameSampler sampler_;
  ConversionSettings settings_;
};

}  // namespace twinlens
