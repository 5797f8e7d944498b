#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "engines/avisynth/FfmpegBatch.h"
#include "engines/avisynth/ScriptBuilder.h"
#include "engines/avisynth/VirtualDubJobs.h"
#include "model/ConversionSettings.h"
#include "model/GeometryReport.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// AviSynth scripts for every clip; beside them the ffmpeg batch file that encodes them, the
// VirtualDub job lists, and the histogram script colour matching reads.
class AviSynthEngine : public Engine {
 public:
  // Where the views are aligned, `probe` reads each clip's size and `measurer` measures its
  // geometry where the settings ask for it.
  AviSynthEngine(const ConversionSettings& settings, PathStyle style, MediaProbe* probe = nullptr,
                 PairMeasurer* measurer = nullptr);

  // The VirtualDub files: every job carries the lines of one of the three configuration files,
  // and the job lists must have a VirtualDub to run them. The texts the scripts, the batch file
  // and the job lists name must be ones they can carry.
  void checkSettings() const override;
  // The batch file is read by cmd.exe; the scripts' strings take no double quote either.
  Shell commandShell() const override { return Shell::Cmd; }
  // Reads the configuration files of the job lists.
  void begin(const RunClips& clips) override;
  std::vector<RunFile> runFiles() const override;
  std::vector<std::string> clipFiles(const ClipNames& clip) const override;
  std::vector<EncodedFile> encodedFiles(const ClipNames& clip) const override;
  // The batch file, the job lists and the histogram script grow on disk as the clips are
  // written, and are put in place after the last one; a run that stops leaves none of them.
  void write(EngineOutput& output) override;
  std::vector<ProgramStart> programs() const override;

 private:
  // The clip's recipe; with `index`, from what was read of the clip before writing.
  ClipRecipe recipeOf(const ClipNames& clip, std::size_t index = SIZE_MAX) const;
  // Reads every clip whose views are aligned: its size, and its geometry where it is measured.
  void readClips(EngineOutput& output);
  std::string batchFolder() const { return paths::dir(batchFile_, style_); }

  const ConversionSettings& s_;
  PathStyle style_;
  MediaProbe* probe_;
  PairMeasurer* measurer_;
  struct ClipFacts {
    std::optional<MediaInfo> media;
    std::optional<GeometryReport> geometry;
  };
  std::vector<ClipFacts> facts_;  // by clip, where the views are aligned
  ScriptBuilder builder_;
  RunClips clips_;
  ClipRecipe conversion_;  // what every clip of the run does (without its names)
  std::optional<FfmpegBatch> batch_;
  std::unique_ptr<VirtualDubJobs> jobs_;
  std::string batchFile_;
  std::string firstJobList_;
  std::string secondJobList_;
  std::string histogramScript_;
};

}  // namespace twinlens
