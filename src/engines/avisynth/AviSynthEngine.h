#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "engines/avisynth/FfmpegBatch.h"
#include "engines/avisynth/ScriptBuilder.h"
#include "engines/avisynth/VirtualDubJobs.h"
#include "model/ConversionPlan.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// AviSynth scripts for every clip; beside them the ffmpeg batch file that encodes them, the
// VirtualDub job lists, and the histogram script colour matching reads.
class AviSynthEngine : public Engine {
 public:
  AviSynthEngine(const ConversionSettings& settings, PathStyle style);

  // The VirtualDub files: every job carries the lines of one of the three configuration files,
  // and the job lists must have a VirtualDub to run them. The texts the scripts, the batch file
  // and the job lists name must be ones they can carry.
  void checkSettings() const override;
  // The batch file is read by cmd.exe; the scripts' strings take no double quote either.
  Shell commandShell() const override { return Shell::Cmd; }
  // AviSynth reads the clips itself: only where the views are aligned is anything read first, the
  // pair's geometry where it is measured, else the left file's size for the typed values.
  ScanRequest scanRequest() const override;
  // Reads the configuration files of the job lists.
  void begin(const RunClips& clips) override;
  std::vector<RunFile> runFiles() const override;
  std::vector<std::string> clipFiles(const ClipRecipe& clip) const override;
  std::vector<EncodedFile> encodedFiles(const ClipRecipe& clip) const override;
  // The batch file, the job lists and the histogram script grow on disk as the clips are
  // written, and are put in place after the last one; a run that stops leaves none of them.
  void write(EngineOutput& output) override;
  std::vector<ProgramStart> programs() const override;

 private:
  std::string batchFolder() const { return paths::dir(batchFile_, style_); }

  const ConversionSettings& s_;
  PathStyle style_;
  ScriptBuilder builder_;
  RunClips clips_;
  std::optional<ConversionPlan> conversion_;  // what every clip of the run does, from begin()
  std::optional<FfmpegBatch> batch_;
  std::unique_ptr<VirtualDubJobs> jobs_;
  std::string batchFile_;
  std::string firstJobList_;
  std::string secondJobList_;
  std::string histogramScript_;
};

}  // namespace twinlens
