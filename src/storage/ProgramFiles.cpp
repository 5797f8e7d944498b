#include "storage/ProgramFiles.h"

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

}  // namespace twinlens
