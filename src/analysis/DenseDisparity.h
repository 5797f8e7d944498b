#pragma once

#include <vector>

#include "analysis/GrayImage.h"

namespace twinlens {

// The parallax of every pixel of a rectified pair (a point stands on the same row in both views)
// by semi-global matching: each pixel's cost of lying at each parallax is the Hamming distance of
// the census signatures of its neighbourhood in the two views (which an exposure that differs
// between the cameras does not change), smoothed along eight directions so that the pixels of a
// surface agree; the least smoothed cost is refined between whole parallaxes by matching the
// two views' windows, and the parallaxes smoothed by a median of each pixel's neighbours. A pixel
// is kept only where its least cost is clearly the least and the right view's own matching finds
// the same parallax back, so occluded pixels and those of a repeated pattern are left out.
class DenseDisparity {
 public:
  // Parallaxes searched, right minus left, in pixels: from `nearest` (negative: in front of the
  // screen) to `farthest`.
  DenseDisparity(int nearest, int farthest);

  struct Result {
    int width = 0;
    int height = 0;
    std::vector<float> parallax;  // per pixel, row by row; NaN where unknown
    int known = 0;                // pixels with a parallax
  };
  // Both pictures of one size.
  Result measure(const GrayImage& left, const GrayImage& right) const;

  // The parallax with each unknown run of a row given the parallax of the farther of its two
  // ends (an occlusion shows the background), or the line between them where they lie within a
  // pixel of each other (one surface), or its one end's at the picture's edge; NaN only in rows
  // without any known pixel.
  static std::vector<float> filled(const Result& result);

 private:
  int nearest_;
  int farthest_;
};

}  // namespace twinlens
