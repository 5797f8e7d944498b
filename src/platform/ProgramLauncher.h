#pragma once

#include <string>

namespace twinlens::platform {

// Starts a program or opens a file the way the desktop shell does, with the parameters given and
// in the working folder given (the launcher's own when empty), without waiting for it. Returns the
// system's reason when the program could not be started, else an empty text. On Windows: the
// shell's "open" verb with a normally shown window.
// On POSIX: a Windows program (.exe, .bat) through wine when it is installed (.bat through
// "wine cmd /c"), any other file directly when it is executable; detached, so no zombie stays,
// and with its input and output on /dev/null, so it holds none of ours open.
std::string launchProgram(const std::string& file, const std::string& parameters,
                          const std::string& workingFolder);

}  // namespace twinlens::platform
