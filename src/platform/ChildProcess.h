#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace twinlens::platform {

// A program started and left to run while its caller goes on: its two outputs are taken in as they
// come, by polls that wait no longer than asked, and it can be stopped with everything it started.
// A window renders and encodes through it without freezing. Destroying a running one stops it.
class ChildProcess {
 public:
  // How many programs this process has started, for the benchmarks and tests that count them.
  static std::uint64_t started();

  struct Options {
    std::string workingFolder;  // the caller's own when empty
    // Variables set for the program, over what it inherits.
    std::vector<std::pair<std::string, std::string>> environment;
    // The program and what it starts form a group of their own, which `stop` ends as a whole.
    // (A program left in the caller's group is ended with it by the terminal's Ctrl+C.)
    bool ownGroup = false;
    // What it writes to its standard error goes into `output` too, in the order it was written.
    bool mergeErrors = false;
    // At most this much of its output is taken in and left unread by the caller (0: no bound);
    // the rest waits in the pipe, so a program that writes faster than its caller reads waits
    // for it rather than filling the caller's memory.
    std::size_t outputLimit = 0;
  };

  ChildProcess();
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program of `command` (its first word, found through the search path when it has no
  // folder) with its input empty. Returns the reason it could not be started, else an empty text.
  std::string start(const std::vector<std::string>& command, const Options& options);
  std::string start(const std::vector<std::string>& command) { return start(command, Options{}); }

  // Takes in what the program wrote since the last poll, waiting up to `waitMs` milliseconds for
  // something to happen (-1: until it has ended). Returns whether it is still running.
  bool poll(int waitMs = 0);
  bool running() const { return running_; }
  // Its exit status once it has ended by itself; -1 while it runs or when it was stopped.
  int exitCode() const { return exitCode_; }

  // Everything it has written so far; the caller may take out what it has read.
  std::string& output() { return output_; }
  std::string& errors() { return errors_; }

  // Ends the program at once, with its group where it has one of its own, and waits for it.
  void stop();
  // Asks the program alone to end (SIGTERM), so that it can end what it started in its own way,
  // and stops it as `stop` does when it has not ended within `graceMs` milliseconds.
  void stopGently(int graceMs);

 private:
  // The system's part of `start`.
  std::string launch(const std::vector<std::string>& command, const Options& options);
  void finish(int exitCode);

  struct System;  // the system's handles
  std::unique_ptr<System> system_;
  // Whether the caller has room for more of its output.
  bool takesOutput() const { return outputLimit_ == 0 || output_.size() < outputLimit_; }

  bool running_ = false;
  int exitCode_ = -1;
  std::size_t outputLimit_ = 0;
  std::string output_;
  std::string errors_;
};

}  // namespace twinlens::platform
