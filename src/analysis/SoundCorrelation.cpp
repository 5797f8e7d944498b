#include "analysis/SoundCorrelation.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "analysis/Fft.h"

namespace twinlens {

namespace {

// A peak this close to the best one is part of it, not a rival.
constexpr double kPeakWidthSeconds = 0.02;
// How far the clocks' drift may spread a peak either way within one comparison.
constexpr double kSpreadSeconds = 0.001;
constexpr double kWhitening = 0.65;

}  // namespace

double rmsOf(const std::vector<float>& samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (const float s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

SoundLag correlateSounds(const std::vector<float>& first, const std::vector<float>& second,
                         double sampleRate, double maxLagSeconds) {
  std::size_t size = 1;
  while (size < first.size() + second.size()) size <<= 1;
  std::unique_ptr<Fft> fft = makeFft(size);

  std::vector<std::complex<double>> a(size);
  std::vector<std::complex<double>> b(size);
  std::copy(first.begin(), first.end(), a.begin());
  std::copy(second.begin(), second.end(), b.begin());
  fft->forward(a);
  fft->forward(b);
  // Phase transform: the cross spectrum with its magnitude divided out.
  for (std::size_t k = 0; k < size; ++k) {
    const std::complex<double> cross = std::conj(a[k]) * b[k];
    const double magnitude = std::abs(cross);
    a[k] = magnitude > 1e-12 ? cross / std::pow(magnitude, kWhitening) : std::complex<double>();
  }
  fft->backward(a);

  // Lag k sits at index k, a negative lag at size + k; the correlation is circular, so the
  // spread around a lag near the ends wraps round too.
  const auto maxLag = static_cast<std::ptrdiff_t>(
      std::max(0.0, std::min(maxLagSeconds * sampleRate, static_cast<double>(size / 2) - 1)));
  auto at = [&](std::ptrdiff_t lag) {
    const auto n = static_cast<std::ptrdiff_t>(size);
    return a[static_cast<std::size_t>((lag % n + n) % n)].real();
  };
  // The clocks' drift spreads a peak over a few samples: the correlation summed over a
  // millisecond either way collects it, while chance peaks do not add up.
  const auto half = static_cast<std::ptrdiff_t>(kSpreadSeconds * sampleRate);
  const std::ptrdiff_t span = maxLag + half;
  std::vector<double> summed(static_cast<std::size_t>(2 * maxLag + 1));
  double running = 0;
  for (std::ptrdiff_t lag = -span; lag <= span; ++lag) {
    running += at(lag);
    const std::ptrdiff_t centre = lag - half;
    if (lag - 2 * half - 1 >= -span) running -= at(lag - 2 * half - 1);
    if (centre >= -maxLag && centre <= maxLag) {
      summed[static_cast<std::size_t>(centre + maxLag)] = running;
    }
  }
  auto sum = [&](std::ptrdiff_t lag) { return summed[static_cast<std::size_t>(lag + maxLag)]; };
  std::ptrdiff_t best = 0;
  for (std::ptrdiff_t lag = -maxLag; lag <= maxLag; ++lag) {
    if (sum(lag) > sum(best)) best = lag;
  }
  const auto width = static_cast<std::ptrdiff_t>(kPeakWidthSeconds * sampleRate);
  double rival = 0;
  for (std::ptrdiff_t lag = -maxLag; lag <= maxLag; ++lag) {
    if (std::abs(lag - best) > width) rival = std::max(rival, sum(lag));
  }

  // The peak's centre of mass places it between samples.
  double weight = 0;
  double moment = 0;
  for (std::ptrdiff_t lag = best - half; lag <= best + half; ++lag) {
    const double value = std::max(at(lag), 0.0);
    weight += value;
    moment += value * static_cast<double>(lag);
  }
  const double refined = weight > 0 ? moment / weight : static_cast<double>(best);
  SoundLag lag;
  lag.seconds = refined / sampleRate;
  lag.confidence = rival > 0 ? sum(best) / rival : 0;
  return lag;
}

}  // namespace twinlens
