// Pairs that real footage gives and small-parallax pairs do not: a hand a fifth of the width in
// front of the screen, a chessboard held up to a rig, a distant horizon far behind it, a flat
// wall, views of different exposure; each through a misaligned rig, with the depth it has.
#pragma once

#include <ostream>
#include <utility>
#include <vector>

#include "support/SyntheticPair.h"

namespace twinlens::synthetic {

struct HardCase {
  const char* name;
  Layers scene;
  Rig rig;
  double nearPermille;
  double farPermille;
  double exposure = 1;  // the right camera's gain
  double farTolerance = 2;
};

inline void PrintTo(const HardCase& c, std::ostream* out) {
  *out << c.name;
}

inline Layers layers(GrayImage background, GrayImage object, int x0, int y0, double farPx,
                     double nearPx) {
  return {std::move(background), std::move(object), x0, y0, farPx, nearPx};
}

// A wall with little on it: a gentle gradient and the grain of a camera.
inline GrayImage wall() {
  GrayImage picture = texture(41);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      picture.at(x, y) = static_cast<float>(90 + 0.05 * x + 0.04 * (picture.at(x, y) - 128));
    }
  }
  return picture;
}

inline std::vector<HardCase> hardCases() {
  const double w = kWidth;
  return {
      {"HandInFront",
       layers(texture(21), texture(22, 340, 300), 310, 120, 0.05 * w, -0.20 * w),
       {8, 0.5, 1, 0, 0},
       -200,
       50},
      {"Chessboard",
       layers(texture(23), chessboard(400, 300, 30), 280, 120, 0.02 * w, -0.10 * w),
       {12.8, 0, 0, 0, 0},
       -100,
       20,
       1,
       // A few of the board's pixels are matched a square pair (60 px) too far, where the board's
       // pattern repeats exactly; they set the far point.
       10},
      {"DistantHorizon",
       layers(texture(24), GrayImage(), 0, 0, 0.10 * w, 0),
       {-6, -0.3, 0.5, 0, 0},
       100,
       100},
      {"FlatWall",
       layers(wall(), texture(25, 200, 150), 380, 200, 0.01 * w, 0.01 * w),
       {4, 0.2, 0, 0, 0},
       10,
       10},
      {"ExposureDiffers",
       layers(texture(26), GrayImage(), 0, 0, 0.03 * w, 0),
       {5, 0.2, -0.5, 0, 0},
       30,
       30,
       0.6},
  };
}

// The right view of a case as its camera gives it.
inline std::pair<GrayImage, GrayImage> hardPair(const HardCase& c) {
  auto pair = layeredPair(c.scene, c.rig);
  for (float& value : pair.second.pixels) {
    value = static_cast<float>(value * c.exposure + 20 * (1 - c.exposure));
  }
  return pair;
}

}  // namespace twinlens::synthetic
