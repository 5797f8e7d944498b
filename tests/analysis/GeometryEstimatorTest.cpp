// The geometry of generated pairs: a textured left view, and a right view drawn from it through a
// rig's known misalignment (vertical offset, roll, zoom, toe-in and tilt keystones) and a scene
// of known depth; what the estimator finds against the truth, and the pairs it must refuse.
#include "analysis/GeometryEstimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 540;

double sample(const GrayImage& picture, double x, double y) {
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
GrayImage texture(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(0, 255);
  auto noise = [&](int step) {
    GrayImage coarse(kWidth / step + 2, kHeight / step + 2);
    for (float& p : coarse.pixels) p = static_cast<float>(value(random));
    return coarse;
  };
  const GrayImage large = noise(24);
  const GrayImage small = noise(4);
  GrayImage picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
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

// Where a point of the left view (centred coordinates) lies in the right view.
std::pair<double, double> moved(const Rig& rig, double x, double y) {
  const double focal =
      (kWidth / 2.0) / std::tan(GeometryEstimator::kFieldOfViewDeg / 2 * std::numbers::pi / 180);
  const double roll = std::sin(rig.rollDeg * std::numbers::pi / 180);
  const double zoom = rig.zoomPercent / 100;
  const double toeIn = std::tan(rig.toeInDeg * std::numbers::pi / 180) / focal;
  const double tilt = std::tan(rig.tiltDeg * std::numbers::pi / 180) / focal;
  const double dx = rig.depth(x, y) - roll * y + zoom * x + toeIn * x * x + tilt * x * y;
  const double dy = rig.vertical + roll * x + zoom * y + toeIn * x * y + tilt * y * y;
  return {x + dx, y + dy};
}

// The right view: each of its pixels found in the left view by undoing the movement.
GrayImage rightView(const GrayImage& left, const Rig& rig) {
  GrayImage right(kWidth, kHeight);
  const double cx = kWidth / 2.0;
  const double cy = kHeight / 2.0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double lx = x - cx;
      double ly = y - cy;
      for (int i = 0; i < 6; ++i) {
        const auto [mx, my] = moved(rig, lx, ly);
        lx += (x - cx) - mx;
        ly += (y - cy) - my;
      }
      right.at(x, y) = static_cast<float>(sample(left, lx + cx, ly + cy));
    }
  }
  return right;
}

struct Case {
  const char* name;
  Rig rig;
  double nearPermille = 0;  // the scene's parallax, as the depth gives it
  double farPermille = 0;
};

class GeometryEstimate : public ::testing::TestWithParam<Case> {};

TEST_P(GeometryEstimate, IsFoundAsTheRigMadeIt) {
  const Case& c = GetParam();
  GeometryEstimator estimator;
  for (unsigned seed = 1; seed <= 2; ++seed) {
    const GrayImage left = texture(seed);
    estimator.add(left, rightView(left, c.rig));
  }
  // Told for views twice as wide as measured.
  const GeometryReport report = estimator.report(2 * kWidth);
  EXPECT_NEAR(report.verticalOffsetPx, 2 * c.rig.vertical, 0.2);
  EXPECT_NEAR(report.rollDeg, c.rig.rollDeg, 0.02);
  EXPECT_NEAR(report.zoomPercent, c.rig.zoomPercent, 0.05);
  EXPECT_NEAR(report.toeInDeg, c.rig.toeInDeg, 0.1);
  EXPECT_NEAR(report.tiltDeg, c.rig.tiltDeg, 0.1);
  EXPECT_LT(report.verticalAfter.mean, 0.15);
  EXPECT_LT(report.verticalAfter.p95, 0.4);
  EXPECT_NEAR(report.parallaxNearPermille, c.nearPermille, 1.0);
  EXPECT_NEAR(report.parallaxFarPermille, c.farPermille, 1.0);
  EXPECT_GT(report.confidence, 0.5);
  EXPECT_EQ(report.frames, 2);
}

// A scene 15 per mille behind the screen, and in its middle a round object 8 per mille in front.
double objectBeforeAWall(double x, double y) {
  return kWidth * (x * x + y * y < 120 * 120 ? -8 : 15) / 1000.0;
}

INSTANTIATE_TEST_SUITE_P(
    Rigs, GeometryEstimate,
    ::testing::Values(
        Case{"Aligned", {}}, Case{"LowerByThirteenPixels", {6.4}}, Case{"Rolled", {0, 1.2}},
        Case{"Zoomed", {0, 0, -2.5}}, Case{"ToedIn", {0, 0, 0, 0.8}},
        Case{"Tilted", {0, 0, 0, 0, -0.7}}, Case{"EverythingAtOnce", {-9.5, -0.8, 1.5, -0.5, 0.4}},
        Case{"DeepSceneBehindARolledView", {3, 0.6, 0, 0, 0, objectBeforeAWall}, -8, 15}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GeometryEstimate, PairsWithoutAClearMatchAreRefused) {
  const GrayImage flat(kWidth, kHeight);
  GrayImage stripes(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) stripes.at(x, y) = (x / 4 + y / 4) % 2 ? 200.0f : 40.0f;
  }
  const std::pair<GrayImage, GrayImage> pairs[] = {
      {flat, flat}, {texture(1), texture(2)}, {stripes, stripes}};
  const char* const messages[] = {
      "the pictures hold too little detail to match (a black or flat view)",
      "the views show no common picture that could be matched",
      "the views repeat a pattern without a clear match"};
  for (std::size_t i = 0; i < 3; ++i) {
    GeometryEstimator estimator;
    estimator.add(pairs[i].first, pairs[i].second);
    EXPECT_EQ(test::messageOf([&] { estimator.report(kWidth); }), messages[i]);
  }
}

}  // namespace
}  // namespace twinlens
