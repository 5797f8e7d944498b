// The program's own FFT, which the Windows build uses, against FFTW's results, and the sound
// correlation both serve.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "analysis/Fft.h"
#include "analysis/SoundCorrelation.h"

namespace twinlens {
namespace {

std::vector<std::complex<double>> noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal;
  std::vector<std::complex<double>> data(size);
  for (auto& value : data) value = {normal(random), normal(random)};
  return data;
}

double largestDifference(const std::vector<std::complex<double>>& a,
                         const std::vector<std::complex<double>>& b) {
  double largest = 0;
  for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

// The textbook sum, for small sizes.
std::vector<std::complex<double>> slowDft(const std::vector<std::complex<double>>& input) {
  const std::size_t n = input.size();
  std::vector<std::complex<double>> out(n);
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t t = 0; t < n; ++t) {
      const double angle =
          -2 * std::numbers::pi * static_cast<double>(k * t % n) / static_cast<double>(n);
      out[k] += input[t] * std::complex<double>(std::cos(angle), std::sin(angle));
    }
  }
  return out;
}

class OwnFft : public ::testing::TestWithParam<std::size_t> {};

// Against FFTW where the build has it (Linux), else against the textbook sum (the Windows
// build, whose only transform this is); and back again.
TEST_P(OwnFft, GivesTheReferenceSpectrumAndRoundTrips) {
  const std::size_t size = GetParam();
  auto fftw = makeFftwFft(size);
  const auto input = noise(size, static_cast<unsigned>(size));
  std::vector<std::complex<double>> expected;
  if (fftw != nullptr) {
    expected = input;
    fftw->forward(expected);
  } else if (size <= 4096) {
    expected = slowDft(input);
  } else {
    GTEST_SKIP() << "no FFTW in this build, and too large for the textbook sum";
  }
  auto own = makeOwnFft(size);
  auto actual = input;
  own->forward(actual);
  const double tolerance = 1e-9 * std::sqrt(static_cast<double>(size)) * std::log2(size + 1.0);
  EXPECT_LT(largestDifference(actual, expected), tolerance);
  own->backward(actual);
  for (auto& value : actual) value /= static_cast<double>(size);
  EXPECT_LT(largestDifference(actual, input), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OwnFft, ::testing::Values(2, 4, 8, 64, 1024, 4096, 65536, 1 << 20));

// A track delayed by a known number of samples, with noise of its own and another gain: the lag
// comes out within half a sample (62 microseconds at 8 kHz), in either direction.
TEST(SoundCorrelation, FindsAKnownLagWithinHalfASample) {
  std::mt19937 random(7);
  std::normal_distribution<float> normal;
  std::vector<float> first(32000);
  for (float& s : first) s = normal(random);
  for (const int delay : {-1234, 0, 567}) {
    std::vector<float> second(first.size());
    for (std::size_t i = 0; i < second.size(); ++i) {
      const auto from = static_cast<std::ptrdiff_t>(i) - delay;
      const float signal = from >= 0 && from < static_cast<std::ptrdiff_t>(first.size())
                               ? first[static_cast<std::size_t>(from)]
                               : 0.0f;
      second[i] = 0.3f * signal + 0.1f * normal(random);
    }
    const SoundLag lag = correlateSounds(first, second, 8000, 1.0);
    EXPECT_NEAR(lag.seconds * 8000, delay, 0.5) << delay;
    EXPECT_GT(lag.confidence, 5);
  }
}

}  // namespace
}  // namespace twinlens
