#include "analysis/GeometryEstimator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "analysis/DenseDisparity.h"
#include "analysis/PhaseCorrelation.h"
#include "base/Error.h"

namespace twinlens {

namespace {

constexpr int kCoarsePiece = 32;
constexpr int kFinePiece = 64;
constexpr int kLevels = 3;          // full, half, quarter
constexpr int kGrid = 40;           // pixels between the pieces' centres
constexpr int kMargin = 32;         // from the edges to the first centres
constexpr double kMinPeak = 0.08;   // below: no match
constexpr double kAmbiguous = 0.7;  // a rival this close to the peak: no clear match
constexpr double kRepeats = 0.6;    // a piece this like itself elsewhere repeats a pattern
constexpr int kMinMatches = 12;
constexpr double kNeighbourAgreement = 1.5;  // pixels of horizontal disparity

double degrees(double radians) {
  return radians * 180 / std::numbers::pi;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

double spread(const GrayImage& picture) {
  double sum = 0;
  double squares = 0;
  for (const float value : picture.pixels)
    sum += value, squares += static_cast<double>(value) * value;
  const double n = static_cast<double>(picture.pixels.size());
  return n > 0 ? std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n))) : 0;
}

// The least-squares solution of a small system by elimination with partial pivoting.
template <std::size_t N>
std::array<double, N> solve(std::array<std::array<double, N + 1>, N> m) {
  for (std::size_t col = 0; col < N; ++col) {
    std::size_t pivot = col;
    for (std::size_t row = col + 1; row < N; ++row) {
      if (std::abs(m[row][col]) > std::abs(m[pivot][col])) pivot = row;
    }
    std::swap(m[col], m[pivot]);
    if (std::abs(m[col][col]) < 1e-12) continue;
    for (std::size_t row = 0; row < N; ++row) {
      if (row == col) continue;
      const double factor = m[row][col] / m[col][col];
      for (std::size_t k = col; k <= N; ++k) m[row][k] -= factor * m[col][k];
    }
  }
  std::array<double, N> x{};
  for (std::size_t i = 0; i < N; ++i) x[i] = std::abs(m[i][i]) < 1e-12 ? 0 : m[i][N] / m[i][i];
  return x;
}

// The rig's model: how far across and down the right view shows a point (centred coordinates, in
// pixels of the pictures measured) from where a true rig would, apart from the scene's depth;
// told at the middle of the point's places in the two views.
struct RigModel {
  std::array<double, 5> c{};  // dy = c0 + c1 u + c2 v + c3 u v + c4 v v, in half widths
  double half = 1;

  double down(double x, double y) const {
    const double u = x / half;
    const double v = y / half;
    return c[0] + c[1] * u + c[2] * v + c[3] * u * v + c[4] * v * v;
  }
  // What roll, zoom and the keystones move sideways.
  double across(double x, double y) const {
    const double a1 = c[1] / half;
    const double a2 = c[2] / half;
    const double a3 = c[3] / (half * half);
    const double a4 = c[4] / (half * half);
    return -a1 * y + a2 * x + a3 * x * x + a4 * x * y;
  }
};

// The right view moved back by the model, so that what is left between the views is depth
// along the rows, and which of its pixels came from outside the view. (The model is told at the
// right view's own place, half a parallax from the middle: a near surface keeps the roll times
// half its parallax, a fraction of a pixel, which the matching's window takes in its stride.)
// `scale`: the picture's size against the pictures the model was measured on.
struct Aligned {
  GrayImage picture;
  std::vector<bool> outside;
};
Aligned aligned(const GrayImage& right, const RigModel& model, double scale, double centreX,
                double centreY) {
  Aligned out{GrayImage(right.width, right.height), {}};
  out.outside.resize(out.picture.pixels.size());
  for (int y = 0; y < right.height; ++y) {
    for (int x = 0; x < right.width; ++x) {
      const double mx = (x + 0.5) / scale - 0.5 - centreX;
      const double my = (y + 0.5) / scale - 0.5 - centreY;
      const double sx = (mx + model.across(mx, my) + centreX + 0.5) * scale - 0.5;
      const double sy = (my + model.down(mx, my) + centreY + 0.5) * scale - 0.5;
      out.picture.at(x, y) = right.sample(sx, sy);
      out.outside[static_cast<std::size_t>(y) * right.width + x] =
          sx < 0 || sy < 0 || sx > right.width - 1 || sy > right.height - 1;
    }
  }
  return out;
}

}  // namespace

void GeometryEstimator::add(const GrayImage& left, const GrayImage& right) {
  width_ = left.width;
  height_ = left.height;
  ++frames_;
  if (spread(left) < 2 || spread(right) < 2) {
    ++flat_;
    return;
  }
  Pictures kept{left, right};
  while (kept.left.width > kDenseWidth) {
    kept.left = kept.left.halved();
    kept.right = kept.right.halved();
  }
  pictures_.push_back(std::move(kept));
  std::array<GrayImage, kLevels + 1> lefts{left};
  std::array<GrayImage, kLevels + 1> rights{right};
  for (int level = 1; level <= kLevels; ++level) {
    lefts[static_cast<std::size_t>(level)] = lefts[static_cast<std::size_t>(level - 1)].halved();
    rights[static_cast<std::size_t>(level)] = rights[static_cast<std::size_t>(level - 1)].halved();
  }
  PhaseCorrelation coarse(kCoarsePiece);
  PhaseCorrelation fine(kFinePiece);

  // The whole scene's shift, from the middle of the smallest pictures: where every piece starts
  // looking.
  double globalX = 0;
  double globalY = 0;
  {
    const GrayImage& l = lefts[kLevels];
    const GrayImage& r = rights[kLevels];
    const int size = std::min({64, l.width, l.height}) & ~1;
    if (size >= 16) {
      PhaseCorrelation whole(size >= 64 ? 64 : size >= 32 ? 32 : 16);
      const int s = whole.size();
      const int x0 = (l.width - s) / 2;
      const int y0 = (l.height - s) / 2;
      const PhaseCorrelation::Shift shift = whole.measure(l, x0, y0, r, x0, y0);
      globalX = shift.dx * (1 << kLevels);
      globalY = shift.dy * (1 << kLevels);
    }
  }

  std::vector<Match> frame;
  const double cx0 = left.width / 2.0;
  const double cy0 = left.height / 2.0;
  for (int cy = kMargin; cy + kMargin <= left.height; cy += kGrid) {
    for (int cx = kMargin; cx + kMargin <= left.width; cx += kGrid) {
      ++pieces_;
      double dx = globalX;
      double dy = globalY;
      bool found = true;
      PhaseCorrelation::Shift last;
      for (int level = kLevels - 1; level >= 0 && found; --level) {
        const GrayImage& l = lefts[static_cast<std::size_t>(level)];
        const GrayImage& r = rights[static_cast<std::size_t>(level)];
        PhaseCorrelation& piece = level == 0 ? fine : coarse;
        const int half = piece.size() / 2;
        const double scale = 1 << level;
        const int size = piece.size();
        int x1 = static_cast<int>(std::lround(cx / scale)) - half;
        int y1 = static_cast<int>(std::lround(cy / scale)) - half;
        int x2 = static_cast<int>(std::lround((cx + dx) / scale)) - half;
        int y2 = static_cast<int>(std::lround((cy + dy) / scale)) - half;
        if (level > 0) {
          // Near the edges the smaller pictures' pieces move inwards, both alike: there they
          // only tell the finer levels where to look.
          const int inX = std::clamp(x1, 0, l.width - size) - x1;
          const int inY = std::clamp(y1, 0, l.height - size) - y1;
          x1 += inX, x2 += inX, y1 += inY, y2 += inY;
        }
        if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0 || x1 + size > l.width || y1 + size > l.height ||
            x2 + size > r.width || y2 + size > r.height) {
          found = false;
          break;
        }
        last = piece.measure(l, x1, y1, r, x2, y2);
        const double residualX = last.dx - (x2 - x1);
        const double residualY = last.dy - (y2 - y1);
        const bool clear = last.peak >= kMinPeak && last.ambiguity <= kAmbiguous &&
                           std::abs(residualX) <= size / 4.0 && std::abs(residualY) <= size / 4.0;
        if (!clear && level > 0) continue;  // too little detail this small: the finer level
        if (!clear) {
          // The same pattern over and over matches anywhere.
          if (piece.repetition(l, x1, y1) > kRepeats) ++ambiguous_;
          found = false;
          break;
        }
        dx = last.dx * scale;
        dy = last.dy * scale;
        if (level > 0) continue;
        // The piece of the right view taken where the left one was found, until what is left
        // of the shift is too small for the parabola to bias.
        for (int round = 0; round < 2; ++round) {
          const PhaseCorrelation::Shift exact = piece.measureAt(l, x1, y1, r, x1 + dx, y1 + dy);
          if (exact.peak < kMinPeak || std::abs(exact.dx - dx) > 1 || std::abs(exact.dy - dy) > 1) {
            break;
          }
          dx = exact.dx;
          dy = exact.dy;
          last.peak = exact.peak;
        }
      }
      if (!found) continue;
      frame.push_back({cx - cx0, cy - cy0, dx, dy, last.peak});
    }
  }
  // A surface spans several pieces: a piece whose neighbours all lie at other depths matched
  // something else (a flat patch, an edge along itself) and tells nothing.
  for (const Match& m : frame) {
    int agreeing = 0;
    for (const Match& other : frame) {
      if (&other == &m || std::abs(other.x - m.x) > kGrid + 1 ||
          std::abs(other.y - m.y) > kGrid + 1) {
        continue;
      }
      if (std::abs(other.dx - m.dx) < kNeighbourAgreement) ++agreeing;
    }
    if (agreeing >= 2) matches_.push_back(m);
  }
}

GeometryReport GeometryEstimator::report(int viewWidth) const {
  if (frames_ > 0 && flat_ == frames_) {
    throw Error("the pictures hold too little detail to match (a black or flat view)");
  }
  if (static_cast<int>(matches_.size()) < kMinMatches) {
    if (ambiguous_ > pieces_ / 4) {
      throw Error("the views repeat a pattern without a clear match");
    }
    throw Error("the views show no common picture that could be matched");
  }
  const double half = width_ / 2.0;
  // dy = c0 + c1 u + c2 v + c3 u v + c4 v v, u and v in half widths at the middle of the piece's
  // places in the two views: each camera of a rig is turned and keystoned about its own centre,
  // so a near piece, shifted along the row by its parallax, is moved as the place halfway along
  // (the correction turns each view by half as well, which leaves it no vertical disparity).
  std::array<double, 5> c{};
  auto seenAt = [&](const Match& m) {
    const double found = m.x + m.dx / 2;
    return found - RigModel{c, half}.across(found, m.y) / 2;
  };
  auto terms = [&](const Match& m) {
    const double u = seenAt(m) / half;
    const double v = m.y / half;
    return std::array<double, 5>{1, u, v, u * v, v * v};
  };
  std::vector<double> weights(matches_.size(), 1.0);
  for (int round = 0; round < 12; ++round) {
    std::array<std::array<double, 6>, 5> normal{};
    for (std::size_t i = 0; i < matches_.size(); ++i) {
      const double w = weights[i] * matches_[i].weight;
      if (w <= 0) continue;
      const auto t = terms(matches_[i]);
      for (std::size_t a = 0; a < 5; ++a) {
        for (std::size_t b = 0; b < 5; ++b) normal[a][b] += w * t[a] * t[b];
        normal[a][5] += w * t[a] * matches_[i].dy;
      }
    }
    c = solve<5>(normal);
    // Tukey's weights, from the residuals' median absolute deviation.
    std::vector<double> residuals;
    for (const Match& m : matches_) {
      const auto t = terms(m);
      double model = 0;
      for (std::size_t a = 0; a < 5; ++a) model += c[a] * t[a];
      residuals.push_back(m.dy - model);
    }
    std::vector<double> absolute;
    for (const double r : residuals) absolute.push_back(std::abs(r));
    // A correspondence more than 2 pixels off the model is no part of it, however spread the
    // rest are (chance matches of unrelated pictures spread wide).
    const double sigma = 1.4826 * percentile(absolute, 0.5);
    const double limit = std::clamp(4.685 * sigma, 0.5, 2.0);
    for (std::size_t i = 0; i < residuals.size(); ++i) {
      const double q = residuals[i] / limit;
      weights[i] = std::abs(q) < 1 ? (1 - q * q) * (1 - q * q) : 0;
    }
  }

  const RigModel model{c, half};
  const double toView = static_cast<double>(viewWidth) / width_;
  const double a1 = c[1] / half;
  const double a2 = c[2] / half;
  const double a3 = c[3] / (half * half);
  const double a4 = c[4] / (half * half);
  const double focal = half / std::tan(kFieldOfViewDeg / 2 * std::numbers::pi / 180);

  GeometryReport report;
  report.fieldOfViewDeg = kFieldOfViewDeg;
  report.verticalOffsetPx = c[0] * toView;
  report.rollDeg = degrees(std::asin(std::clamp(a1, -1.0, 1.0)));
  report.zoomPercent = 100 * a2;
  report.toeInDeg = degrees(std::atan(a3 * focal));
  report.tiltDeg = degrees(std::atan(a4 * focal));

  std::vector<double> before;
  std::vector<double> after;
  std::vector<double> parallax;
  for (std::size_t i = 0; i < matches_.size(); ++i) {
    if (weights[i] <= 0) continue;
    const Match& m = matches_[i];
    before.push_back(std::abs(m.dy) * toView);
    const double seen = seenAt(m);
    after.push_back(std::abs(m.dy - model.down(seen, m.y)) * toView);
    // What roll, zoom and the keystones move sideways; what is left is depth.
    parallax.push_back((m.dx - model.across(seen, m.y)) / width_ * 1000);
  }
  auto error = [](const std::vector<double>& values) {
    GeometryReport::Error e;
    double sum = 0;
    for (const double v : values) sum += v;
    e.mean = values.empty() ? 0 : sum / static_cast<double>(values.size());
    e.p95 = percentile(values, 0.95);
    return e;
  };
  report.verticalBefore = error(before);
  report.verticalAfter = error(after);
  report.correspondences = static_cast<int>(parallax.size());
  report.frames = frames_;
  report.confidence =
      pieces_ > 0 ? std::min(1.0, static_cast<double>(parallax.size()) / pieces_) : 0;
  // Chance matches of unrelated pictures agree on no model: few of them fit.
  if (static_cast<int>(parallax.size()) < std::max(kMinMatches, pieces_ / 10)) {
    throw Error("the views show no common picture that could be matched");
  }
  const Depth depth = denseDepth(c, *std::min_element(parallax.begin(), parallax.end()),
                                 *std::max_element(parallax.begin(), parallax.end()));
  report.matchedShare = depth.matched;
  if (depth.matched >= GeometryReport::kMinMatchedShare) {
    report.parallaxNearPermille = depth.nearPermille;
    report.parallaxFarPermille = depth.farPermille;
  } else {
    // Too little of the picture matched pixel by pixel: the pieces tell the depth.
    report.parallaxNearPermille = percentile(parallax, 0.01);
    report.parallaxFarPermille = percentile(parallax, 0.99);
  }
  return report;
}

GeometryEstimator::Depth GeometryEstimator::denseDepth(const std::array<double, 5>& c,
                                                       double nearestPermille,
                                                       double farthestPermille) const {
  Depth depth;
  if (pictures_.empty()) return depth;
  const RigModel model{c, width_ / 2.0};
  const int width = pictures_.front().left.width;
  const double scale = static_cast<double>(width) / width_;
  // The search covers what real footage shows, a quarter of the width in front of the screen
  // to a tenth behind, and what the pieces found beyond it.
  const double margin = std::max(8.0, 0.02 * width);
  const auto toPixels = [width](double permille) { return permille * width / 1000; };
  const int nearest =
      static_cast<int>(std::floor(std::min(toPixels(nearestPermille), -0.25 * width) - margin));
  const int farthest =
      static_cast<int>(std::ceil(std::max(toPixels(farthestPermille), 0.10 * width) + margin));
  const DenseDisparity matcher(nearest, farthest);
  std::vector<float> values;
  double known = 0;
  double pixels = 0;
  const std::size_t count = std::min<std::size_t>(kDenseFrames, pictures_.size());
  for (std::size_t k = 0; k < count; ++k) {
    const Pictures& pair = pictures_[(2 * k + 1) * pictures_.size() / (2 * count)];
    const Aligned right = aligned(pair.right, model, scale, width_ / 2.0, height_ / 2.0);
    DenseDisparity::Result found = matcher.measure(pair.left, right.picture);
    // A match with what the aligned view took from outside the view is none.
    for (std::size_t pixel = 0; pixel < found.parallax.size(); ++pixel) {
      const float parallax = found.parallax[pixel];
      if (std::isnan(parallax)) continue;
      const auto x = static_cast<int>(pixel % static_cast<std::size_t>(width));
      const int xr = std::clamp(static_cast<int>(std::lround(x + parallax)), 0, width - 1);
      if (right.outside[pixel - static_cast<std::size_t>(x) + static_cast<std::size_t>(xr)]) {
        found.parallax[pixel] = std::nanf("");
        --found.known;
      }
    }
    known += found.known;
    pixels += static_cast<double>(found.parallax.size());
    for (const float value : DenseDisparity::filled(found)) {
      if (!std::isnan(value)) values.push_back(value);
    }
  }
  depth.matched = pixels > 0 ? known / pixels : 0;
  if (values.empty()) return depth;
  std::vector<double> permille(values.size());
  std::transform(values.begin(), values.end(), permille.begin(),
                 [width](float value) { return value * 1000.0 / width; });
  depth.nearPermille = percentile(permille, 0.01);
  depth.farPermille = percentile(permille, 0.99);
  return depth;
}

}  // namespace twinlens
