// Real stereo pairs with their true disparity (tests/data/stereo: two scenes of the Middlebury
// stereo data set of 2003, D. Scharstein and R. Szeliski, CVPR 2003), read as grey pictures.
#pragma once

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "analysis/GrayImage.h"

namespace twinlens::stereo {

inline const std::vector<std::string> kScenes = {"teddy", "cones"};

inline std::string folder(const std::string& scene) {
  return std::string(TWINLENS_STEREO_DIR) + "/" + scene + "/";
}

// A binary PGM's pixels; an empty picture where the file is not one.
inline GrayImage readPgm(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int width = 0;
  int height = 0;
  int maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  if (magic != "P5" || width <= 0 || height <= 0 || maximum != 255) return {};
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  GrayImage picture(width, height);
  if (bytes.size() < picture.pixels.size()) return {};
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = static_cast<unsigned char>(bytes[i]);
  }
  return picture;
}

// The true parallax (right minus left) of each left pixel in pixels, NaN where it is unknown.
inline std::vector<float> trueParallax(const std::string& scene) {
  const GrayImage disparity = readPgm(folder(scene) + "disparity.pgm");
  std::vector<float> parallax(disparity.pixels.size());
  for (std::size_t i = 0; i < parallax.size(); ++i) {
    parallax[i] = disparity.pixels[i] > 0 ? -disparity.pixels[i] / 4 : std::nanf("");
  }
  return parallax;
}

// The truth over the pixels the right view shows as well: a point at x whose parallax takes it
// past the right view's left edge is seen by the left camera only, and no pair can measure it.
inline std::vector<float> seenByBoth(std::vector<float> truth, int width) {
  for (std::size_t i = 0; i < truth.size(); ++i) {
    if (static_cast<float>(i % static_cast<std::size_t>(width)) + truth[i] < 0) {
      truth[i] = std::nanf("");
    }
  }
  return truth;
}

// The near and far points (1st and 99th percentile) of the known parallaxes, per mille of the
// width.
inline std::pair<double, double> nearAndFar(const std::vector<float>& parallax, int width) {
  std::vector<float> known;
  for (const float value : parallax) {
    if (!std::isnan(value)) known.push_back(value);
  }
  std::sort(known.begin(), known.end());
  const auto at = [&](double fraction) {
    return known[static_cast<std::size_t>(fraction * static_cast<double>(known.size() - 1) + 0.5)] *
           1000.0 / width;
  };
  return {at(0.01), at(0.99)};
}

}  // namespace twinlens::stereo
