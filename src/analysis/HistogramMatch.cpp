#include "analysis/HistogramMatch.h"

namespace twinlens {

void addPixels(RgbHistograms& histograms, const std::uint8_t* rgb, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i) {
    for (std::size_t channel = 0; channel < 3; ++channel)
      ++histograms[channel][rgb[3 * i + channel]];
  }
}

ChannelTables matchHistograms(const RgbHistograms& changed, const RgbHistograms& reference) {
  ChannelTables tables{};
  for (std::size_t channel = 0; channel < 3; ++channel) {
    const auto& from = changed[channel];
    const auto& to = reference[channel];
    std::uint64_t fromTotal = 0;
    std::uint64_t toTotal = 0;
    for (std::size_t v = 0; v < 256; ++v) {
      fromTotal += from[v];
      toTotal += to[v];
    }
    auto& table = tables[channel];
    if (fromTotal == 0 || toTotal == 0) {
      for (std::size_t v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>(v);
      continue;
    }
    // A value's place is the middle of its share of the distribution; the reference value whose
    // share holds that place is the one it becomes.
    std::uint64_t below = 0;
    std::size_t target = 0;
    std::uint64_t targetBelow = 0;
    for (std::size_t v = 0; v < 256; ++v) {
      const double place = (static_cast<double>(below) + from[v] / 2.0) / fromTotal;
      while (target < 255 && static_cast<double>(targetBelow + to[target]) / toTotal <= place) {
        targetBelow += to[target];
        ++target;
      }
      table[v] = static_cast<std::uint8_t>(target);
      below += from[v];
    }
  }
  return tables;
}

std::string cubeText(const ChannelTables& tables) {
  std::string text = "TITLE \"Twinlens colour match\"\nLUT_1D_SIZE 256\n";
  text.reserve(text.size() + 256 * 27);
  for (std::size_t v = 0; v < 256; ++v) {
    for (std::size_t channel = 0; channel < 3; ++channel) {
      // value / 255 to six decimals, rounded: never a tie, as 255 is odd.
      const unsigned millionths = (tables[channel][v] * 2000000u + 255u) / 510u;
      const char digits[] = {static_cast<char>('0' + millionths / 1000000u),
                             '.',
                             static_cast<char>('0' + millionths / 100000u % 10u),
                             static_cast<char>('0' + millionths / 10000u % 10u),
                             static_cast<char>('0' + millionths / 1000u % 10u),
                             static_cast<char>('0' + millionths / 100u % 10u),
                             static_cast<char>('0' + millionths / 10u % 10u),
                             static_cast<char>('0' + millionths % 10u),
                             channel == 2 ? '\n' : ' '};
      text.append(digits, sizeof digits);
    }
  }
  return text;
}

}  // namespace twinlens
