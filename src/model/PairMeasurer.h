#pragma once

#include <string>

#include "model/ClipRecipe.h"
#include "model/GeometryReport.h"
#include "model/LensCircles.h"
#include "model/MediaInfo.h"

namespace twinlens {

// Measures how a clip's right view lies against its left view, and how deep its scene is, from
// the clip's pictures.
class PairMeasurer {
 public:
  virtual ~PairMeasurer() = default;
  // `layout`: the views in two files (Pair), or side by side or over and under in `left` alone.
  // `files` tells what each file holds, read once for the whole scan. Raises Error naming the
  // clip when it cannot be read, MeasurementRefused when its pictures cannot be measured.
  virtual GeometryReport measure(recipe::InputLayout layout, const std::string& left,
                                 const std::string& right, MediaProbe& files) = 0;
  // The same of a dual-fisheye recording's two eyes, each seen through a flat window straight
  // ahead, its pixels told as many to a radian as at the middle of the left eye's circle. A
  // measurer that cannot see through lenses refuses.
  virtual GeometryReport measureLenses(const std::string& file, const LensViews&, MediaProbe&) {
    throw MeasurementRefused("Cannot measure the geometry of \"" + file +
                             "\": its views are seen through lenses this measurement cannot read");
  }
  // The method and its parameters, which a measurement kept across runs is filed under, so that a
  // changed method measures again; empty: nothing it measures is kept.
  virtual std::string method() const { return {}; }
};

}  // namespace twinlens
