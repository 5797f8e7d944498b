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

}  // namespace twinlens::test
