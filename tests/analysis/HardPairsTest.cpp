// Pairs that real footage gives and small-parallax tests do not: a hand a fifth of the width in
// front of the screen, a chessboard held up to a rig, a distant horizon far behind it, a flat
// wall, views of different exposure; each through a misaligned rig. Every one is measured, its
// rig found and its depth told; two different scenes are still refused.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "support/SyntheticPair.h"

namespace twinlens {
namespace {

using synthetic::kHeight;
using synthetic::kWidth;

struct HardCase {
  const char* name;
  synthetic::Layers scene;
  synthetic::Rig rig;
  double nearPermille;
  double farPermille;
  double exposure = 1;  // the right camera's gain
  double farTolerance = 2;
};

void PrintTo(const HardCase& c, std::ostream* out) {
  *out << c.name;
}

synthetic::Layers layers(GrayImage background, GrayImage object, int x0, int y0, double farPx,
                         double nearPx) {
  return {std::move(background), std::move(object), x0, y0, farPx, nearPx};
}

// A wall with little on it: a gentle gradient and the grain of a camera.
GrayImage wall() {
  GrayImage picture = synthetic::texture(41);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      picture.at(x, y) = static_cast<float>(90 + 0.05 * x + 0.04 * (picture.at(x, y) - 128));
    }
  }
  return picture;
}

std::vector<HardCase> hardCases() {
  const double w = kWidth;
  return {
      {"HandInFront",
       layers(synthetic::texture(21), synthetic::texture(22, 340, 300), 310, 120, 0.05 * w,
              -0.20 * w),
       {8, 0.5, 1, 0, 0},
       -200,
       50},
      {"Chessboard",
       layers(synthetic::texture(23), synthetic::chessboard(400, 300, 30), 280, 120, 0.02 * w,
              -0.10 * w),
       {12.8, 0, 0, 0, 0},
       -100,
       20,
       1,
       // A few of the board's pixels are matched a square pair (60 px) too far, where the board's
       // pattern repeats exactly; they set the far point.
       10},
      {"DistantHorizon",
       layers(synthetic::texture(24), GrayImage(), 0, 0, 0.10 * w, 0),
       {-6, -0.3, 0.5, 0, 0},
       100,
       100},
      {"FlatWall",
       layers(wall(), synthetic::texture(25, 200, 150), 380, 200, 0.01 * w, 0.01 * w),
       {4, 0.2, 0, 0, 0},
       10,
       10},
      {"ExposureDiffers",
       layers(synthetic::texture(26), GrayImage(), 0, 0, 0.03 * w, 0),
       {5, 0.2, -0.5, 0, 0},
       30,
       30,
       0.6},
  };
}

class HardPair : public ::testing::TestWithParam<HardCase> {};

TEST_P(HardPair, IsMeasuredWithItsRigAndItsDepth) {
  const HardCase& c = GetParam();
  auto [left, right] = synthetic::layeredPair(c.scene, c.rig);
  for (float& value : right.pixels)
    value = static_cast<float>(value * c.exposure + 20 * (1 - c.exposure));
  GeometryEstimator estimator;
  estimator.add(left, right);
  const GeometryReport report = estimator.report(kWidth);
  EXPECT_NEAR(report.verticalOffsetPx, c.rig.vertical, 0.3);
  EXPECT_NEAR(report.rollDeg, c.rig.rollDeg, 0.05);
  EXPECT_NEAR(report.zoomPercent, c.rig.zoomPercent, 0.1);
  EXPECT_LE(report.verticalAfter.mean, 0.3);
  EXPECT_NEAR(report.parallaxNearPermille, c.nearPermille, 2);
  EXPECT_NEAR(report.parallaxFarPermille, c.farPermille, c.farTolerance);
}

INSTANTIATE_TEST_SUITE_P(Scenes, HardPair, ::testing::ValuesIn(hardCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HardPair, TwoDifferentScenesAreStillRefused) {
  GeometryEstimator estimator;
  estimator.add(synthetic::texture(31), synthetic::texture(32));
  try {
    estimator.report(kWidth);
    FAIL() << "measured";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "the views show no common picture that could be matched");
  }
}

}  // namespace
}  // namespace twinlens
