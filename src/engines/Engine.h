#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/ShellWords.h"
#include "model/Choices.h"
#include "model/ClipFacts.h"
#include "model/ClipNames.h"
#include "model/ClipRecipe.h"

namespace twinlens {

// The clips of one run, as an engine writes them.
struct RunClips {
  std::size_t count = 0;    // every clip of the run
  std::size_t written = 0;  // the clips written: fewer when the run ends early
  std::function<ClipNames(std::size_t)> names;
  // The finished recipe of a written clip, from what the scan read of its files; raises Error for
  // a clip whose views cannot be made a pair.
  std::function<ClipRecipe(std::size_t)> recipe;
  // A run that ends early writes the clips before the end, but none of its own files.
  bool complete() const { return written == count; }
};

// A file of the run's own (a batch file, a job list), and how a message names it.
struct RunFile {
  std::string path;
  std::string title;  // "the batch file"
};

// A file an encoder writes when the run's files are carried out, what writes it and from what.
struct EncodedFile {
  std::string path;
  std::string maker;   // "ffmpeg's encode of \"<source>\""
  std::string source;  // the script or graph it is made from
  bool video = true;   // false: a file made on the way (colour tables, transforms)
};

// A program the run starts once every file is in place.
struct ProgramStart {
  std::string file;
  std::string parameters;
  std::string workingFolder;
  // The ffmpeg engine's runner: the files each clip encodes, in the clips' order (the primary
  // output first). Its starter can follow it clip by clip (TWINLENS_PROGRESS). Empty for others.
  std::vector<std::vector<std::string>> encodes = {};
  // By clip as `encodes`: what a clip stopped under way leaves, which its starter removes.
  std::vector<std::vector<std::string>> unfinished = {};
  // The programs it runs in turn, which must be found through the search path.
  std::vector<std::string> needs = {};

  // A clip's encode as a job of its own: its script, the files it reads (the script first),
  // whether it has a first pass that must end before its encode starts, where its encode reports
  // its progress and what it says, and the frames of its primary output.
  struct Job {
    std::string script;
    std::vector<std::string> reads;
    bool firstPass = false;
    std::string progress;
    std::string log;
    std::int64_t frames = 0;
  };
  // Where the encodes run: this computer runs `file`; a job engine runs `jobs`, by clip as
  // `encodes`, as the settings ask it.
  choices::EncodeOn on = choices::EncodeOn::ThisComputer;
  std::vector<Job> jobs = {};
  std::string batchFile = {};  // Slurm's, whose array task N runs clip N
  std::string partition = {};  // Slurm's; empty: the cluster's default
  int clipsAtOnce = 1;         // Slurm's most array tasks at once
  std::string computers = {};  // GNU parallel's --sshlogin list
  std::string jobLog = {};     // GNU parallel's record of each job's computer and end
};

// Told of every file an engine has written, in order.
class EngineOutput {
 public:
  virtual ~EngineOutput() = default;
  virtual void wroteClipFile(const std::string& path) = 0;  // a script or a filter graph
  virtual void wroteBatchFile(const std::string& path) = 0;
  virtual void wroteJobList(const std::string& path) = 0;
  virtual void wroteHistogramScript(const std::string& path) = 0;
  // Something the user should know of a clip (named by its left file).
  virtual void noted(const std::string& clip, const std::string& text) = 0;
};

// An output target: what turns the clips' recipes into files on disk and the programs that carry
// them out. It never reads the footage: the run scans the clips as the engine asks and hands it
// finished recipes. The run holds one, chosen by the settings, and asks it:
//  1. checkSettings(), before any dialog opens, and scanRequest();
//  2. begin(), once the clips are chosen and scanned;
//  3. runFiles(), clipFiles() and encodedFiles() of every clip, which the run checks against each
//     other and against the inputs before anything is written;
//  4. write(), which stops with nothing written for anything it can know up front;
//  5. programs(), once every file is in place.
class Engine {
 public:
  virtual ~Engine() = default;

  // A setting this engine cannot carry out raises Error with the message to show; so does a text
  // of the settings that its command lines could not carry safely.
  virtual void checkSettings() const = 0;

  // The interpreter the engine's command lines are written for; every file the run names must be
  // one it can carry.
  virtual Shell commandShell() const = 0;

  // What the scan must read of each clip before the engine gets its recipe.
  virtual ScanRequest scanRequest() const = 0;

  // The run's clips are chosen and scanned: the engine names its own files after the last clip.
  // A file of its own it cannot read raises Error.
  virtual void begin(const RunClips& clips) = 0;

  // The run's own files; none when the run ends early.
  virtual std::vector<RunFile> runFiles() const = 0;
  // The files written for one clip, in writing order.
  virtual std::vector<std::string> clipFiles(const ClipRecipe& clip) const = 0;
  // The files the encoders write for one clip when the run's files are carried out.
  virtual std::vector<EncodedFile> encodedFiles(const ClipRecipe& clip) const = 0;

  // Writes every clip's files and then, when the run is complete, its own.
  virtual void write(EngineOutput& output) = 0;

  // The programs to start, as the settings ask.
  virtual std::vector<ProgramStart> programs() const = 0;
};

}  // namespace twinlens
