// The geometry of generated pairs: a textured left view, and a right view drawn from it through a
// rig's known misalignment (vertical offset, roll, zoom, toe-in and tilt keystones) and a scene
// of known depth; what the estimator finds against the truth, and the pairs it must refuse.
#include "analysis/GeometryEstimator.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ErrorMessage.h"
#include "support/SyntheticPair.h"

namespace twinlens {
namespace {

using synthetic::kHeight;
using synthetic::kWidth;
using synthetic::Rig;
using synthetic::rightView;
using synthetic::texture;

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

// The guideline's three colours at and beyond their limits, and where automatic convergence puts
// a scene: its near point 3 per mille behind the screen, or its far point at +20.
TEST(DepthBudget, ColoursTheParallaxAndConvergesItAutomatically) {
  struct Row {
    double near;
    double far;
    DepthVerdict verdict;
    double shift;
  };
  const Row rows[] = {
      {-10, 20, DepthVerdict::Green, 0},    // both limits of green; the far point holds it
      {-10.5, 19, DepthVerdict::Amber, 1},  // a little nearer
      {-25, 5, DepthVerdict::Amber, 15},    // amber's near limit, its widest range
      {-25, 5.5, DepthVerdict::Red, 14.5},  // a range over 30
      {10, 40, DepthVerdict::Amber, -20},   // amber's far limit
      {10, 40.5, DepthVerdict::Red, -20.5},
      {-30, -20, DepthVerdict::Red, 33},  // all in front: near point to +3
      {2, 10, DepthVerdict::Green, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(depthVerdict(row.near, row.far), row.verdict) << row.near << " " << row.far;
    EXPECT_DOUBLE_EQ(automaticConvergence(row.near, row.far), row.shift) << row.near;
  }
}

}  // namespace
}  // namespace twinlens
