#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/ConversionSettings.h"

namespace twinlens {

// The three Deshaker parameter texts the pass scripts put around their own log path.
struct DeshakerParameters {
  std::string part1a;  // from the opening quote through the separator after field 24, pass 1
  std::string part1b;  // the same for pass 2
  std::string part2;   // from the separator after field 25 through the closing quote

  friend bool operator==(const DeshakerParameters&, const DeshakerParameters&) = default;
};

// Cuts a Deshaker configuration line; nothing when it lacks the opening quote, 25 separators
// after it, or a closing quote after the 25th.
std::optional<DeshakerParameters> cutDeshakerLine(std::string_view line);

// Finds the first Deshaker filter line of a VirtualDub configuration text and cuts the line after
// it; nothing when there is no such pair.
std::optional<DeshakerParameters> findDeshakerParameters(std::string_view vcfText);

// Imports the three Deshaker parameter texts from a VirtualDub configuration file. Returns true
// when they were replaced; false (nothing changed) when the file holds no usable Deshaker line.
// A file that cannot be opened raises Error.
bool importDeshakerSettings(ConversionSettings& settings, const std::string& vcfPath);

}  // namespace twinlens
