#pragma once

#include <string>

#include "analysis/HistogramMatch.h"
#include "media/FfmpegFrameSampler.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The colour matching of the ffmpeg engine: frames sampled evenly over both views (sought and
// decoded one by one by the ffmpeg program, the chosen one or the one on the search path, so that
// nothing else of the clips is read), and per channel the table that gives the changed view the
// reference's distribution of values.
class FfmpegColourMatcher {
 public:
  explicit FfmpegColourMatcher(const ConversionSettings& settings);

  // The tables for the view that is not the reference. `views` tells how the clip holds its
  // views: "pair" (two files), "side-by-side" or "over-under" (one file). Raises Error when a clip
  // cannot be read.
  ChannelTables tables(const std::string& views, const std::string& left, const std::string& right,
                       bool leftIsReference);

  // How many frames of each view are looked at.
  static constexpr std::size_t kSamples = 24;

 private:
  RgbHistograms histogramsOf(const std::string& file, const std::string& crop) const;

  FfmpegFrameSampler sampler_;
};

}  // namespace twinlens
