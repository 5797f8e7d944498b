// Any bytes as what the analysis commands read from ffmpeg: as two clips' sound samples for the
// correlation that places one sound in the other, and as rows of RGB pixels for the colour
// tables. The lag is a number within the lags looked at; the colour tables never give a darker
// value more than a brighter one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "analysis/HistogramMatch.h"
#include "analysis/OffsetDetector.h"
#include "analysis/SoundCorrelation.h"

namespace {

constexpr std::size_t kMostSamples = 256;

void check(bool condition) {
  if (!condition) std::abort();
}

std::vector<float> samplesOf(FuzzedDataProvider& bytes, std::size_t count) {
  std::vector<float> samples;
  for (std::size_t i = 0; i < count && bytes.remaining_bytes() >= 2; ++i) {
    samples.push_back(static_cast<float>(bytes.ConsumeIntegral<std::int16_t>()) / 32768.0f);
  }
  return samples;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  FuzzedDataProvider bytes(data, size);
  const double maxLag = bytes.ConsumeFloatingPointInRange<double>(0, 0.25);
  // Up to 32 ms of each sound: the correlation's steps are the same at any
  // length, and short ones are searched many times faster.
  const std::size_t firstCount = bytes.ConsumeIntegralInRange<std::size_t>(0, kMostSamples);
  const std::vector<float> first = samplesOf(bytes, firstCount);
  const std::vector<float> second = samplesOf(bytes, kMostSamples);
  const SoundLag lag = correlateSounds(first, second, OffsetDetector::kSampleRate, maxLag);
  check(std::isfinite(lag.seconds) && std::isfinite(lag.confidence) && lag.confidence >= 0);
  // The peak's centre lies within a millisecond of the lags looked at.
  check(std::abs(lag.seconds) <= maxLag + 0.001 + 1.0 / OffsetDetector::kSampleRate);
  check(std::isfinite(rmsOf(first)));

  // The same bytes as pixel rows of two views.
  RgbHistograms changed{};
  RgbHistograms reference{};
  const std::size_t pixels = size / 3;
  addPixels(changed, data, pixels / 2);
  addPixels(reference, data + (pixels / 2) * 3, pixels - pixels / 2);
  const ChannelTables tables = matchHistograms(changed, reference);
  for (const auto& table : tables) {
    for (std::size_t value = 1; value < table.size(); ++value)
      check(table[value - 1] <= table[value]);
  }
  check(!cubeText(tables).empty());
  return 0;
}
