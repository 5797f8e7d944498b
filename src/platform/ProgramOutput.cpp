#include "platform/ProgramOutput.h"

#include <chrono>

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

ProgramOutput runProgram(const std::vector<std::string>& command, int timeoutMs) {
  ProgramOutput result;
  ChildProcess child;
  result.errors = child.start(command);
  result.started = result.errors.empty();
  if (!result.started) return result;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (child.poll(timeoutMs < 0 ? -1 : 100)) {
    if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= until) {
      child.stop();
      result.output = std::move(child.output());
      result.errors = std::move(child.errors());
      result.errors += (result.errors.empty() || result.errors.back() == '\n' ? "" : "\n") +
                       std::string("It did not answer within ") + std::to_string(timeoutMs / 1000) +
                       " seconds";
      return result;
    }
  }
  result.exitCode = child.exitCode();
  result.output = std::move(child.output());
  result.errors = std::move(child.errors());
  return result;
}

}  // namespace twinlens::platform
