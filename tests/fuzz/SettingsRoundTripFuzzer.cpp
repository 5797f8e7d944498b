// Any bytes as a settings file (and as the presets file): what loading gives is saved and loaded
// again without an error, and saving and loading again settles on settings that stay as they are.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

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
  // No error escapes saving and loading again. Reading trims and unquotes a value once each time
  // (a value of nested quotes loses one pair a round), so the rounds settle; each round that still
  // changes something must make the file shorter, or a value is read differently from how it was
  // saved.
  ConversionSettings current = settings;
  IniText text = saved(current);
  for (;;) {
    ConversionSettings next("/program");
    LoadSettings(next, text, &file, "/program");
    if (next == current) break;
    IniText nextText = saved(next);
    if (nextText.text().size() >= text.text().size()) std::abort();
    current = std::move(next);
    text = std::move(nextText);
  }
  return 0;
}
