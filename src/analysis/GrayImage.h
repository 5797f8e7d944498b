#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace twinlens {

// A grey picture, its values 0 to 255, row by row: as floating point where it is computed on, as
// bytes where it is only looked at (a whole 8K frame as read).
template <class Value>
struct BasicGrayImage {
  int width = 0;
  int height = 0;
  std::vector<Value> pixels;

  BasicGrayImage() = default;
  BasicGrayImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}

  Value at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  Value& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

  // The value between pixels, interpolated linearly; places outside take the nearest edge's.
  float sample(double x, double y) const {
    x = std::clamp(x, 0.0, width - 1.0);
    y = std::clamp(y, 0.0, height - 1.0);
    const int x0 = std::min(static_cast<int>(x), width - 2 < 0 ? 0 : width - 2);
    const int y0 = std::min(static_cast<int>(y), height - 2 < 0 ? 0 : height - 2);
    const int x1 = std::min(x0 + 1, width - 1);
    const int y1 = std::min(y0 + 1, height - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    return static_cast<float>((1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x1, y0)) +
                              fy * ((1 - fx) * at(x0, y1) + fx * at(x1, y1)));
  }

  // Half the size each way, each pixel the mean of four.
  BasicGrayImage halved() const {
    BasicGrayImage half(width / 2, height / 2);
    for (int y = 0; y < half.height; ++y) {
      for (int x = 0; x < half.width; ++x) {
        half.at(x, y) = 0.25f * (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                 at(2 * x + 1, 2 * y + 1));
      }
    }
    return half;
  }
};

using GrayImage = BasicGrayImage<float>;
using GrayBytes = BasicGrayImage<std::uint8_t>;

}  // namespace twinlens
