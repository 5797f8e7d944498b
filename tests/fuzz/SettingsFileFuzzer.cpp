// Any bytes as a settings file: loading gives values or the integer error, never anything else,
// and what it loaded can always be saved and loaded again. Files go to the temporary folder
// (TMPDIR), which `make fuzz` puts on a memory file system and removes afterwards.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "base/Error.h"
#include "model/ConversionSettings.h"
#include "platform/FileSystem.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"

namespace {

const std::filesystem::path& folder() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() / ("twinlens-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  const std::string path = (folder() / "fuzz.ini").string();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  platform::writeFileReplacing(path, bytes);
  // The same bytes as the presets file, so that "Codec" meets a list of some length.
  const std::string presetsPath = (folder() / "fuzz.prs").string();
  platform::writeFileReplacing(presetsPath, bytes);
  const PresetsFile presets(presetsPath);

  ConversionSettings settings("/program");
  try {
    LoadSettings(settings, path, &presets, "/program");
  } catch (const Error&) {
    return 0;  // a frame rate that is not an integer
  }
  if (settings.ComboBox_FF_codec >= static_cast<int>(presets.names().size())) std::abort();
  std::filesystem::remove(path);
  SaveSettings(settings, path);
  ConversionSettings again("/program");
  LoadSettings(again, path, &presets, "/program");
  return 0;
}
