#include "analysis/DenseDisparity.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace twinlens {

namespace {

// The census window: 9 by 7 pixels, 62 comparisons with the centre.
constexpr int kRadiusX = 4;
constexpr int kRadiusY = 3;
constexpr int kMaxCost = (2 * kRadiusX + 1) * (2 * kRadiusY + 1) - 1;
// The smoothing's penalties: a neighbour one pixel of parallax apart (a slanted surface), and
// further apart (an edge of depth).
constexpr int kSmallStep = 10;
constexpr int kLargeStep = 120;
// Another parallax whose cost is within this many per cent of the least leaves a pixel unknown.
constexpr int kUniquenessPercent = 8;

using Census = std::uint64_t;
using Cost = std::uint16_t;

std::vector<Census> census(const GrayImage& picture) {
  const int w = picture.width;
  const int h = picture.height;
  std::vector<Census> signatures(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float centre = picture.at(x, y);
      Census bits = 0;
      for (int j = -kRadiusY; j <= kRadiusY; ++j) {
        const int sy = std::clamp(y + j, 0, h - 1);
        for (int i = -kRadiusX; i <= kRadiusX; ++i) {
          if (i == 0 && j == 0) continue;
          const int sx = std::clamp(x + i, 0, w - 1);
          bits = (bits << 1) | (picture.at(sx, sy) < centre ? 1u : 0u);
        }
      }
      signatures[static_cast<std::size_t>(y) * w + x] = bits;
    }
  }
  return signatures;
}

// The pixels whose census window is flat (a spread of less than kFlatSpread grey levels): any
// parallax matches them, and what the smoothing gives them is no measurement.
constexpr double kFlatSpread = 2;
std::vector<bool> flatPixels(const GrayImage& picture) {
  const int w = picture.width;
  const int h = picture.height;
  // Sums of the values and their squares over the rectangle from the top left corner.
  const auto stride = static_cast<std::size_t>(w) + 1;
  std::vector<double> sums(stride * (static_cast<std::size_t>(h) + 1), 0);
  std::vector<double> squares(sums.size(), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double value = picture.at(x, y);
      const std::size_t at = (static_cast<std::size_t>(y) + 1) * stride + x + 1;
      sums[at] = value + sums[at - 1] + sums[at - stride] - sums[at - stride - 1];
      squares[at] =
          value * value + squares[at - 1] + squares[at - stride] - squares[at - stride - 1];
    }
  }
  auto box = [&](const std::vector<double>& table, int x0, int y0, int x1, int y1) {
    const auto at = [&](int x, int y) {
      return table[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)];
    };
    return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
  };
  std::vector<bool> flat(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int x0 = std::max(0, x - kRadiusX);
      const int y0 = std::max(0, y - kRadiusY);
      const int x1 = std::min(w, x + kRadiusX + 1);
      const int y1 = std::min(h, y + kRadiusY + 1);
      const double n = static_cast<double>(x1 - x0) * (y1 - y0);
      const double mean = box(sums, x0, y0, x1, y1) / n;
      const double variance = box(squares, x0, y0, x1, y1) / n - mean * mean;
      flat[static_cast<std::size_t>(y) * w + x] = variance < kFlatSpread * kFlatSpread;
    }
  }
  return flat;
}

// The sub-pixel parallax of a left pixel: from the matched whole parallax, Gauss-Newton steps on
// the zero-mean squared difference of a window of the two views, the right view interpolated
// along its row. The smoothed costs' parabola clusters at whole pixels; this does not. A window
// too flat to place, or steps that leave the matched pixel's neighbourhood, keep `start`.
constexpr int kRefineX = 3;
constexpr int kRefineY = 2;
constexpr int kRefineSteps = 3;
float refined(const GrayImage& left, const GrayImage& right, const std::vector<float>& slope, int x,
              int y, float start) {
  const int w = left.width;
  const int h = left.height;
  constexpr int kCount = (2 * kRefineX + 1) * (2 * kRefineY + 1);
  float l[kCount];
  float meanL = 0;
  for (int j = -kRefineY, n = 0; j <= kRefineY; ++j) {
    const int row = std::clamp(y + j, 0, h - 1);
    for (int i = -kRefineX; i <= kRefineX; ++i, ++n) {
      l[n] = left.pixels[static_cast<std::size_t>(row) * w + std::clamp(x + i, 0, w - 1)];
      meanL += l[n];
    }
  }
  meanL /= kCount;
  for (float& value : l) value -= meanL;
  float parallax = start;
  for (int step = 0; step < kRefineSteps; ++step) {
    float r[kCount];
    float g[kCount];
    float meanR = 0;
    float meanG = 0;
    for (int j = -kRefineY, n = 0; j <= kRefineY; ++j) {
      const int row = std::clamp(y + j, 0, h - 1);
      const float* rightRow = &right.pixels[static_cast<std::size_t>(row) * w];
      const float* slopeRow = &slope[static_cast<std::size_t>(row) * w];
      for (int i = -kRefineX; i <= kRefineX; ++i, ++n) {
        const int column = std::clamp(x + i, 0, w - 1);
        const float at = std::clamp(static_cast<float>(column) + parallax, 0.0f, w - 1.001f);
        const int x0 = static_cast<int>(at);
        const float f = at - static_cast<float>(x0);
        r[n] = rightRow[x0] + f * (rightRow[x0 + 1] - rightRow[x0]);
        g[n] = slopeRow[x0] + f * (slopeRow[x0 + 1] - slopeRow[x0]);
        meanR += r[n];
        meanG += g[n];
      }
    }
    meanR /= kCount;
    meanG /= kCount;
    float along = 0;
    float energy = 0;
    for (int k = 0; k < kCount; ++k) {
      const float gk = g[k] - meanG;
      along += (l[k] - r[k] + meanR) * gk;
      energy += gk * gk;
    }
    if (energy < 1.0f * kCount) break;
    const float change = std::clamp(along / energy, -0.5f, 0.5f);
    parallax += change;
    if (std::abs(change) < 0.01f) break;
  }
  return std::abs(parallax - start) <= 1.0f ? parallax : start;
}

// The slope of each pixel along its row (the central difference).
std::vector<float> rowSlopes(const GrayImage& picture) {
  const int w = picture.width;
  std::vector<float> slope(picture.pixels.size(), 0);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < w; ++x) {
      slope[static_cast<std::size_t>(y) * w + x] =
          0.5f * (picture.at(std::min(x + 1, w - 1), y) - picture.at(std::max(x - 1, 0), y));
    }
  }
  return slope;
}

// The smoothed costs of one pixel along one direction, from the previous pixel's (`previous`,
// whose least is `least`; none at the picture's edge), added into `total`. Returns the least.
Cost smooth(const std::uint8_t* cost, const Cost* previous, Cost least, Cost* smoothed, Cost* total,
            int count) {
  Cost lowest = std::numeric_limits<Cost>::max();
  if (previous == nullptr) {
    for (int d = 0; d < count; ++d) {
      smoothed[d] = cost[d];
      total[d] = static_cast<Cost>(total[d] + cost[d]);
      lowest = std::min(lowest, smoothed[d]);
    }
    return lowest;
  }
  const int jump = least + kLargeStep;
  for (int d = 0; d < count; ++d) {
    int best = std::min(static_cast<int>(previous[d]), jump);
    if (d > 0) best = std::min(best, previous[d - 1] + kSmallStep);
    if (d + 1 < count) best = std::min(best, previous[d + 1] + kSmallStep);
    const auto value = static_cast<Cost>(cost[d] + best - least);
    smoothed[d] = value;
    total[d] = static_cast<Cost>(total[d] + value);
    lowest = std::min(lowest, value);
  }
  return lowest;
}

// One sweep over the picture, top to bottom and left to right (or the reverse), adding the costs
// smoothed along the four directions that come from pixels already passed: along the row, from
// the row before, and from the row before one pixel to either side.
void sweep(const std::vector<std::uint8_t>& costs, int w, int h, int count, bool forward,
           std::vector<Cost>& total) {
  const auto n = static_cast<std::size_t>(count);
  const auto row = static_cast<std::size_t>(w) * n;
  // Per direction from the row before: the smoothed costs and their least, per pixel.
  std::vector<Cost> before(3 * row);
  std::vector<Cost> current(3 * row);
  std::vector<Cost> leastBefore(3 * static_cast<std::size_t>(w));
  std::vector<Cost> leastCurrent(3 * static_cast<std::size_t>(w));
  std::vector<Cost> along(n);
  std::vector<Cost> alongNext(n);
  const int step = forward ? 1 : -1;
  for (int i = 0; i < h; ++i) {
    const int y = forward ? i : h - 1 - i;
    Cost alongLeast = 0;
    for (int k = 0; k < w; ++k) {
      const int x = forward ? k : w - 1 - k;
      const auto pixel = static_cast<std::size_t>(y) * w + x;
      const std::uint8_t* cost = &costs[pixel * n];
      Cost* sum = &total[pixel * n];
      alongLeast =
          smooth(cost, k > 0 ? along.data() : nullptr, alongLeast, alongNext.data(), sum, count);
      std::swap(along, alongNext);
      const int from[3] = {x, x - step, x + step};
      for (std::size_t direction = 0; direction < 3; ++direction) {
        const int source = from[direction];
        const bool has = i > 0 && source >= 0 && source < w;
        const auto at = static_cast<std::size_t>(source);
        const auto here = static_cast<std::size_t>(x);
        leastCurrent[direction * w + here] =
            smooth(cost, has ? &before[direction * row + at * n] : nullptr,
                   has ? leastBefore[direction * w + at] : Cost{0},
                   &current[direction * row + here * n], sum, count);
      }
    }
    std::swap(before, current);
    std::swap(leastBefore, leastCurrent);
  }
}

// Each known parallax the median of the known ones around it: a pixel's own error does not
// reach the picture's near and far points, which lie in the tails of all the pixels' parallaxes.
constexpr int kMedianRadius = 1;
std::vector<float> medians(const std::vector<float>& parallax, int w, int h) {
  std::vector<float> result = parallax;
  std::vector<float> around;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto pixel = static_cast<std::size_t>(y) * w + x;
      if (std::isnan(parallax[pixel])) continue;
      around.clear();
      for (int j = std::max(0, y - kMedianRadius); j <= std::min(h - 1, y + kMedianRadius); ++j) {
        for (int i = std::max(0, x - kMedianRadius); i <= std::min(w - 1, x + kMedianRadius); ++i) {
          const float value = parallax[static_cast<std::size_t>(j) * w + i];
          if (!std::isnan(value)) around.push_back(value);
        }
      }
      const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
      std::nth_element(around.begin(), middle, around.end());
      result[pixel] = *middle;
    }
  }
  return result;
}

}  // namespace

DenseDisparity::DenseDisparity(int nearest, int farthest)
    : nearest_(std::min(nearest, farthest)), farthest_(std::max(nearest, farthest)) {}

DenseDisparity::Result DenseDisparity::measure(const GrayImage& left,
                                               const GrayImage& right) const {
  const int w = left.width;
  const int h = left.height;
  const int count = farthest_ - nearest_ + 1;
  const auto n = static_cast<std::size_t>(count);
  const auto pixels = static_cast<std::size_t>(w) * h;
  const std::vector<Census> a = census(left);
  const std::vector<Census> b = census(right);

  // The cost of each left pixel at each parallax; a place outside the right view costs the most.
  std::vector<std::uint8_t> costs(pixels * n);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto pixel = static_cast<std::size_t>(y) * w + x;
      std::uint8_t* cost = &costs[pixel * n];
      for (int d = 0; d < count; ++d) {
        const int xr = x + nearest_ + d;
        cost[d] = xr >= 0 && xr < w ? static_cast<std::uint8_t>(std::popcount(
                                          a[pixel] ^ b[static_cast<std::size_t>(y) * w + xr]))
                                    : static_cast<std::uint8_t>(kMaxCost);
      }
    }
  }
  std::vector<Cost> total(pixels * n, 0);
  sweep(costs, w, h, count, true, total);
  sweep(costs, w, h, count, false, total);

  // The least cost of each pixel of the left view, and of the right view (its pixel xr is the
  // left view's xr - parallax).
  std::vector<int> bestLeft(pixels, -1);
  std::vector<float> placed(pixels, 0);
  std::vector<int> bestRight(pixels, -1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto pixel = static_cast<std::size_t>(y) * w + x;
      const Cost* sum = &total[pixel * n];
      int best = 0;
      for (int d = 1; d < count; ++d) {
        if (sum[d] < sum[best]) best = d;
      }
      bool unique = true;
      for (int d = 0; d < count && unique; ++d) {
        if (std::abs(d - best) > 1 && sum[d] * (100 - kUniquenessPercent) < sum[best] * 100) {
          unique = false;
        }
      }
      // A least cost at the edge of what the right view shows is where the search was cut
      // short, not a match.
      const int xr = x + nearest_ + best;
      if (!unique || xr - 1 < 0 || xr + 1 >= w) continue;
      bestLeft[pixel] = best;
      double offset = 0;
      if (best > 0 && best + 1 < count) {
        const double curve = sum[best - 1] + sum[best + 1] - 2.0 * sum[best];
        if (curve > 0) offset = (sum[best - 1] - sum[best + 1]) / (2 * curve);
      }
      placed[pixel] = static_cast<float>(best + offset);
    }
    for (int xr = 0; xr < w; ++xr) {
      int best = -1;
      Cost lowest = std::numeric_limits<Cost>::max();
      for (int d = 0; d < count; ++d) {
        const int x = xr - nearest_ - d;
        if (x < 0 || x >= w) continue;
        const Cost value = total[(static_cast<std::size_t>(y) * w + x) * n + d];
        if (value < lowest) lowest = value, best = d;
      }
      bestRight[static_cast<std::size_t>(y) * w + xr] = best;
    }
  }

  // Consistent pixels of some detail; columns whose census window leaves the picture are left
  // out, rows are not (a near floor often lies along the bottom).
  const std::vector<bool> flat = flatPixels(left);
  const std::vector<float> slope = rowSlopes(right);
  std::vector<float> consistent(pixels, std::numeric_limits<float>::quiet_NaN());
  for (int y = 0; y < h; ++y) {
    for (int x = kRadiusX; x < w - kRadiusX; ++x) {
      const auto pixel = static_cast<std::size_t>(y) * w + x;
      const int best = bestLeft[pixel];
      if (best < 0) continue;
      const int xr = x + nearest_ + best;
      if (xr < kRadiusX || xr >= w - kRadiusX) continue;
      const int back = bestRight[static_cast<std::size_t>(y) * w + xr];
      if (back < 0 || std::abs(back - best) > 1 || flat[pixel]) continue;
      consistent[pixel] =
          refined(left, right, slope, x, y, static_cast<float>(nearest_) + placed[pixel]);
    }
  }
  // Near the left edge the right view cannot show the nearest parallaxes, near the right edge the
  // farthest: there the search was cut short and what it found is no match. Each edge's band is
  // as wide as the parallax found where the whole range was searched.
  // (A few stray pixels beyond the rest do not widen the bands.)
  std::vector<float> nearSide;
  std::vector<float> farSide;
  for (std::size_t pixel = 0; pixel < pixels; ++pixel) {
    const int x = static_cast<int>(pixel % static_cast<std::size_t>(w));
    if (std::isnan(consistent[pixel])) continue;
    if (x + nearest_ >= kRadiusX) nearSide.push_back(consistent[pixel]);
    if (x + farthest_ < w - kRadiusX) farSide.push_back(consistent[pixel]);
  }
  const auto quantile = [](std::vector<float>& values, double fraction) {
    if (values.empty()) return 0.0f;
    const auto at = static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + at, values.end());
    return values[static_cast<std::size_t>(at)];
  };
  const float nearestFound = quantile(nearSide, 0.001);
  const float farthestFound = quantile(farSide, 0.999);
  const int leftBand = kRadiusX + std::max(0, -static_cast<int>(std::floor(nearestFound)));
  const int rightBand = w - kRadiusX - std::max(0, static_cast<int>(std::ceil(farthestFound)));
  Result result;
  result.width = w;
  result.height = h;
  result.parallax.assign(pixels, std::numeric_limits<float>::quiet_NaN());
  for (std::size_t pixel = 0; pixel < pixels; ++pixel) {
    const int x = static_cast<int>(pixel % static_cast<std::size_t>(w));
    if (x < leftBand || x >= rightBand || std::isnan(consistent[pixel])) continue;
    result.parallax[pixel] = consistent[pixel];
    ++result.known;
  }
  result.parallax = medians(result.parallax, w, h);
  return result;
}

std::vector<float> DenseDisparity::filled(const Result& result) {
  constexpr float kSameSurface = 1;  // pixels between two ends of one surface
  const int w = result.width;
  std::vector<float> values = result.parallax;
  for (int y = 0; y < result.height; ++y) {
    float* row = &values[static_cast<std::size_t>(y) * w];
    for (int x = 0; x < w;) {
      if (!std::isnan(row[x])) {
        ++x;
        continue;
      }
      int end = x;
      while (end < w && std::isnan(row[end])) ++end;
      // A run between two ends alike is a surface the matching could not place (interpolated);
      // any other shows what a nearer surface hides from one view, the background (the farther
      // end's). A run at the picture's edge takes its one known end's.
      const float before = x > 0 ? row[x - 1] : std::nanf("");
      const float after = end < w ? row[end] : std::nanf("");
      const auto length = static_cast<float>(end - x);
      if (std::isnan(before) || std::isnan(after)) {
        std::fill(row + x, row + end, std::isnan(before) ? after : before);
      } else if (std::abs(after - before) <= kSameSurface) {
        for (int k = x; k < end; ++k) {
          row[k] = before + (after - before) * static_cast<float>(k - x + 1) / (length + 1);
        }
      } else {
        std::fill(row + x, row + end, std::max(before, after));
      }
      x = end;
    }
  }
  return values;
}

}  // namespace twinlens
