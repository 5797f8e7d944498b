#include "storage/ProgramFiles.h"

#include "base/Error.h"
#include "platform/FileSystem.h"

namespace twinlens {

namespace {

std::string withExtension(std::string_view programPath, const char* extension, PathStyle style) {
  // Without a name there is nothing to name the file after; ".ini" alone would land in
  // whatever folder happens to be current.
  if (paths::name(programPath, style).empty()) return {};
  return paths::noext(programPath, style) + extension;
}

}  // namespace

std::string settingsPathFor(std::string_view programPath, PathStyle style) {
  return withExtension(programPath, ".ini", style);
}

std::string presetsPathFor(std::string_view programPath, PathStyle style) {
  return withExtension(programPath, ".prs", style);
}

std::string defaultPresetsPathFor(std::string_view programPath, PathStyle style) {
  if (paths::name(programPath, style).empty()) return {};
  if (style == PathStyle::Windows) return paths::dir(programPath, style) + "twinlens.prs";
  return paths::dir(programPath, style) + "../share/twinlens/twinlens.prs";
}

void provideDefaultPresets(const std::string& presets, const std::string& defaults) {
  if (presets.empty() || defaults.empty() || presets == defaults) return;
  if (platform::fileExists(presets) || !platform::fileExists(defaults)) return;
  try {
    platform::writeFileReplacing(presets, platform::readFile(defaults));
  } catch (const Error&) {
    // Without them the window starts with an empty preset list, as before.
  }
}

}  // namespace twinlens
