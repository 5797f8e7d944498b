#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "base/Paths.h"
#include "engines/avisynth/ScriptBuilder.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ClipNames.h"
#include "model/ConversionSettings.h"

namespace twinlens {

class FfmpegBatch;
class VirtualDubJobs;
struct ClipJobScripts;

// The names of every file one run reads, writes and hands to its encoders, derived from the
// selection and the settings alone, so that the run can check them all before it writes the
// first. Nothing is kept per clip: a clip's names are derived again whenever they are needed.
class RunPlan {
 public:
  // Each clip's files have a role; a clip's index times kRoles plus the role numbers one file.
  enum Role : std::uint32_t {
    kInputLeft,     // read: the clip's left file
    kInputRight,    // read: its right file
    kSelectedLeft,  // read: the selected files, where an MVC clip's partners stand in for them
    kSelectedRight,
    kFirstScript,                     // written: the clip's scripts in writing order (up to six)
    kBatchOutput = kFirstScript + 6,  // encoded by ffmpeg
    kBatchRightOutput,
    kJobOutput,  // saved by VirtualDub's final-output jobs
    kSecondJobOutput,
    kLeftIntermediate,  // saved by VirtualDub's deinterlacing jobs
    kRightIntermediate,
    kRoles
  };
  // The run's own files, numbered as the roles of a clip after the last one.
  // The batch file is the runner script under the ffmpeg engine.
  enum RunRole : std::uint32_t { kBatchFile, kFirstJobList, kSecondJobList, kHistogramScript };

  // One file: its path and, for an encoded file, the script it is made from.
  struct File {
    std::string path;
    std::string source;
  };
  using ClipFiles = std::array<File, kRoles>;

  // `batch` and `jobs` are the run's writers, or null when the run makes none.
  RunPlan(const ConversionSettings& settings, PathStyle style, std::vector<std::string> left,
          std::vector<std::string> right, std::size_t n, std::size_t m, const FfmpegBatch* batch,
          const VirtualDubJobs* jobs);

  // The clips of the run, and those that are written: all of them, unless an MVC clip's
  // partners are missing, which ends the run before that clip.
  std::size_t clipCount() const { return n_; }
  std::size_t writtenClips() const { return written_; }
  bool complete() const { return written_ == n_; }
  // Why the run ends early.
  const std::optional<Error>& missingPartner() const { return missingPartner_; }

  // The names of clip i (it must be one of the written clips).
  ClipNames clip(std::size_t i) const;
  static ClipJobScripts jobScripts(const ClipNames& clip);

  // The run's own files; empty for those the run does not write.
  const std::string& runFile(RunRole role) const { return runFiles_[role]; }
  // The folder the batch file runs in, where ffmpeg writes.
  std::string batchFolder() const { return paths::dir(runFiles_[kBatchFile], style_); }

  const ScriptBuilder& builder() const { return builder_; }
  const FilterGraphBuilder& graphBuilder() const { return graphs_; }
  // Whether the run writes ffmpeg filter graphs and a runner script in place of AviSynth scripts.
  bool ffmpegEngine() const;

  // Stops with a message naming both files when one file would be written twice, or an input
  // clip or a file of the run would be replaced by another (nothing is written yet).
  void checkClashes() const;

 private:
  std::optional<std::pair<std::string, std::string>> pairOf(std::size_t i) const;
  ClipFiles filesOf(std::size_t i) const;

  const ConversionSettings& s_;
  PathStyle style_;
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  std::size_t n_;
  std::size_t m_;
  const FfmpegBatch* batch_;
  const VirtualDubJobs* jobs_;
  ScriptBuilder builder_;
  FilterGraphBuilder graphs_;
  std::size_t written_ = 0;
  std::optional<Error> missingPartner_;
  std::array<std::string, 4> runFiles_;
};

}  // namespace twinlens
