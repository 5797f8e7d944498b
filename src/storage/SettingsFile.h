#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/ConversionSettings.h"
#include "storage/IniFile.h"
#include "storage/IniText.h"

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

// The same from a settings text and a presets text in memory (no presets when null). The texts
// read are recorded in `settings.sources` as coming from the file at `filePath` (a layout file
// where it ends in ".lay") and the preset's entry of the presets file at `presetsPath`.
void LoadSettings(ConversionSettings& settings, const IniText& file, const IniText* presets,
                  const std::string& programFolder,
                  const std::vector<std::string>* listedPresets = nullptr,
                  std::string_view filePath = {}, std::string_view presetsPath = {});

// Every settings key with its value, in the order they are written.
std::vector<IniFile::Entry> settingsEntries(const ConversionSettings& settings);

// Writes every settings key with one replacement of the file, keeping its other lines. Raises
// "Unable to write to <path>" when the file cannot be replaced, or "'<text>' cannot be written to
// <path>" for a value that could not be read back; the file then stays as it was.
void SaveSettings(const ConversionSettings& settings, const std::string& path);

}  // namespace twinlens
