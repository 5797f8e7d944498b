#pragma once

#include <optional>

#include "model/GeometryReport.h"
#include "model/LensCircles.h"
#include "model/MediaInfo.h"

namespace twinlens {

// What a scan reads of each clip: the streams of its left and its right file (the stream
// headers, through ffprobe), and the measurements the settings ask for.
struct ScanRequest {
  bool leftFile = false;
  bool rightFile = false;
  bool geometry = false;  // how the right view lies against the left view, and the scene's depth
  // The streams' headers alone, for one frame of a long clip; else every packet is counted, which
  // finds unevenly spaced frames and counts the frames exactly.
  bool headersOnly = false;
  bool lensCircles = false;  // where a dual-fisheye recording's two image circles lie

  bool any() const { return leftFile || rightFile || geometry || lensCircles; }
  friend bool operator==(const ScanRequest&, const ScanRequest&) = default;
};

// What the scan read of one clip's files, as its request asked: all a clip's recipe needs to
// know of the footage.
struct ClipFacts {
  std::optional<MediaInfo> left = std::nullopt;
  std::optional<MediaInfo> right = std::nullopt;  // where one file holds both views, the left's
  std::optional<GeometryReport> geometry = std::nullopt;
  // Why the pair's geometry could not be measured with any trust, where it was asked: the run
  // then converts the clip as it is.
  std::string geometryRefused = {};
  std::optional<LensCircles> lensCircles = std::nullopt;

  // The geometry measured; raises MeasurementRefused saying why where it could not be.
  const GeometryReport& measuredGeometry() const {
    if (!geometry) throw MeasurementRefused(geometryRefused);
    return *geometry;
  }

  friend bool operator==(const ClipFacts&, const ClipFacts&) = default;
};

}  // namespace twinlens
