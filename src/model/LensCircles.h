#pragma once

namespace twinlens {

// A fisheye lens's image circle in the picture: its centre and radius in pixels of the whole
// frame (0,0 the top left pixel's centre).
struct LensCircle {
  double centreX = 0;
  double centreY = 0;
  double radius = 0;
  friend bool operator==(const LensCircle&, const LensCircle&) = default;
};

// The two image circles of a dual-fisheye recording: in the picture's left half and its right
// half (which eye each shows depends on the lens).
struct LensCircles {
  LensCircle leftHalf;
  LensCircle rightHalf;
  friend bool operator==(const LensCircles&, const LensCircles&) = default;
};

}  // namespace twinlens
