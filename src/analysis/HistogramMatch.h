#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace twinlens {

// How often each value 0..255 occurs in each of the red, green and blue channels.
using RgbHistograms = std::array<std::array<std::uint64_t, 256>, 3>;

// A value table per channel, as ffmpeg's lut1d applies it.
using ChannelTables = std::array<std::array<std::uint8_t, 256>, 3>;

// Adds packed 8-bit RGB pixels to the histograms.
void addPixels(RgbHistograms& histograms, const std::uint8_t* rgb, std::size_t pixels);

// The tables that give the changed view's channels the distribution of the reference's: each
// value goes to the reference value at the same place in its cumulative distribution.
ChannelTables matchHistograms(const RgbHistograms& changed, const RgbHistograms& reference);

// The tables as a 1D ".cube" file.
std::string cubeText(const ChannelTables& tables);

}  // namespace twinlens
