#pragma once

#include <algorithm>
#include <chrono>
#include <concepts>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ProgramOutput.h"

namespace twinlens::bench {

// Runs a program to its end; what it said on failing goes to standard error.
inline bool run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  if (result.exitCode != 0) {
    std::fprintf(stderr, "%s\n%s\n", command[0].c_str(), result.errors.c_str());
  }
  return result.exitCode == 0;
}

template <std::invocable Action>
double secondsOf(Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// How long a program runs; -1 where it fails.
inline double secondsOf(const std::vector<std::string>& command) {
  bool ran = false;
  const double seconds = secondsOf([&] { ran = run(command); });
  return ran ? seconds : -1;
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace twinlens::bench
