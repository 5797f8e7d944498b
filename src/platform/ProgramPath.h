#pragma once

#include <string>

namespace twinlens::platform {

// The full path of the running program's own file; empty when the system does not tell it.
// The settings and presets files are named after it.
std::string programPath();

}  // namespace twinlens::platform
