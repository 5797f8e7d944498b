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

}  // namespace twinlens::test
