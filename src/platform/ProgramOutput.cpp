#include "platform/ProgramOutput.h"

#include "platform/ChildProcess.h"

namespace twinlens::platform {

std::string windowsCommandLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) {
    if (!line.empty()) line.push_back(' ');
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
      line += argument;
      continue;
    }
    line.push_back('"');
    std::size_t backslashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line.push_back(c);
    }
    line.append(backslashes * 2, '\\');
    line.push_back('"');
  }
  return line;
}

std::string ProgramOutput::lastErrorLine() const {
  std::string text = errors;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::size_t start = text.find_last_of('\n');
  return start == std::string::npos ? text : text.substr(start + 1);
}

ProgramOutput runProgram(const std::vector<std::string>& command) {
  ProgramOutput result;
  ChildProcess child;
  result.errors = child.start(command);
  result.started = result.errors.empty();
  if (!result.started) return result;
  while (child.poll(-1)) {
  }
  result.exitCode = child.exitCode();
  result.output = std::move(child.output());
  result.errors = std::move(child.errors());
  return result;
}

}  // namespace twinlens::platform
