// The hard pairs: every one is measured, its rig found and its depth told; two different scenes
// are still refused.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "support/HardPairs.h"

namespace twinlens {
namespace {

using synthetic::HardCase;
using synthetic::kWidth;

class HardPair : public ::testing::TestWithParam<HardCase> {};

TEST_P(HardPair, IsMeasuredWithItsRigAndItsDepth) {
  const HardCase& c = GetParam();
  const auto [left, right] = synthetic::hardPair(c);
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

INSTANTIATE_TEST_SUITE_P(Scenes, HardPair, ::testing::ValuesIn(synthetic::hardCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Tiles over most of the picture, a tenth of the width in front of the screen, through a rig
// that rolls: pieces on the tiles may be found a repeat of the pattern along, whose place the
// roll moves up or down by its own distance; the rig is still found within 0.3 pixels.
TEST(HardPair, ATiledWallFillingThePictureStillGivesTheRig) {
  const synthetic::Rig rig{-7.1, 0.2, 0.3, 0, 0};
  const auto [left, right] = synthetic::layeredPair(
      synthetic::layers(synthetic::texture(27), synthetic::chessboard(720, 400, 30), 120, 70,
                        0.02 * kWidth, -0.10 * kWidth),
      rig);
  GeometryEstimator estimator;
  estimator.add(left, right);
  const GeometryReport report = estimator.report(kWidth);
  EXPECT_NEAR(report.verticalOffsetPx, rig.vertical, 0.3);
  EXPECT_NEAR(report.rollDeg, rig.rollDeg, 0.05);
  EXPECT_NEAR(report.zoomPercent, rig.zoomPercent, 0.1);
  EXPECT_LE(report.verticalAfter.mean, 0.3);
}

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
