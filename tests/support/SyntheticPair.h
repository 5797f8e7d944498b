// Generated pairs of known geometry: a textured left view, and a right view drawn from it through
// a rig's misalignment (vertical offset, roll, zoom, toe-in and tilt keystones) and a scene's
// depth.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <utility>

#include "analysis/GeometryEstimator.h"
#include "analysis/GrayImage.h"

namespace twinlens::synthetic {

constexpr int kWidth = 960;  // the size the tests measure at
constexpr int kHeight = 540;

inline double sample(const GrayImage& picture, double x, double y) {
  x = std::clamp(x, 0.0, picture.width - 1.001);
  y = std::clamp(y, 0.0, picture.height - 1.001);
  const int x0 = static_cast<int>(x);
  const int y0 = static_cast<int>(y);
  const double fx = x - x0;
  const double fy = y - y0;
  return (1 - fy) * ((1 - fx) * picture.at(x0, y0) + fx * picture.at(x0 + 1, y0)) +
         fy * ((1 - fx) * picture.at(x0, y0 + 1) + fx * picture.at(x0 + 1, y0 + 1));
}

// Smooth blotches over finer grain, as a scene's surfaces give.
inline GrayImage texture(unsigned seed, int width = kWidth, int height = kHeight) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(0, 255);
  auto noise = [&](int step) {
    GrayImage coarse(width / step + 2, height / step + 2);
    for (float& p : coarse.pixels) p = static_cast<float>(value(random));
    return coarse;
  };
  const GrayImage large = noise(24);
  const GrayImage small = noise(4);
  GrayImage picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.at(x, y) = static_cast<float>(0.6 * sample(large, x / 24.0, y / 24.0) +
                                            0.4 * sample(small, x / 4.0, y / 4.0));
    }
  }
  return picture;
}

struct Rig {
  double vertical = 0;  // px
  double rollDeg = 0;
  double zoomPercent = 0;
  double toeInDeg = 0;
  double tiltDeg = 0;
  // The scene's parallax at a place of the left view (centred coordinates), in pixels.
  std::function<double(double x, double y)> depth = [](double, double) { return 0.0; };
};

// Where a point of the left view (centred coordinates) lies in the right view: its parallax
// puts it where a true rig's right camera would show it, and the rig's turn, zoom and keystones
// (each camera's half of them about its own centre) move it as the place halfway between.
inline std::pair<double, double> moved(const Rig& rig, double x, double y, int width) {
  const double focal =
      (width / 2.0) / std::tan(GeometryEstimator::kFieldOfViewDeg / 2 * std::numbers::pi / 180);
  const double roll = std::sin(rig.rollDeg * std::numbers::pi / 180);
  const double zoom = rig.zoomPercent / 100;
  const double toeIn = std::tan(rig.toeInDeg * std::numbers::pi / 180) / focal;
  const double tilt = std::tan(rig.tiltDeg * std::numbers::pi / 180) / focal;
  const double parallax = rig.depth(x, y);
  const double middle = x + parallax / 2;
  const double dx = -roll * y + zoom * middle + toeIn * middle * middle + tilt * middle * y;
  const double dy = rig.vertical + roll * middle + zoom * y + toeIn * middle * y + tilt * y * y;
  return {x + parallax + dx, y + dy};
}

// The point of the left view (centred coordinates) that the rig moves to (x, y) of the right
// view, by undoing the movement.
inline std::pair<double, double> unmoved(const Rig& rig, double x, double y, int width) {
  double lx = x;
  double ly = y;
  for (int i = 0; i < 6; ++i) {
    const auto [mx, my] = moved(rig, lx, ly, width);
    lx += x - mx;
    ly += y - my;
  }
  return {lx, ly};
}

// The right view: each of its pixels found in the left view by undoing the movement.
inline GrayImage rightView(const GrayImage& left, const Rig& rig) {
  GrayImage right(left.width, left.height);
  const double cx = left.width / 2.0;
  const double cy = left.height / 2.0;
  for (int y = 0; y < left.height; ++y) {
    for (int x = 0; x < left.width; ++x) {
      const auto [lx, ly] = unmoved(rig, x - cx, y - cy, left.width);
      right.at(x, y) = static_cast<float>(sample(left, lx + cx, ly + cy));
    }
  }
  return right;
}

// A scene of two layers: a flat object (its own picture, placed at `x0`, `y0` of the left view)
// in front of a background, each at a parallax of its own in pixels, seen through the rig. The
// object hides what lies behind it in each view.
struct Layers {
  GrayImage background;
  GrayImage object;
  int x0 = 0;
  int y0 = 0;
  double farPx = 0;
  double nearPx = 0;
};

inline std::pair<GrayImage, GrayImage> layeredPair(const Layers& scene, const Rig& rig) {
  const GrayImage& back = scene.background;
  GrayImage left = back;
  for (int y = 0; y < scene.object.height; ++y) {
    for (int x = 0; x < scene.object.width; ++x) {
      left.at(scene.x0 + x, scene.y0 + y) = scene.object.at(x, y);
    }
  }
  Rig behind = rig;
  behind.depth = [d = scene.farPx](double, double) { return d; };
  Rig front = rig;
  front.depth = [d = scene.nearPx](double, double) { return d; };
  GrayImage right(back.width, back.height);
  const double cx = back.width / 2.0;
  const double cy = back.height / 2.0;
  for (int y = 0; y < back.height; ++y) {
    for (int x = 0; x < back.width; ++x) {
      const auto [ox, oy] = unmoved(front, x - cx, y - cy, back.width);
      const double inX = ox + cx - scene.x0;
      const double inY = oy + cy - scene.y0;
      if (inX >= 0 && inY >= 0 && inX <= scene.object.width - 1 && inY <= scene.object.height - 1) {
        right.at(x, y) = static_cast<float>(sample(scene.object, inX, inY));
      } else {
        const auto [bx, by] = unmoved(behind, x - cx, y - cy, back.width);
        right.at(x, y) = static_cast<float>(sample(back, bx + cx, by + cy));
      }
    }
  }
  return {left, right};
}

// A chessboard of `square`-pixel squares, softened a little as a lens does.
inline GrayImage chessboard(int width, int height, int square) {
  GrayImage board(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = std::sin(std::numbers::pi * (x + 0.5) / square);
      const double v = std::sin(std::numbers::pi * (y + 0.5) / square);
      board.at(x, y) = static_cast<float>(128 + 100 * std::clamp(6 * u * v, -1.0, 1.0));
    }
  }
  return board;
}

}  // namespace twinlens::synthetic
