#pragma once

#include <functional>

#include "engine/ConversionRun.h"
#include "ui/UiPrompter.h"

namespace twinlens::ui {

// Starts a program as the shell does: file, parameters, working folder. Returns the system's
// reason when it could not be started, else an empty text.
using Launcher = std::function<std::string(const std::string& file, const std::string& parameters,
                                           const std::string& workingFolder)>;

// The window's side of a conversion run: its file dialogs and its launches.
class WindowRunFrontEnd : public RunFrontEnd {
 public:
  WindowRunFrontEnd(UiPrompter& prompter, Launcher launcher)
      : prompter_(prompter), launcher_(std::move(launcher)) {}

  void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest& request) override;
  std::string launch(const std::string& file, const std::string& parameters,
                     const std::string& workingFolder) override;
  void wrote(const std::string& path) override { written_.push_back(path); }

  // The files the last run wrote, in order; the window clears them before each run.
  const std::vector<std::string>& written() const { return written_; }
  void clearWritten() { written_.clear(); }

 private:
  UiPrompter& prompter_;
  Launcher launcher_;
  std::vector<std::string> written_;
};

}  // namespace twinlens::ui
