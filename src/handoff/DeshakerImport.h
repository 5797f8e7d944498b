#pragma once

#include <string>

#include "engine/ConversionSettings.h"

namespace twinlens {

// Imports the three Deshaker parameter texts from a VirtualDub configuration file. Returns true
// when they were replaced; false (nothing changed) when the file holds no usable Deshaker line.
// A file that cannot be opened raises Error.
bool importDeshakerSettings(ConversionSettings& settings, const std::string& vcfPath);

}  // namespace twinlens
