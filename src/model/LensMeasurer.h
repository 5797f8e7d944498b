#pragma once

#include <string>

#include "model/LensCircles.h"
#include "model/MediaInfo.h"

namespace twinlens {

// Finds the image circles of a dual-fisheye recording from its pictures.
class LensMeasurer {
 public:
  virtual ~LensMeasurer() = default;
  // The circles of `file` (`files` tells what it holds, read once for the whole scan). Raises
  // Error naming the file and saying why where they cannot be found.
  virtual LensCircles measure(const std::string& file, MediaProbe& files) = 0;
  // The method, which circles kept across runs are filed under; empty: nothing is kept.
  virtual std::string method() const { return {}; }
};

}  // namespace twinlens
