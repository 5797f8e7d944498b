#pragma once

#include <string>
#include <vector>

#include "base/Error.h"

namespace twinlens {

// How deep a scene's parallax takes a television screen's viewers, after a broadcaster's
// guideline: green within -10 and +20 per mille of the width; amber within -25 and +40 per mille
// with a range of at most 30; red beyond.
enum class DepthVerdict { Green, Amber, Red };
DepthVerdict depthVerdict(double nearPermille, double farPermille);
const char* depthVerdictName(DepthVerdict verdict);

// The shift of "Automatic" convergence, in per mille of the width (positive: the scene moves
// behind the screen): the near point 3 per mille behind the screen, unless that takes the far
// point beyond +20 per mille; then the far point at +20.
double automaticConvergence(double nearPermille, double farPermille);

// A pair whose pictures cannot be measured with any trust: too little detail, no common picture,
// a pattern without a clear match. A run converts such a clip as it is and says why.
class MeasurementRefused : public Error {
 public:
  using Error::Error;
};

// How a pair's right view lies against its left view, and how deep the scene is.
struct GeometryReport {
  // The horizontal field of view the keystones are told for: a usual camera's.
  static constexpr double kFieldOfViewDeg = 60;
  // Below this share of the picture matched pixel by pixel (real pairs match 60 to 90 %, a flat
  // or repeating picture far less), the pieces that fit the rig tell the depth instead.
  static constexpr double kMinMatchedShare = 0.25;

  // The error of a model over its correspondences, in pixels of the view.
  struct Error {
    double mean = 0;
    double p95 = 0;
    friend bool operator==(const Error&, const Error&) = default;
  };
  double verticalOffsetPx = 0;  // the right view's picture lower by this much at the centre
  double rollDeg = 0;           // turned clockwise by this much
  double zoomPercent = 0;       // larger by this much
  double toeInDeg = 0;          // the keystone of cameras turned towards each other
  double tiltDeg = 0;           // the keystone of cameras tilted against each other
  double fieldOfViewDeg = 0;    // the horizontal field of view the keystones assume
  Error verticalBefore;         // the views' vertical disparity as they are
  Error verticalAfter;          // what is left once the misalignment is corrected
  // The horizontal parallax (right minus left) of the aligned pair in per mille of the width:
  // the near point (1st percentile, negative in front of the screen) and the far point (99th).
  double parallaxNearPermille = 0;
  double parallaxFarPermille = 0;
  double confidence = 0;    // 0 to 1: the share of the pieces looked for that fit the rig's model
  double matchedShare = 0;  // 0 to 1: the share of the pixels whose parallax was matched
  int frames = 0;
  int correspondences = 0;
  // The size of the views the pixel figures are told in.
  int viewWidth = 0;
  int viewHeight = 0;

  // The lines shown to the user, and the report as one JSON object.
  std::vector<std::string> lines() const;
  std::string json() const;

  friend bool operator==(const GeometryReport&, const GeometryReport&) = default;
};

}  // namespace twinlens
