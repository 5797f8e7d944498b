#pragma once

#include <string>

#include "engine/ConversionSettings.h"

namespace twinlens {

class PresetsFile;

// Reads a settings or layout file into the settings (a missing file gives every default), then
// shows the VCF paths, the prefix and the frame rate in their edits and refreshes the preset
// fields from `presets` (when given). Raises Error for a frame-rate text that is not an
// integer; the keys read before it stay applied.
void LoadSettings(ConversionSettings& settings, const std::string& path,
                  const PresetsFile* presets);

// Writes the 52 settings keys. Raises "Unable to write to <path>" and stops at a refused write.
void SaveSettings(const ConversionSettings& settings, const std::string& path);

}  // namespace twinlens
