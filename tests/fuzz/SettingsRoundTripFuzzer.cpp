// Any bytes as a settings file (and as the presets file): what loading gives is saved and loaded
// again without an error, and the second load gives the same settings again when saved once more.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Error.h"
#include "model/ConversionSettings.h"
#include "storage/IniFile.h"
#include "storage/IniText.h"
#include "storage/SettingsFile.h"

namespace {

twinlens::IniText saved(const twinlens::ConversionSettings& settings) {
  twinlens::IniText text;
  twinlens::IniFile::set(text, twinlens::settingsEntries(settings), "fuzz.ini");
  return twinlens::IniText(text.text());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  const IniText file(std::string_view(reinterpret_cast<const char*>(data), size));
  ConversionSettings settings("/program");
  try {
    LoadSettings(settings, file, &file, "/program");
  } catch (const Error&) {
    return 0;  // a frame rate that is not an integer
  }
  // No error escapes either step.
  const IniText first = saved(settings);
  ConversionSettings again("/program");
  LoadSettings(again, first, &file, "/program");
  // A value the file gives back changed (trimmed, unquoted) is read alike from then on.
  ConversionSettings third("/program");
  const IniText second = saved(again);
  LoadSettings(third, second, &file, "/program");
  if (!(third == again)) std::abort();
  return 0;
}
