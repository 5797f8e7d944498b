#pragma once

namespace twinlens::platform {

// Whether the program's standard error is a terminal (a console on Windows), where a line can be
// written over in place.
bool standardErrorIsTerminal();

}  // namespace twinlens::platform
