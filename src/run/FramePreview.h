#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ConversionSettings.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// One frame of a clip through its real conversion, as a PNG picture: the clip's recipe from the
// settings (its files read, its geometry measured where the settings ask for it, its colour tables
// made where its colours are matched), rendered by the ffmpeg engine's graphs with the inputs
// sought near the frame. One object kept for a window's previews reads each file and measures
// each pair once while they stay as they are.
class FramePreview {
 public:
  // Where in the clip: a frame of the primary output, or a time on it.
  struct Where {
    std::optional<std::int64_t> frame;
    std::optional<double> seconds;
  };

  // `probe` and `measurer`: ffprobe and the ffmpeg program when null.
  explicit FramePreview(const ConversionSettings& settings, MediaProbe* probe = nullptr,
                        PairMeasurer* measurer = nullptr);

  // Renders the frame of the clip of `left` and `right` (`right` empty where one file holds the
  // views) into `png`, which is replaced whole or not at all. Returns what the user should know:
  // the clip's notes, and where the preview differs from the chosen engine's conversion. Raises
  // Error saying why a frame cannot be shown.
  std::vector<std::string> render(const std::string& left, const std::string& right, Where where,
                                  PreviewMode mode, const std::string& png);

 private:
  const ConversionSettings& settings_;
  MediaProbe* probe_;
  PairMeasurer* measurer_;
  // What was read of each file and measured of each pair, by the files as they were.
  std::map<std::string, MediaInfo> media_;
  std::map<std::string, GeometryReport> geometry_;
};

}  // namespace twinlens
