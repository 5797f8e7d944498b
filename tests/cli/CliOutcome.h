#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace twinlens::test {

// What twinlens-cli answered, run in the test's own process.
struct CliOutcome {
  int status;
  std::string out;
  std::string err;
};

inline CliOutcome runCli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = cli::run(args, out, err);
  return {status, out.str(), err.str()};
}

// What a run wrote to its output, without the lines that tell how far its scan has come.
inline std::string withoutProgress(const std::string& out) {
  std::istringstream lines(out);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("progress\t")) kept += line + "\n";
  }
  return kept;
}

// The runner that "Execute ffmpeg" starts, from its "launch" line; empty where there is none.
inline std::string launchedRunner(const std::string& out) {
  const std::size_t launch = out.find("launch\t");
  if (launch == std::string::npos) return {};
  const std::size_t from = launch + 7;
  return out.substr(from, out.find('\t', from) - from);
}

}  // namespace twinlens::test
