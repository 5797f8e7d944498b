#include "analysis/LensCircleFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "base/Error.h"

namespace twinlens {

namespace {

constexpr int kRays = 720;
constexpr double kStep = 0.25;  // along a ray, in pixels
// Where the levels either side of the edge are read: this far inside and outside it.
constexpr double kLevelFrom = 4;
constexpr double kLevelTo = 12;
// The unlit surround is more than this share of the picture's levels; the disc's typical level
// is this share of the levels clearly above it.
constexpr double kDarkShare = 0.05;
constexpr double kLitShare = 0.75;
constexpr double kMinContrast = 24;    // of 255, between the disc and its surround
constexpr double kMaxRoundness = 1.5;  // the edge's deviation from the circle, px (RMS)
constexpr double kMinRaysKept = 0.5;

struct Band {
  const GrayBytes& picture;
  int first;
  int end;
  bool inside(double x, double y) const {
    return x >= first && x <= end - 1 && y >= 0 && y <= picture.height - 1;
  }
};

struct Point {
  double x;
  double y;
};

double percentileOf(std::vector<float> values, double share) {
  if (values.empty()) return 0;
  const auto at = static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + at, values.end());
  return values[static_cast<std::size_t>(at)];
}

// How many of the counted pixels are at `first` or above.
std::size_t countFrom(const std::array<std::size_t, 256>& levels, int first) {
  std::size_t count = 0;
  for (int level = first; level < 256; ++level) count += levels[level];
  return count;
}

// The level that `share` of the counted pixels at `first` or above are darker than.
int levelAt(const std::array<std::size_t, 256>& levels, int first, double share) {
  const std::size_t count = countFrom(levels, first);
  if (count == 0) return first;
  const auto place = static_cast<std::size_t>(share * static_cast<double>(count - 1));
  std::size_t below = 0;
  for (int level = first; level < 256; ++level) {
    below += levels[level];
    if (below > place) return level;
  }
  return 255;
}

// How far a ray from (x, y) at `angle` runs before it leaves the band.
double reachOf(const Band& band, double x, double y, double dx, double dy) {
  double reach = 1e9;
  if (dx > 1e-9) reach = std::min(reach, (band.end - 1 - x) / dx);
  if (dx < -1e-9) reach = std::min(reach, (band.first - x) / dx);
  if (dy > 1e-9) reach = std::min(reach, (band.picture.height - 1 - y) / dy);
  if (dy < -1e-9) reach = std::min(reach, -y / dy);
  return reach;
}

double medianAlong(const GrayBytes& picture, double x, double y, double dx, double dy, double from,
                   double to) {
  std::vector<float> values;
  for (double r = from; r <= to; r += 1) values.push_back(picture.sample(x + r * dx, y + r * dy));
  return percentileOf(std::move(values), 0.5);
}

// The edge along one ray: the outermost place the picture is lit, then between pixels where it
// crosses halfway between the levels just inside and just outside. None where the disc runs out
// of the band that way or the edge is too faint there.
std::optional<Point> edgeAlong(const Band& band, double cx, double cy, double angle,
                               double threshold, double contrast, double nearest) {
  const double dx = std::cos(angle);
  const double dy = std::sin(angle);
  const double reach = reachOf(band, cx, cy, dx, dy);
  const GrayBytes& p = band.picture;
  auto at = [&](double r) { return p.sample(cx + r * dx, cy + r * dy); };
  if (at(reach) >= threshold || reach < nearest + kLevelTo) return std::nullopt;
  double edge = -1;
  for (double r = reach - kStep; r >= nearest; r -= kStep) {
    if (at(r) >= threshold && at(r - kStep) >= threshold) {
      edge = r;
      break;
    }
  }
  if (edge < 0 || edge + kLevelTo > reach) return std::nullopt;
  const double inner = medianAlong(p, cx, cy, dx, dy, edge - kLevelTo, edge - kLevelFrom);
  const double outer = medianAlong(p, cx, cy, dx, dy, edge + kLevelFrom, edge + kLevelTo);
  if (inner - outer < 0.3 * contrast) return std::nullopt;
  const double half = 0.5 * (inner + outer);
  for (double r = edge + kLevelFrom; r >= edge - kLevelFrom; r -= kStep) {
    const double outside = at(r);
    const double inside = at(r - kStep);
    if (inside >= half && outside < half) {
      const double place = r - kStep * (half - outside) / (inside - outside);
      return Point{cx + place * dx, cy + place * dy};
    }
  }
  return std::nullopt;
}

struct Fit {
  double cx = 0;
  double cy = 0;
  double r = 0;
};

// The circle through the points in the least squares of the algebraic distance, then of the
// points' own distances (Gauss-Newton).
std::optional<Fit> fitCircle(const std::vector<Point>& points) {
  if (points.size() < 8) return std::nullopt;
  // x² + y² + D x + E y + F = 0
  std::array<std::array<double, 4>, 3> m{};
  for (const Point& p : points) {
    const double row[3] = {p.x, p.y, 1};
    const double rhs = -(p.x * p.x + p.y * p.y);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      m[i][3] += row[i] * rhs;
    }
  }
  auto solve = [](std::array<std::array<double, 4>, 3> a) -> std::optional<std::array<double, 3>> {
    for (int c = 0; c < 3; ++c) {
      int pivot = c;
      for (int r = c + 1; r < 3; ++r) {
        if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
      }
      if (std::abs(a[pivot][c]) < 1e-12) return std::nullopt;
      std::swap(a[c], a[pivot]);
      for (int r = 0; r < 3; ++r) {
        if (r == c) continue;
        const double f = a[r][c] / a[c][c];
        for (int k = c; k < 4; ++k) a[r][k] -= f * a[c][k];
      }
    }
    return std::array<double, 3>{a[0][3] / a[0][0], a[1][3] / a[1][1], a[2][3] / a[2][2]};
  };
  const auto algebraic = solve(m);
  if (!algebraic) return std::nullopt;
  Fit fit{-(*algebraic)[0] / 2, -(*algebraic)[1] / 2, 0};
  const double r2 = fit.cx * fit.cx + fit.cy * fit.cy - (*algebraic)[2];
  if (r2 <= 0) return std::nullopt;
  fit.r = std::sqrt(r2);
  for (int round = 0; round < 5; ++round) {
    std::array<std::array<double, 4>, 3> n{};
    for (const Point& p : points) {
      const double d = std::hypot(p.x - fit.cx, p.y - fit.cy);
      if (d < 1e-9) continue;
      const double j[3] = {-(p.x - fit.cx) / d, -(p.y - fit.cy) / d, -1};
      const double residual = d - fit.r;
      for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) n[a][b] += j[a] * j[b];
        n[a][3] -= j[a] * residual;
      }
    }
    const auto step = solve(n);
    if (!step) break;
    fit.cx += (*step)[0];
    fit.cy += (*step)[1];
    fit.r += (*step)[2];
  }
  return fit;
}

}  // namespace

LensCircle LensCircleFinder::find(const GrayBytes& picture, int firstColumn, int columns) {
  const Band band{picture, std::max(0, firstColumn),
                  std::min(picture.width, firstColumn + columns)};
  if (band.end - band.first < 32 || picture.height < 32) throw Error("it is too small");

  // The levels of the surround and of the disc, and the disc's middle and size from what is lit.
  std::array<std::size_t, 256> levels{};
  for (int y = 0; y < picture.height; y += 2) {
    for (int x = band.first; x < band.end; x += 2) ++levels[picture.at(x, y)];
  }
  const int dark = levelAt(levels, 0, kDarkShare);
  const int firstLighter = std::min(255, dark + static_cast<int>(kMinContrast));
  const std::size_t all = countFrom(levels, 0);
  if (countFrom(levels, firstLighter) < all / 100) {
    throw Error("it shows no lit circle within a dark surround");
  }
  const int lit = levelAt(levels, firstLighter, kLitShare);
  const double contrast = lit - dark;
  const double threshold = dark + 0.3 * contrast;
  double sumX = 0;
  double sumY = 0;
  double count = 0;
  for (int y = 0; y < picture.height; y += 2) {
    for (int x = band.first; x < band.end; x += 2) {
      if (picture.at(x, y) < threshold) continue;
      sumX += x;
      sumY += y;
      ++count;
    }
  }
  const double cx = sumX / count;
  const double cy = sumY / count;
  const double roughRadius = std::sqrt(4 * count / std::numbers::pi);

  std::vector<Point> edge;
  for (int ray = 0; ray < kRays; ++ray) {
    const double angle = 2 * std::numbers::pi * ray / kRays;
    if (const auto point = edgeAlong(band, cx, cy, angle, threshold, contrast, 0.3 * roughRadius)) {
      edge.push_back(*point);
    }
  }
  if (static_cast<double>(edge.size()) < kMinRaysKept * kRays) {
    throw Error("its lit part has no edge that could be followed around");
  }
  // Points far off the circle (a bright thing at the edge, a dark patch inside) are left out.
  std::optional<Fit> fit = fitCircle(edge);
  for (int round = 0; round < 2 && fit; ++round) {
    std::vector<float> deviations;
    for (const Point& p : edge) {
      deviations.push_back(
          static_cast<float>(std::abs(std::hypot(p.x - fit->cx, p.y - fit->cy) - fit->r)));
    }
    const double limit = std::max(1.0, 4 * 1.4826 * percentileOf(deviations, 0.5));
    std::vector<Point> kept;
    for (std::size_t i = 0; i < edge.size(); ++i) {
      if (deviations[i] <= limit) kept.push_back(edge[i]);
    }
    edge = std::move(kept);
    fit = fitCircle(edge);
  }
  if (!fit || static_cast<double>(edge.size()) < kMinRaysKept * kRays) {
    throw Error("its lit part has no edge that could be followed around");
  }
  double squares = 0;
  for (const Point& p : edge) {
    const double d = std::hypot(p.x - fit->cx, p.y - fit->cy) - fit->r;
    squares += d * d;
  }
  if (std::sqrt(squares / static_cast<double>(edge.size())) > kMaxRoundness) {
    throw Error("the edge of its lit part is not round");
  }
  if (fit->r < 0.2 * std::min(band.end - band.first, picture.height)) {
    throw Error("its lit circle is too small to be a lens's");
  }
  return {fit->cx, fit->cy, fit->r};
}

LensCircles LensCircleFinder::findBoth(const GrayBytes& picture) {
  const int half = picture.width / 2;
  LensCircles circles;
  try {
    circles.leftHalf = find(picture, 0, half);
  } catch (const Error& error) {
    throw Error(std::string("the picture's left half shows no lens circle: ") + error.what());
  }
  try {
    circles.rightHalf = find(picture, half, picture.width - half);
  } catch (const Error& error) {
    throw Error(std::string("the picture's right half shows no lens circle: ") + error.what());
  }
  return circles;
}

}  // namespace twinlens
