#include "analysis/PhaseCorrelation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace twinlens {

namespace {

// The vertex of the parabola through three values around a peak, as an offset from the middle.
double vertex(double before, double at, double after) {
  const double curve = before - 2 * at + after;
  if (curve >= 0) return 0;
  return std::clamp(0.5 * (before - after) / curve, -0.5, 0.5);
}

}  // namespace

PhaseCorrelation::PhaseCorrelation(int size)
    : size_(size),
      fft_(makeFft(static_cast<std::size_t>(size))),
      window_(static_cast<std::size_t>(size)),
      a_(static_cast<std::size_t>(size * size)),
      b_(static_cast<std::size_t>(size * size)),
      line_(static_cast<std::size_t>(size)) {
  for (int i = 0; i < size; ++i) {
    window_[static_cast<std::size_t>(i)] =
        0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / size);
  }
}

void PhaseCorrelation::load(const GrayImage& picture, int x0, int y0,
                            std::vector<std::complex<double>>& into) {
  double mean = 0;
  for (int y = 0; y < size_; ++y) {
    for (int x = 0; x < size_; ++x) mean += picture.at(x0 + x, y0 + y);
  }
  mean /= static_cast<double>(size_) * size_;
  for (int y = 0; y < size_; ++y) {
    for (int x = 0; x < size_; ++x) {
      const double w = window_[static_cast<std::size_t>(x)] * window_[static_cast<std::size_t>(y)];
      into[static_cast<std::size_t>(y * size_ + x)] = (picture.at(x0 + x, y0 + y) - mean) * w;
    }
  }
}

// Rows, then columns.
void PhaseCorrelation::transform(std::vector<std::complex<double>>& data, bool backward) {
  const auto n = static_cast<std::size_t>(size_);
  for (std::size_t y = 0; y < n; ++y) {
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(y * n), n, line_.begin());
    backward ? fft_->backward(line_) : fft_->forward(line_);
    std::copy_n(line_.begin(), n, data.begin() + static_cast<std::ptrdiff_t>(y * n));
  }
  for (std::size_t x = 0; x < n; ++x) {
    for (std::size_t y = 0; y < n; ++y) line_[y] = data[y * n + x];
    backward ? fft_->backward(line_) : fft_->forward(line_);
    for (std::size_t y = 0; y < n; ++y) data[y * n + x] = line_[y];
  }
}

PhaseCorrelation::Shift PhaseCorrelation::measure(const GrayImage& first, int x1, int y1,
                                                  const GrayImage& second, int x2, int y2) {
  load(first, x1, y1, a_);
  load(second, x2, y2, b_);
  return correlate(x2 - x1, y2 - y1);
}

PhaseCorrelation::Shift PhaseCorrelation::measureAt(const GrayImage& first, int x1, int y1,
                                                    const GrayImage& second, double x2, double y2) {
  // Catmull-Rom weights of the four pixels around a place between them.
  auto weights = [](double t, double w[4]) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    w[0] = 0.5 * (-t3 + 2 * t2 - t);
    w[1] = 0.5 * (3 * t3 - 5 * t2 + 2);
    w[2] = 0.5 * (-3 * t3 + 4 * t2 + t);
    w[3] = 0.5 * (t3 - t2);
  };
  const int ix = static_cast<int>(std::floor(x2));
  const int iy = static_cast<int>(std::floor(y2));
  double wx[4];
  double wy[4];
  weights(x2 - ix, wx);
  weights(y2 - iy, wy);
  if (between_.width != size_) between_ = GrayImage(size_, size_);
  for (int y = 0; y < size_; ++y) {
    for (int x = 0; x < size_; ++x) {
      double sum = 0;
      for (int j = 0; j < 4; ++j) {
        const int sy = std::clamp(iy + y + j - 1, 0, second.height - 1);
        double row = 0;
        for (int i = 0; i < 4; ++i) {
          row += wx[i] * second.at(std::clamp(ix + x + i - 1, 0, second.width - 1), sy);
        }
        sum += wy[j] * row;
      }
      between_.at(x, y) = static_cast<float>(sum);
    }
  }
  load(first, x1, y1, a_);
  load(between_, 0, 0, b_);
  return correlate(x2 - x1, y2 - y1);
}

double PhaseCorrelation::repetition(const GrayImage& picture, int x0, int y0) {
  load(picture, x0, y0, a_);
  transform(a_, false);
  for (std::complex<double>& value : a_) value = std::norm(value);
  transform(a_, true);
  const int n = size_;
  auto at = [&](int x, int y) {
    return a_[static_cast<std::size_t>(((y % n + n) % n) * n + ((x % n + n) % n))].real();
  };
  const double centre = at(0, 0);
  if (centre <= 0) return 0;
  double rival = 0;
  for (int y = -n / 4; y <= n / 4; ++y) {
    for (int x = -n / 4; x <= n / 4; ++x) {
      // Another peak: a local maximum away from the centre (a smooth surface's autocorrelation
      // falls away from the centre without one), within a quarter of the piece, where the
      // pieces overlap enough.
      if (std::abs(x) <= 2 && std::abs(y) <= 2) continue;
      const double value = at(x, y);
      bool peak = value > rival;
      for (int j = -1; j <= 1 && peak; ++j) {
        for (int i = -1; i <= 1 && peak; ++i) {
          if ((i != 0 || j != 0) && at(x + i, y + j) > value) peak = false;
        }
      }
      if (peak) rival = value;
    }
  }
  return rival / centre;
}

PhaseCorrelation::Shift PhaseCorrelation::correlate(double offsetX, double offsetY) {
  transform(a_, false);
  transform(b_, false);
  for (std::size_t k = 0; k < a_.size(); ++k) {
    const std::complex<double> cross = std::conj(a_[k]) * b_[k];
    const double magnitude = std::abs(cross);
    a_[k] = magnitude > 1e-9 ? cross / magnitude : std::complex<double>();
  }
  transform(a_, true);
  const int n = size_;
  const double scale = 1.0 / (static_cast<double>(n) * n);
  auto value = [&](int x, int y) {
    return a_[static_cast<std::size_t>(((y % n + n) % n) * n + ((x % n + n) % n))].real() * scale;
  };
  int bestX = 0;
  int bestY = 0;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (value(x, y) > value(bestX, bestY)) bestX = x, bestY = y;
    }
  }
  // The next best peak at least two pixels away from the best.
  double rival = 0;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int ddx = std::min((x - bestX + n) % n, (bestX - x + n) % n);
      const int ddy = std::min((y - bestY + n) % n, (bestY - y + n) % n);
      if (ddx > 2 || ddy > 2) rival = std::max(rival, value(x, y));
    }
  }
  Shift shift;
  shift.peak = value(bestX, bestY);
  shift.ambiguity = shift.peak > 0 ? std::max(rival, 0.0) / shift.peak : 1;
  const int sx = bestX > n / 2 ? bestX - n : bestX;
  const int sy = bestY > n / 2 ? bestY - n : bestY;
  shift.dx = sx + vertex(value(bestX - 1, bestY), shift.peak, value(bestX + 1, bestY)) + offsetX;
  shift.dy = sy + vertex(value(bestX, bestY - 1), shift.peak, value(bestX, bestY + 1)) + offsetY;
  return shift;
}

}  // namespace twinlens
