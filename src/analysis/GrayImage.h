#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace twinlens {

// A grey picture, its values 0 to 255 as floating point, row by row.
struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<float> pixels;

  GrayImage() = default;
  GrayImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}

  float at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  float& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

  // Half the size each way, each pixel the mean of four.
  GrayImage halved() const {
    GrayImage half(width / 2, height / 2);
    for (int y = 0; y < half.height; ++y) {
      for (int x = 0; x < half.width; ++x) {
        half.at(x, y) = 0.25f * (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                 at(2 * x + 1, 2 * y + 1));
      }
    }
    return half;
  }
};

}  // namespace twinlens
