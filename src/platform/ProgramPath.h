#pragma once

#include <string>

namespace twinlens::platform {

// The full path of the running program's own file; empty when the system does not tell it.
// The settings and presets files are named after it.
std::string programPath();

// Whether a program of that name would be found through the search path (on Windows with one of
// the extensions PATHEXT names, where the name has none).
bool onSearchPath(const std::string& name);

}  // namespace twinlens::platform
