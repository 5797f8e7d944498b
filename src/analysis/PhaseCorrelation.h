#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

#include "analysis/Fft.h"
#include "analysis/GrayImage.h"

namespace twinlens {

// Where a square piece of one picture lies in another, by phase correlation: the cross spectrum
// of the two pieces (each without its mean, under a Hann window) with its magnitude divided out
// has its peak at their shift, which a parabola through the peak places between pixels.
class PhaseCorrelation {
 public:
  // Pieces of `size` pixels square; a power of two.
  explicit PhaseCorrelation(int size);

  struct Shift {
    double dx = 0;  // how far the piece's content lies right (and below) in the second picture
    double dy = 0;
    double peak = 0;       // the correlation at the shift, 0 to 1: how alike the pieces are
    double ambiguity = 0;  // the next best peak apart from it against the best, 0 to 1
  };

  // The shift between the piece of `first` whose top left corner is (x1, y1) and the piece of
  // `second` at (x2, y2); both must lie inside their pictures. Shifts beyond half the size wrap.
  Shift measure(const GrayImage& first, int x1, int y1, const GrayImage& second, int x2, int y2);
  // The same with the second piece taken between pixels, its top left corner at (x2, y2)
  // (interpolated bicubically): a shift found close to zero is found without the bias the
  // parabola has between pixels.
  Shift measureAt(const GrayImage& first, int x1, int y1, const GrayImage& second, double x2,
                  double y2);

  // How strongly the piece of `picture` at (x, y) repeats itself: its autocorrelation's best
  // peak away from the centre against the centre, 0 to 1 (a stripe or a chequer: near 1).
  double repetition(const GrayImage& picture, int x, int y);

  int size() const { return size_; }

 private:
  void load(const GrayImage& picture, int x0, int y0, std::vector<std::complex<double>>& into);
  Shift correlate(double offsetX, double offsetY);
  void transform(std::vector<std::complex<double>>& data, bool backward);

  int size_;
  std::unique_ptr<Fft> fft_;
  std::vector<double> window_;
  std::vector<std::complex<double>> a_;
  std::vector<std::complex<double>> b_;
  std::vector<std::complex<double>> line_;
  GrayImage between_;  // a piece taken between pixels
};

}  // namespace twinlens
