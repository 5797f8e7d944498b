// The command without a name: one "Convert files" run, its dialogs answered by --left and --right.
#include <algorithm>
#include <iostream>
#include <optional>

#include "base/Error.h"
#include "cli/Commands.h"
#include "platform/FileSystem.h"
#include "platform/ProgramLauncher.h"
#include "platform/Terminal.h"
#include "run/ClipScan.h"
#include "run/ConversionRun.h"
#include "run/EncodeRun.h"
#include "storage/SettingsFile.h"

namespace twinlens::cli {

namespace {

// Answers the run's dialogs from the command line and reports its events as lines.
class CommandLineFrontEnd : public RunFrontEnd {
 public:
  CommandLineFrontEnd(std::vector<std::string> left, std::vector<std::string> right,
                      bool startPrograms, std::ostream& out)
      : left_(std::move(left)),
        right_(std::move(right)),
        startPrograms_(startPrograms),
        out_(out) {}

  // The run always asks for the left files first, then (maybe) for the right ones.
  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    const std::vector<std::string>& files = dialogsAnswered_++ == 0 ? left_ : right_;
    if (files.empty()) return std::nullopt;
    return files;
  }

  std::string launch(const std::string& file, const std::string& parameters,
                     const std::string& workingFolder) override {
    out_ << "launch\t" << file << '\t' << parameters << '\t' << workingFolder << '\n';
    return startPrograms_ ? platform::launchProgram(file, parameters, workingFolder)
                          : std::string();
  }

  // The ffmpeg engine's runner is followed clip by clip once the run is done (`followEncodes`).
  std::string launchEncodes(const ProgramStart& runner) override {
    out_ << "launch\t" << runner.file << '\t' << runner.parameters << '\t' << runner.workingFolder
         << '\n';
    if (startPrograms_) encodes_ = runner;
    return {};
  }
  const std::optional<ProgramStart>& encodes() const { return encodes_; }

  void wrote(const std::string& path) override { out_ << "wrote\t" << path << '\n'; }
  void progress(const std::string& text) override {
    out_ << "progress\t" << text << '\n' << std::flush;
  }

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  bool startPrograms_;
  std::ostream& out_;
  int dialogsAnswered_ = 0;
  std::optional<ProgramStart> encodes_;
};

// Runs the ffmpeg engine's runner to its end. On a terminal its progress is one line written over
// in place; elsewhere each clip's start is a "progress" line. Each output's result follows
// ("encoded", or "failed" with ffmpeg's last error line). Returns the exit status: 1 when a clip
// failed or the runner could not start.
int followEncodes(const ProgramStart& runner, bool terminal, std::ostream& out, std::ostream& err) {
  EncodeRun encodes;
  // Ctrl+C at the terminal ends the runner and ffmpeg with the command line; a job engine's jobs
  // run elsewhere and are cancelled through it.
  const bool jobs = runner.on != choices::EncodeOn::ThisComputer;
  std::optional<platform::InterruptCatcher> interrupts;
  if (jobs) interrupts.emplace();
  const std::string failure = encodes.start(runner, /*stoppable=*/false);
  if (!failure.empty()) {
    err << (jobs ? "Cannot hand the encodes over. " : "Cannot start \"" + runner.file + "\". ")
        << failure << '\n';
    return 1;
  }
  std::string shown;
  std::size_t clipShown = 0;
  std::size_t notesShown = 0;
  std::size_t resultsShown = 0;
  // Clips run at once end in any order: each is told as it ends.
  auto showEnded = [&](const EncodeStatus& status) {
    for (; jobs && resultsShown < status.results.size(); ++resultsShown) {
      const EncodeStatus::Result& result = status.results[resultsShown];
      out << "progress\tClip " << result.clip << " of " << status.clips
          << (result.failed ? " failed" : " encoded")
          << (result.where.empty() ? "" : " on " + result.where) << '\n'
          << std::flush;
    }
  };
  while (encodes.poll(250)) {
    if (jobs && platform::InterruptCatcher::requested()) {
      encodes.cancel();
      break;
    }
    const EncodeStatus& status = encodes.status();
    for (; notesShown < status.notes.size(); ++notesShown) {
      err << "note\t\t" << status.notes[notesShown] << '\n';
    }
    showEnded(status);
    if (terminal && status.line() != shown) {
      shown = status.line();
      err << '\r' << shown << "\x1b[K" << std::flush;
    } else if (!terminal && status.clip != clipShown) {
      clipShown = status.clip;
      out << "progress\t" << status.line() << '\n' << std::flush;
    }
  }
  const EncodeStatus& status = encodes.status();
  if (!status.refused.empty()) {
    err << status.line() << '\n';
    return 1;
  }
  if (terminal) err << '\r' << status.line() << "\x1b[K\n";
  for (; notesShown < status.notes.size(); ++notesShown) {
    err << "note\t\t" << status.notes[notesShown] << '\n';
  }
  showEnded(status);
  // Each output's result; with a job engine, the computer it was encoded on after it.
  std::vector<EncodeStatus::Result> results = status.results;
  std::stable_sort(results.begin(), results.end(),
                   [](const auto& a, const auto& b) { return a.clip < b.clip; });
  for (const EncodeStatus::Result& result : results) {
    for (const std::string& output : result.outputs) {
      out << (result.failed ? "failed\t" : "encoded\t") << output;
      if (result.failed) out << '\t' << result.error;
      if (jobs) out << '\t' << result.where;
      out << '\n';
    }
  }
  out << "progress\t" << status.line() << '\n';
  return status.failures() > 0 || status.results.size() < status.clips ? 1 : 0;
}

class Conversion : public Command {
 public:
  explicit Conversion(CLI::App& app) {
    settings_.add(app, "Settings file to load (missing: the defaults)", true, true);
    app.add_option("--left", leftFiles_, "A file of the left (or only) selection, in order")
        ->type_name("FILE")
        ->allow_extra_args(false)
        ->check(existingFile());
    app.add_option("--right", rightFiles_, "A file of the right selection, in order")
        ->type_name("FILE")
        ->allow_extra_args(false)
        ->check(existingFile());
    app.add_flag(
        "--launch", startPrograms_,
        "Start the batch file and VirtualDub as well (the ffmpeg engine's runner is followed "
        "to its end, with its progress, or its encodes handed to the Slurm cluster or GNU "
        "parallel that RadioGroup_Encode_On names and followed there; Ctrl+C cancels them)");
    app.add_option("--save-settings", saveSettingsFile_, "Save the settings after the run")
        ->type_name("FILE");
  }

  int run(std::ostream& out, std::ostream& err) override {
    const std::vector<std::string> left = absolutePaths(leftFiles_, "--left");
    const std::vector<std::string> right = absolutePaths(rightFiles_, "--right");
    ConversionSettings settings = settings_.load();

    CommandLineFrontEnd frontEnd(left, right, startPrograms_, out);
    ConversionRun conversion(settings, frontEnd);
    // What the scan reads is kept for the next run, preview or measurement of the same files.
    ClipScan scan(nullptr, nullptr, platform::cacheFolder());
    conversion.setScan(&scan);
    int status = 0;
    try {
      conversion.M1Click();
    } catch (const Error& error) {
      // As in the window, the folders the run remembered stay and can still be saved.
      out.flush();
      err << error.displayText() << '\n';
      status = 1;
    }
    // The notes of the clips, which leave the exit status as it is.
    for (const RunReport::Note& note : conversion.report().notes()) {
      err << "note\t" << note.clip << '\t' << note.text << '\n';
    }
    if (status == 0 && frontEnd.encodes()) {
      const bool terminal = &err == &std::cerr && platform::standardErrorIsTerminal();
      status = followEncodes(*frontEnd.encodes(), terminal, out, err);
    }
    if (!saveSettingsFile_.empty()) SaveSettings(settings, saveSettingsFile_);
    return status;
  }

 private:
  SettingsOptions settings_;
  std::vector<std::string> leftFiles_;
  std::vector<std::string> rightFiles_;
  bool startPrograms_ = false;
  std::string saveSettingsFile_;
};

}  // namespace

std::unique_ptr<Command> conversionCommand(CLI::App& app) {
  return std::make_unique<Conversion>(app);
}

}  // namespace twinlens::cli
