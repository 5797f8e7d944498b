// Where each view's pictures are taken from under an Align step, checked against the generator
// of the analysis tests: the two views' sources of one output point are a pair of the rig, they
// lie symmetrically about it, and the enlargement is the least that keeps empty borders out.
#include "model/AlignWarp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/ErrorMessage.h"
#include "support/SyntheticPair.h"

namespace twinlens {
namespace {

TEST(AlignWarp, EachViewTakesOutHalfTheRigAndNoBorderShows) {
  const synthetic::Rig rigs[] = {
      {12, 0, 0, 0, 0}, {-8, 1.2, 2.5, 0, 0}, {5, -0.8, -1.5, 0.9, -0.7}};
  for (const synthetic::Rig& rig : rigs) {
    const recipe::Align align{
        rig.vertical, rig.rollDeg, rig.zoomPercent, rig.toeInDeg, rig.tiltDeg, 4, 1920, 1080};
    const AlignWarp warp(align, true);
    EXPECT_GE(warp.scale(), 1);
    double closest = 1e9;  // of a source to the frame's border
    for (double x = 0; x <= 1920; x += 240) {
      for (double y = 0; y <= 1080; y += 135) {
        const AlignWarp::Point l = warp.source(View::Left, {x, y});
        const AlignWarp::Point r = warp.source(View::Right, {x, y});
        // Without the convergence shift (2 px each way) the right source is the rig's pair of
        // the left one.
        const auto [px, py] = synthetic::moved(rig, l.x - 2 - 960, l.y - 540, 1920);
        EXPECT_NEAR(r.x + 2 - 960, px, 1e-3);
        EXPECT_NEAR(r.y - 540, py, 1e-3);
        EXPECT_NEAR((l.x + r.x) / 2 - 960, (x - 960) / warp.scale(), 1e-3);
        EXPECT_NEAR((l.y + r.y) / 2 - 540, (y - 540) / warp.scale(), 1e-3);
        for (const AlignWarp::Point at : {l, r}) {
          EXPECT_GE(at.x, -1e-3);
          EXPECT_LE(at.x, 1920 + 1e-3);
          EXPECT_GE(at.y, -1e-3);
          EXPECT_LE(at.y, 1080 + 1e-3);
          closest = std::min({closest, at.x, 1920 - at.x, at.y, 1080 - at.y});
        }
      }
    }
    EXPECT_LT(closest, 0.05) << "enlarged more than needed";
  }
  // Only the offset and zoom (what a source window does): the roll is left, and told.
  const recipe::Align rolled{0, 1, 0, 0, 0, 0, 1920, 1080};
  EXPECT_NEAR(AlignWarp(rolled, false).uncorrectedVerticalPx(),
              960 * std::sin(1 * std::numbers::pi / 180), 1e-6);
  EXPECT_DOUBLE_EQ(AlignWarp(rolled, false).scale(), 1);
  EXPECT_EQ(test::messageOf([] {
              AlignWarp({400, 0, 0, 0, 0, 0, 1920, 1080}, true);
            }),
            "The views are too far apart to align: the correction would need more than half the "
            "picture again");
}

}  // namespace
}  // namespace twinlens
