// The colour tables as the .cube file ffmpeg's lut1d reads: each value over 255 to six decimals,
// digit for digit as printf writes it.
#include "analysis/HistogramMatch.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace twinlens {
namespace {

TEST(HistogramMatch, CubeTextWritesEveryValueAsPrintfWould) {
  ChannelTables tables{};
  for (std::size_t v = 0; v < 256; ++v) {
    tables[0][v] = static_cast<std::uint8_t>(v);
    tables[1][v] = static_cast<std::uint8_t>(255 - v);
    tables[2][v] = static_cast<std::uint8_t>(v * 7 % 256);
  }
  std::string expected = "TITLE \"Twinlens colour match\"\nLUT_1D_SIZE 256\n";
  for (std::size_t v = 0; v < 256; ++v) {
    char line[64];
    std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", tables[0][v] / 255.0, tables[1][v] / 255.0,
                  tables[2][v] / 255.0);
    expected += line;
  }
  EXPECT_EQ(cubeText(tables), expected);
}

}  // namespace
}  // namespace twinlens
