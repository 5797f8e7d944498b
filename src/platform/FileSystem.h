#pragma once

#include <string>
#include <string_view>

namespace twinlens::platform {

// True when a file (not a folder) exists at the path.
bool fileExists(const std::string& path);

// The whole content of a file. A file that cannot be opened or read raises
// `Cannot open file "<path>". <reason>`.
std::string readFile(const std::string& path);

// Replaces the file at `path` as a whole with `bytes`: the bytes go to a temporary file in the
// same folder, which is then renamed over the target, so a failed write never leaves a
// half-written file where a good one stood. A failure raises
// `Cannot create file "<path>". <reason>` and leaves any earlier file untouched.
void writeFileReplacing(const std::string& path, std::string_view bytes);

// The full path of a file named relative to the current folder, "." and ".." steps resolved and
// the separators spelled the system's way. The bytes stay in the 8-bit code page: on Windows
// the name never passes through a wide-character path.
std::string absolutePath(const std::string& path);

// The system's text for an error number of the C library.
std::string systemErrorText(int errorNumber);

}  // namespace twinlens::platform
