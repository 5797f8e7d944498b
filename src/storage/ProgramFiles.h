#pragma once

#include <string>
#include <string_view>

#include "engine/Paths.h"

namespace twinlens {

// The settings file named after a program: its path with the extension replaced by ".ini" (a
// path without extension gains one). Empty when the program's path is unknown (empty).
std::string settingsPathFor(std::string_view programPath, PathStyle style = nativePathStyle());

// The presets file named after a program: its path with the extension replaced by ".prs".
std::string presetsPathFor(std::string_view programPath, PathStyle style = nativePathStyle());

}  // namespace twinlens
