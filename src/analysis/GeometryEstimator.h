#pragma once

#include <vector>

#include "analysis/GrayImage.h"
#include "model/GeometryReport.h"

namespace twinlens {

// Measures the geometry of a pair from its pictures: pieces of the left view found in the right
// view by phase correlation, coarse to fine; the vertical disparity fitted robustly by the model
// of a rig (offset, roll, zoom, toe-in and tilt keystones), and the horizontal disparity left
// once the model is taken out read as the scene's parallax.
class GeometryEstimator {
 public:
  static constexpr double kFieldOfViewDeg = GeometryReport::kFieldOfViewDeg;

  // One pair of grey pictures of one size.
  void add(const GrayImage& left, const GrayImage& right);

  // The figures, the pixel ones told in pixels of views `viewWidth` wide. Raises Error saying why
  // for a pair that cannot be measured (too little detail, no common picture, a pattern without
  // a clear match).
  GeometryReport report(int viewWidth) const;

 private:
  struct Match {
    double x = 0;  // the piece's centre in the left view, from the picture's centre
    double y = 0;
    double dx = 0;  // where it lies in the right view, relative
    double dy = 0;
    double weight = 0;
  };
  std::vector<Match> matches_;
  int width_ = 0;
  int frames_ = 0;
  int flat_ = 0;       // frames with a view of no detail
  int pieces_ = 0;     // looked for
  int ambiguous_ = 0;  // found more than once
};

}  // namespace twinlens
