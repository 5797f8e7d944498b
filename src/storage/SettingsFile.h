#pragma once

#include <string>
#include <vector>

#include "model/ConversionSettings.h"

namespace twinlens {

class PresetsFile;

// Reads a settings or layout file into the settings; a missing file, section or key gives the
// key's default (the remembered folders default to `programFolder`, without a trailing
// separator). Then shows the VCF paths and the frame rate in their edits and refreshes the
// preset fields from `presets` (when given). "Codec" is a position in `listedPresets`, the
// entries the preset box shows (the presets file's names when not given): loading selects by
// position and does not list the presets again. Raises Error for a frame-rate text that is not an
// integer; the keys read before it stay applied and nothing after it is done.
void LoadSettings(ConversionSettings& settings, const std::string& path, const PresetsFile* presets,
                  const std::string& programFolder,
                  const std::vector<std::string>* listedPresets = nullptr);

// Writes the 52 settings keys. Raises "Unable to write to <path>" and stops at a refused write.
void SaveSettings(const ConversionSettings& settings, const std::string& path);

}  // namespace twinlens
