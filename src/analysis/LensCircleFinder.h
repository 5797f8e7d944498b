#pragma once

#include "analysis/GrayImage.h"
#include "model/LensCircles.h"

namespace twinlens {

// Finds the image circle of a fisheye lens: the lit disc with the black of the unlit sensor
// around it. The edge is followed along rays from the disc's middle, each placed between pixels
// where the picture crosses halfway between its levels just inside and just outside, and a circle
// is fitted to the edge robustly.
class LensCircleFinder {
 public:
  // The circle within the columns from `firstColumn`, `columns` wide, in pixels of the whole
  // picture. Raises Error saying why where those columns hold no clear circle (a picture lit to
  // its edges, an edge that is not round).
  static LensCircle find(const GrayBytes& picture, int firstColumn, int columns);

  // The circles of a dual-fisheye picture, one in each half.
  static LensCircles findBoth(const GrayBytes& picture);
};

}  // namespace twinlens
