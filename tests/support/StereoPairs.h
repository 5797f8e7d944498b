// Real stereo pairs with their true disparity (tests/data/stereo: two scenes of the Middlebury
// stereo data set of 2003, D. Scharstein and R. Szeliski, CVPR 2003), read as grey pictures.
#pragma once

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
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

}  // namespace twinlens::stereo
