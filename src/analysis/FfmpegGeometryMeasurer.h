#pragma once

#include <string>

#include "analysis/GeometryEstimator.h"
#include "media/FfmpegFrameSampler.h"
#include "model/ConversionSettings.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// The geometry of a clip's pair from frames sampled over it, read through the ffmpeg program.
class FfmpegGeometryMeasurer : public PairMeasurer {
 public:
  static constexpr int kDefaultFrames = 24;

  // `frames`: how many frames, spread over the clip, are measured.
  explicit FfmpegGeometryMeasurer(const ConversionSettings& settings, int frames = kDefaultFrames);

  GeometryReport measure(recipe::InputLayout layout, const std::string& left,
                         const std::string& right, MediaProbe& files) override;
  GeometryReport measureLenses(const std::string& file, const LensViews& lenses,
                               MediaProbe& files) override;
  std::string method() const override;

  // The width the pictures are measured at (narrower views at their own).
  static constexpr int kWorkingWidth = 960;
  // Raised whenever the measurement changes what it finds, so that kept measurements are made
  // again.
  static constexpr int kMethodVersion = 3;
  // The field of view each eye of a dual-fisheye recording is measured through, across and up.
  static constexpr int kWindowFovDeg = 90;

 private:
  // How the two views are seen: each file's filter to its view, the views' size as the report
  // tells it, the width they are measured at, and the clip as its errors name it.
  struct Sight {
    std::string leftFilter;
    std::string rightFile;
    std::string rightFilter;
    int viewWidth = 0;
    int viewHeight = 0;
    int workingWidth = 0;
    std::string named;
  };
  GeometryReport measureSight(const std::string& left, const MediaInfo& media,
                              const MediaInfo& rightMedia, const Sight& sight);

  FfmpegFrameSampler sampler_;
  int frames_;
};

}  // namespace twinlens
