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
