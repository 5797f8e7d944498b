#pragma once

#include <cmath>
#include <numbers>

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

// The square around a circle, `side` pixels from (`x`, `y`): its edges lie `radius` from the
// centre, which is a pixel's middle. It may reach past the picture, which is black there.
struct EyeSquare {
  int x = 0;
  int y = 0;
  int side = 0;
};
inline EyeSquare squareAround(const LensCircle& c) {
  EyeSquare square;
  square.side = static_cast<int>(std::lround(2 * c.radius));
  square.x = static_cast<int>(std::lround(c.centreX + 0.5 - square.side / 2.0));
  square.y = static_cast<int>(std::lround(c.centreY + 0.5 - square.side / 2.0));
  return square;
}

// The two eyes of a dual-fisheye recording: its circles, the lens's field of view across each
// (an equidistant fisheye), and whether the right eye's circle is on the picture's left half.
struct LensViews {
  LensCircles circles;
  double fieldOfViewDeg = 180;
  bool viewsSwapped = false;

  const LensCircle& leftEye() const { return viewsSwapped ? circles.rightHalf : circles.leftHalf; }
  const LensCircle& rightEye() const { return viewsSwapped ? circles.leftHalf : circles.rightHalf; }
  // The eye's pixels to a radian at its circle's middle, the left eye's.
  double pixelsPerRadian() const {
    return 2 * leftEye().radius / (fieldOfViewDeg * std::numbers::pi / 180);
  }
};

}  // namespace twinlens
