#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/ConversionRun.h"

namespace twinlens::test {

// A front end that answers the run's two dialogs with these files and keeps the encodes it hands
// over, not started.
class HandedOver : public RunFrontEnd {
 public:
  HandedOver(std::vector<std::string> left, std::vector<std::string> right)
      : left_(std::move(left)), right_(std::move(right)) {}
  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    return dialogs_++ == 0 ? left_ : right_;
  }
  std::string launch(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  std::string launchEncodes(const ProgramStart& start) override {
    runner = start;
    return {};
  }
  void wrote(const std::string&) override {}

  std::optional<ProgramStart> runner;

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  int dialogs_ = 0;
};

}  // namespace twinlens::test
