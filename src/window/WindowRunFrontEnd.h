#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/ConversionRun.h"
#include "window/Prompter.h"
#include "window/ScreenView.h"

namespace twinlens::window {

// Starts a program as the shell does: file, parameters, working folder. Returns the system's
// reason when it could not be started, else an empty text.
using Launcher = std::function<std::string(const std::string& file, const std::string& parameters,
                                           const std::string& workingFolder)>;

// A window's side of a conversion run: its file dialogs, its launches, and the list of files the
// run wrote, for the run's report.
class WindowRunFrontEnd : public RunFrontEnd {
 public:
  WindowRunFrontEnd(Prompter& prompter, ScreenView& view, Launcher launcher)
      : prompter_(prompter), view_(view), launcher_(std::move(launcher)) {}

  void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }
  // What starts the ffmpeg engine's runner, followed in the window; the launcher when none.
  void setEncodesStarter(std::function<std::string(const ProgramStart&)> starter) {
    encodesStarter_ = std::move(starter);
  }

  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest& request) override {
    // The input dialogs show every file.
    auto files = prompter_.openFiles(request.title, {}, request.initialFolder, request.multiple);
    chosen_.push_back(files.value_or(std::vector<std::string>{}));
    return files;
  }
  std::string launch(const std::string& file, const std::string& parameters,
                     const std::string& workingFolder) override {
    return launcher_ ? launcher_(file, parameters, workingFolder) : std::string();
  }
  std::string launchEncodes(const ProgramStart& runner) override {
    return encodesStarter_ ? encodesStarter_(runner) : RunFrontEnd::launchEncodes(runner);
  }
  void wrote(const std::string& path) override { written_.push_back(path); }
  // A long step shows in the status bar, beside a way to stop it.
  void progress(const std::string& text) override { view_.showProgress(text); }
  bool cancelled() override { return view_.stopRequested(); }

  // The files the last run wrote, in order, and what each of its dialogs chose; cleared before
  // each run.
  const std::vector<std::string>& written() const { return written_; }
  const std::vector<std::vector<std::string>>& chosen() const { return chosen_; }
  void clear() {
    written_.clear();
    chosen_.clear();
  }

 private:
  Prompter& prompter_;
  ScreenView& view_;
  Launcher launcher_;
  std::function<std::string(const ProgramStart&)> encodesStarter_;
  std::vector<std::string> written_;
  std::vector<std::vector<std::string>> chosen_;
};

}  // namespace twinlens::window
