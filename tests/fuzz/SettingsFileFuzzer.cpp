// Any bytes as a settings file, and the same bytes as the presets file, so that "Codec" meets a
// list of some length: loading gives values or the integer error, never anything else, the preset
// chosen is one of the list, and every value loaded could be saved. All in memory, so that the
// search runs at the parser's own speed; the save and the second load are settings_round_trip's.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Error.h"
#include "model/ConversionSettings.h"
#include "storage/IniText.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  const IniText file(std::string_view(reinterpret_cast<const char*>(data), size));

  ConversionSettings settings("/program");
  try {
    LoadSettings(settings, file, &file, "/program");
  } catch (const Error&) {
    return 0;  // a frame rate that is not an integer
  }
  if (settings.ComboBox_FF_codec >= static_cast<int>(PresetsFile::names(file).size())) {
    std::abort();
  }
  for (const IniFile::Entry& entry : settingsEntries(settings)) {
    if (!IniText::canHoldValue(entry.value)) std::abort();
  }
  return 0;
}
