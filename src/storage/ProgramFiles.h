#pragma once

#include <string>
#include <string_view>

#include "base/Paths.h"

namespace twinlens {

// The settings file named after a program: its path with the extension replaced by ".ini" (a
// path without extension gains one). Empty when the program's path is unknown (empty).
std::string settingsPathFor(std::string_view programPath, PathStyle style = nativePathStyle());

// The presets file named after a program: its path with the extension replaced by ".prs".
std::string presetsPathFor(std::string_view programPath, PathStyle style = nativePathStyle());

// The presets a program starts with, installed with it: in "share/twinlens" beside the folder
// that holds the program (a POSIX installation), or beside the program itself (the Windows
// package). Empty when the program's path is unknown.
std::string defaultPresetsPathFor(std::string_view programPath,
                                  PathStyle style = nativePathStyle());

// Gives a first start its presets: copies `defaults` to `presets` when there is no presets file
// yet and the defaults can be read. Anything else leaves both as they are; the window then starts
// with the presets it finds, or none.
void provideDefaultPresets(const std::string& presets, const std::string& defaults);

}  // namespace twinlens
