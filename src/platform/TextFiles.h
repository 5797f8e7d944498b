#pragma once

#include <string>

#include "base/TextFile.h"

namespace twinlens::platform {

// Writes a text file, replacing an existing one as a whole. A failure raises
// `Cannot create file "<path>". <reason>` and leaves the earlier file as it was.
void saveTextFile(const TextFile& file, const std::string& path);

// Reads a text file at its line ends; a failure raises `Cannot open file "<path>". <reason>`.
TextFile loadTextFile(const std::string& path);

}  // namespace twinlens::platform
