#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "model/ConversionSettings.h"

namespace twinlens::cli {

// A command line that cannot be carried out as given: told with its command's usage line, and
// the exit status 2.
struct UsageError {
  std::string message;
};

// One command of twinlens-cli. Its options are bound to its own members on its CLI11 app; once
// they are parsed, `check` looks at them together and `run` carries the command out.
class Command {
 public:
  virtual ~Command() = default;
  // Raises CLI::ValidationError for options that do not go together.
  virtual void check() const {}
  // The exit status: 0 done, 1 the command failed; a UsageError for a wrong value.
  virtual int run(std::ostream& out, std::ostream& err) = 0;
};

// The usage line of a command, made from its options as the parser knows them.
std::string usageLine(const CLI::App& app);

// The check of an input file. CLI11's own goes through wide-character paths on Windows, which
// miss names in the 8-bit code page; this one asks the system the way the run will.
CLI::Validator existingFile();

// The folder of the running program without its trailing separator, where the remembered
// folders start.
std::string programFolder();

// A dialog returns full paths; so does the command line, whatever the user typed. All files of
// one option lie in one folder, as a dialog chooses them.
std::vector<std::string> absolutePaths(const std::vector<std::string>& files, const char* option);

// Two clips for a pair, one file for views side by side or over and under.
void checkClips(const std::vector<std::string>& files, const std::string& views);

// The settings a command works with: the defaults, or a settings file, with `--set` over them.
class SettingsOptions {
 public:
  // `presets`: the command takes `--presets FILE`, which fills the preset fields as the window's
  // presets file does; `assignments`: it takes `--set NAME=VALUE` too.
  void add(CLI::App& app, const char* fileHelp, bool presets, bool assignments);
  // The settings of the command; a bad `--set` raises UsageError, a file that cannot be read
  // Error.
  ConversionSettings load() const;

 private:
  std::string file_;
  std::string presetsFile_;
  std::vector<std::string> assignments_;
};

}  // namespace twinlens::cli
