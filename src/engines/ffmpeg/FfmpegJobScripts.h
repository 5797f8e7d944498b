#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "engines/ffmpeg/FfmpegRunner.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// Each clip's encode as a job of its own, for the job engines that spread a run's clips over
// computers: a POSIX shell script per clip, run in its folder on any computer that has its files,
// in any order, and for Slurm the batch file whose job arrays run them. A clip's script takes
// "first-pass" (its colour tables or motion analysis alone), "encode" (the rest) or nothing (both);
// it writes its outputs under their unfinished names until the clip is done, and reports its
// encode's progress where TWINLENS_PROGRESS says.
class FfmpegJobScripts {
 public:
  FfmpegJobScripts(const ConversionSettings& settings, const FfmpegRunner& runner);

  // A setting that a job engine could not be asked with, or that its command lines could not
  // carry safely, raises Error with the message to show.
  static void checkSettings(const ConversionSettings& settings);

  // The files of a clip whose graph is `graphPath`, in the runner's folder `folder`: its script,
  // the progress its encode reports, and what it says.
  static std::string scriptFor(const std::string& graphPath, const std::string& folder);
  static std::string progressFor(const std::string& script);
  static std::string logFor(const std::string& script);
  // The Slurm batch file and GNU parallel's job log beside the runner.
  static std::string batchFileFor(const std::string& runnerPath);
  static std::string jobLogFor(const std::string& runnerPath);

  // The script of clip `number` of `clips` of the run `runnerName`; `outputFiles` and `folder` as
  // the runner's clipCommands take them.
  TextFile script(std::size_t number, std::size_t clips, const FfmpegClipJob& job,
                  const std::vector<std::string>& outputFiles, const std::string& folder,
                  const std::string& runnerName) const;
  // The batch file whose array task N runs the script of clip N (counted from 1) of `scripts`,
  // in `folder`, which every computer of the cluster must see under that name.
  TextFile slurmBatch(const std::vector<std::string>& scripts, const std::string& folder,
                      const std::string& runnerName) const;

 private:
  const ConversionSettings& settings_;
  const FfmpegRunner& runner_;
};

}  // namespace twinlens
