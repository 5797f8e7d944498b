#pragma once

#include <string>
#include <vector>

namespace twinlens::platform {

// What a program that was run to its end said.
struct ProgramOutput {
  bool started = false;  // false when it could not be started; `errors` then says why
  int exitCode = -1;     // its exit status; -1 when it did not end by itself
  std::string output;    // everything it wrote to its standard output
  std::string errors;    // everything it wrote to its standard error

  // The last line of `errors`: where ffmpeg and ffprobe say what went wrong.
  std::string lastErrorLine() const;
};

// Runs a program with these arguments (the first names the program, found through the search
// path when it has no folder) and waits for it, with its input empty and both of its outputs
// collected. Never raises: a program that cannot be started is reported through `started`.
// One still running after `timeoutMs` milliseconds (-1: no bound) is stopped, its errors telling
// so, its exit status -1.
ProgramOutput runProgram(const std::vector<std::string>& command, int timeoutMs = -1);

// The command line Windows starts a program with: each argument as the C runtime of the started
// program splits it back into the same bytes (quoted when it holds blanks or quotes, or is empty;
// a quote escaped by a backslash, and the backslashes before a quote doubled).
std::string windowsCommandLine(const std::vector<std::string>& command);

}  // namespace twinlens::platform
