#include "analysis/LensCircleFinder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "base/Error.h"

namespace twinlens {
namespace {

// A dual-fisheye picture drawn at half a Canon R5 C's size: two lit discs with their edges
// anti-aliased by the share of each pixel they cover, a scene inside, the unlit sensor around.
struct Drawn {
  const char* name;
  LensCircle left;
  LensCircle right;
  double black = 0;  // the surround's level
  double low = 40;   // the scene inside runs between these levels
  double high = 220;
  double vignette = 0;        // the share of brightness lost at the circle's edge
  double noise = 0;           // the spread of the sensor's noise
  bool flareOutside = false;  // a bright patch beside the right circle
};

GrayBytes draw(const Drawn& d) {
  GrayBytes picture(4096, 2160);
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, d.noise > 0 ? d.noise : 1);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const LensCircle& c = x < picture.width / 2 ? d.left : d.right;
      const double distance = std::hypot(x - c.centreX, y - c.centreY);
      const double cover = std::clamp(c.radius - distance + 0.5, 0.0, 1.0);
      const double scene = d.low + (d.high - d.low) * (0.5 + 0.25 * std::sin(x * 0.013) +
                                                       0.25 * std::cos(y * 0.021));
      const double lit = scene * (1 - d.vignette * std::pow(distance / c.radius, 2));
      double value = cover * lit + (1 - cover) * d.black;
      if (d.flareOutside && std::hypot(x - 4040.0, y - 300.0) < 30) value = 250;
      if (d.noise > 0) value += noise(random);
      picture.at(x, y) = static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    }
  }
  return picture;
}

class LensCircles : public ::testing::TestWithParam<Drawn> {};

TEST_P(LensCircles, AreFoundToATenthOfAPixel) {
  const Drawn& d = GetParam();
  const auto found = LensCircleFinder::findBoth(draw(d));
  for (const auto& [got, made] : {std::pair{found.leftHalf, d.left}, {found.rightHalf, d.right}}) {
    EXPECT_NEAR(got.centreX, made.centreX, 0.1);
    EXPECT_NEAR(got.centreY, made.centreY, 0.1);
    EXPECT_NEAR(got.radius, made.radius, 0.1);
  }
}

// Off centre and at different heights, as a Canon dual fisheye holds them.
const Drawn kDrawn[] = {
    {"OffCentreAtTwoHeights", {1013.37, 1070.81, 1002.5}, {3088.6, 1082.25, 1000.9}},
    {"LimitedRangeBlackAndNoise",
     {1030.5, 1079.5, 990.2},
     {3060.1, 1075.7, 992.4},
     16,
     40,
     220,
     0,
     4},
    {"ANightScene", {1013.37, 1070.81, 1002.5}, {3088.6, 1082.25, 1000.9}, 16, 30, 70},
    {"DarkerTowardsTheEdge",
     {1013.37, 1070.81, 1002.5},
     {3088.6, 1082.25, 1000.9},
     0,
     40,
     220,
     0.6},
    {"ALightBesideTheCircle",
     {1013.37, 1070.81, 1002.5},
     {3088.6, 1082.25, 1000.9},
     0,
     40,
     220,
     0,
     0,
     true},
};
INSTANTIATE_TEST_SUITE_P(Drawn, LensCircles, ::testing::ValuesIn(kDrawn),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LensCircles, APictureWithoutThemIsRefusedSayingWhy) {
  const struct {
    const char* name;
    void (*paint)(GrayBytes&);
    const char* why;
  } cases[] = {
      {"lit to its edges",
       [](GrayBytes& p) {
         for (int y = 0; y < p.height; ++y) {
           for (int x = 0; x < p.width; ++x)
             p.at(x, y) = static_cast<std::uint8_t>(100 + 80 * std::sin(x * 0.01 + y * 0.02));
         }
       },
       "the picture's left half shows no lens circle: its lit part has no edge that could be "
       "followed around"},
      {"a lit rectangle",
       [](GrayBytes& p) {
         for (int y = 300; y < 1800; ++y) {
           for (int x = 200; x < p.width - 200; ++x) p.at(x, y) = 180;
         }
       },
       "the picture's left half shows no lens circle: the edge of its lit part is not round"},
      {"a small light",
       [](GrayBytes& p) {
         for (int y = 0; y < p.height; ++y) {
           for (int x = 0; x < p.width; ++x) {
             const double r = std::hypot(x % 2048 - 1000.0, y - 1000.0);
             p.at(x, y) = r < 150 ? 200 : 0;
           }
         }
       },
       "the picture's left half shows no lens circle: its lit circle is too small to be a lens's"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GrayBytes picture(4096, 2160);
    c.paint(picture);
    try {
      LensCircleFinder::findBoth(picture);
      ADD_FAILURE() << "found circles";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), c.why);
    }
  }
}

}  // namespace
}  // namespace twinlens
