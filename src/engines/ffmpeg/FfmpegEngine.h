#pragma once

#include <string>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ConversionPlan.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// ffmpeg filter graphs for every clip and one runner script that encodes them all, with ffmpeg
// alone on any system.
class FfmpegEngine : public Engine {
 public:
  // `colourMatcher` is the twinlens-cli that makes the colour tables.
  FfmpegEngine(const ConversionSettings& settings, PathStyle style, std::string colourMatcher);

  // No output format, job lists for VirtualDub, or colour matching of pictures.
  void checkSettings() const override;
  // The runner is a shell script for POSIX paths, a batch file for Windows paths.
  Shell commandShell() const override;
  // Every clip's files are read (the graphs take their rates, lengths, sound and tags), and its
  // pair measured where the views are aligned by measurement.
  ScanRequest scanRequest() const override;
  void begin(const RunClips& clips) override;
  std::vector<RunFile> runFiles() const override;
  std::vector<std::string> clipFiles(const ClipRecipe& clip) const override;
  std::vector<EncodedFile> encodedFiles(const ClipRecipe& clip) const override;
  // Every clip's graphs are composed before the first file is written: a value its graph cannot
  // take stops the run with nothing written.
  void write(EngineOutput& output) override;
  std::vector<ProgramStart> programs() const override;

 private:
  std::string runnerFolder() const { return paths::dir(runnerFile_, style_); }
  // Whether each clip's encode is written as a job of its own, for a job engine.
  bool writesJobs() const {
    return !runnerFile_.empty() && s_.RadioGroup_Encode_On != choices::EncodeOn::ThisComputer;
  }
  std::string jobScriptOf(const ClipRecipe& clip) const;

  const ConversionSettings& s_;
  PathStyle style_;
  std::string colourMatcher_;
  FilterGraphBuilder graphs_;
  RunClips clips_;
  std::string runnerFile_;
  std::vector<std::vector<std::string>> encodes_;     // each written clip's encoded files
  std::vector<std::vector<std::string>> unfinished_;  // and what it leaves when stopped
  std::vector<std::string> needs_;       // the programs the runner starts beside ffmpeg
  std::vector<ProgramStart::Job> jobs_;  // each written clip's job, for a job engine
};

}  // namespace twinlens
