#include "model/AlignWarp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/Error.h"

namespace twinlens {

namespace {

constexpr double kLargestScale = 1.5;
constexpr int kEdgePoints = 8;  // checked along each edge, corners included

// The horizontal field of view the keystones are told for.
constexpr double kFieldOfViewDeg = GeometryReport::kFieldOfViewDeg;

double radians(double degrees) {
  return degrees * std::numbers::pi / 180;
}

}  // namespace

AlignWarp::AlignWarp(const recipe::Align& align, bool full) : align_(align) {
  const double focal = (align.width / 2.0) / std::tan(radians(kFieldOfViewDeg / 2));
  zoom_ = align.zoomPercent / 100;
  if (full) {
    roll_ = std::sin(radians(align.rollDeg));
    toeIn_ = std::tan(radians(align.toeInDeg)) / focal;
    tilt_ = std::tan(radians(align.tiltDeg)) / focal;
  }
  if (!fits(kLargestScale)) {
    throw Error(
        "The views are too far apart to align: the correction would need more than half "
        "the picture again");
  }
  double low = 1;
  double high = kLargestScale;
  if (fits(low)) {
    high = low;
  } else {
    for (int i = 0; i < 40; ++i) {
      const double middle = (low + high) / 2;
      (fits(middle) ? high : low) = middle;
    }
  }
  scale_ = high;
}

AlignWarp::Point AlignWarp::model(double x, double y) const {
  return {-roll_ * y + zoom_ * x + toeIn_ * x * x + tilt_ * x * y,
          align_.verticalPx + roll_ * x + zoom_ * y + toeIn_ * x * y + tilt_ * y * y};
}

AlignWarp::Point AlignWarp::sourceAt(View view, Point output, double scale) const {
  const double cx = align_.width / 2.0;
  const double cy = align_.height / 2.0;
  const double x = (output.x - cx) / scale;
  const double y = (output.y - cy) / scale;
  // The left view's point whose pair lies symmetrically about the output point: left + d(left)/2
  // at the output point, found by iterating (the model moves little across a pixel).
  Point left{x, y};
  for (int i = 0; i < 6; ++i) {
    const Point d = model(left.x, left.y);
    left = {x - d.x / 2, y - d.y / 2};
  }
  const double shift = align_.convergencePx / 2;
  if (view == View::Left) return {cx + left.x + shift, cy + left.y};
  const Point d = model(left.x, left.y);
  return {cx + left.x + d.x - shift, cy + left.y + d.y};
}

AlignWarp::Point AlignWarp::source(View view, Point output) const {
  return sourceAt(view, output, scale_);
}

bool AlignWarp::fits(double scale) const {
  const double w = align_.width;
  const double h = align_.height;
  const double slack = 1e-6;
  for (const View view : {View::Left, View::Right}) {
    for (int i = 0; i <= kEdgePoints; ++i) {
      const double f = static_cast<double>(i) / kEdgePoints;
      for (const Point edge :
           {Point{f * w, 0}, Point{f * w, h}, Point{0, f * h}, Point{w, f * h}}) {
        const Point at = sourceAt(view, edge, scale);
        if (at.x < -slack || at.x > w + slack || at.y < -slack || at.y > h + slack) return false;
      }
    }
  }
  return true;
}

double AlignWarp::uncorrectedVerticalPx() const {
  const double focal = (align_.width / 2.0) / std::tan(radians(kFieldOfViewDeg / 2));
  const double roll = std::sin(radians(align_.rollDeg));
  const double toeIn = std::tan(radians(align_.toeInDeg)) / focal;
  const double tilt = std::tan(radians(align_.tiltDeg)) / focal;
  double largest = 0;
  const double hw = align_.width / 2.0;
  const double hh = align_.height / 2.0;
  for (const double x : {-hw, 0.0, hw}) {
    for (const double y : {-hh, 0.0, hh}) {
      largest = std::max(largest, std::abs(roll * x + toeIn * x * y + tilt * y * y));
    }
  }
  return largest;
}

}  // namespace twinlens
