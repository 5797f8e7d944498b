#pragma once

#include "model/ClipRecipe.h"

namespace twinlens {

// Where each view's pictures are taken from under an Align step. The misalignment is a model of
// the rig: the right view's point of a left view's point (x, y), from the picture's centre, lies
//   dx = -r y + z x + t x x + s x y,  dy = v + r x + z y + t x y + s y y
// (r: sin roll, z: zoom, t and s: tan toe-in and tan tilt over the focal length). Each view
// takes out half of it, so neither carries all of it, and half of the convergence shift; both
// are enlarged by a common scale so that no empty border shows. With `full` off only the offset,
// the zoom and the convergence are corrected (what a source window can do).
class AlignWarp {
 public:
  struct Point {
    double x = 0;
    double y = 0;
  };

  AlignWarp(const recipe::Align& align, bool full);

  // The smallest enlargement (at least 1) that keeps every output point's source inside the
  // view. Raises Error when the correction needs more than half the picture again.
  double scale() const { return scale_; }

  // The point of the view as read (pixels from its top-left corner) that the view's output point
  // (in the same pixels) shows.
  Point source(View view, Point output) const;

  // The largest vertical error roll and keystones leave over the picture when only the offset,
  // zoom and convergence are corrected, in pixels.
  double uncorrectedVerticalPx() const;

 private:
  Point model(double x, double y) const;  // (dx, dy) at a centred point
  Point sourceAt(View view, Point output, double scale) const;
  bool fits(double scale) const;

  recipe::Align align_;
  double roll_ = 0;
  double zoom_ = 0;
  double toeIn_ = 0;
  double tilt_ = 0;
  double scale_ = 1;
};

}  // namespace twinlens
