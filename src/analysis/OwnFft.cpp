#include <cmath>
#include <numbers>
#include <utility>

#include "analysis/Fft.h"

namespace twinlens {

namespace {

// Iterative Cooley-Tukey in place: the bit-reversed order first, then the butterflies level by
// level, with the twiddle factors computed once per size.
class OwnFft : public Fft {
 public:
  explicit OwnFft(std::size_t size) : Fft(size), twiddles_(size / 2) {
    for (std::size_t k = 0; k < size / 2; ++k) {
      const double angle =
          -2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size);
      twiddles_[k] = {std::cos(angle), std::sin(angle)};
    }
  }

  void forward(std::vector<std::complex<double>>& data) override { transform(data, false); }
  void backward(std::vector<std::complex<double>>& data) override { transform(data, true); }

 private:
  void transform(std::vector<std::complex<double>>& data, bool backward) const {
    const std::size_t n = size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
      std::size_t bit = n >> 1;
      for (; j & bit; bit >>= 1) j ^= bit;
      j ^= bit;
      if (i < j) std::swap(data[i], data[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
      const std::size_t step = n / length;
      const std::size_t half = length / 2;
      for (std::size_t start = 0; start < n; start += length) {
        for (std::size_t k = 0; k < half; ++k) {
          std::complex<double> w = twiddles_[k * step];
          if (backward) w = std::conj(w);
          const std::complex<double> odd = data[start + k + half] * w;
          data[start + k + half] = data[start + k] - odd;
          data[start + k] += odd;
        }
      }
    }
  }

  std::vector<std::complex<double>> twiddles_;
};

}  // namespace

std::unique_ptr<Fft> makeOwnFft(std::size_t size) {
  return std::make_unique<OwnFft>(size);
}

}  // namespace twinlens
