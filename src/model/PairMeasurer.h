#pragma once

#include <string>

#include "model/ClipRecipe.h"
#include "model/GeometryReport.h"

namespace twinlens {

// Measures how a clip's right view lies against its left view, and how deep its scene is, from
// the clip's pictures.
class PairMeasurer {
 public:
  virtual ~PairMeasurer() = default;
  // `layout`: the views in two files (Pair), or side by side or over and under in `left` alone.
  // Raises Error naming the clip when it cannot be read or measured.
  virtual GeometryReport measure(recipe::InputLayout layout, const std::string& left,
                                 const std::string& right) = 0;
};

}  // namespace twinlens
