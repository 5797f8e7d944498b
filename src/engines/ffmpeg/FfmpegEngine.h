#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ConversionSettings.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// ffmpeg filter graphs for every clip and one runner script that encodes them all, with ffmpeg
// alone on any system.
class FfmpegEngine : public Engine {
 public:
  // `probe` reads the clips (ffprobe's when null); `colourMatcher` is the twinlens-cli that makes
  // the colour tables; `measurer` measures the clips' geometry where the settings ask for it.
  FfmpegEngine(const ConversionSettings& settings, PathStyle style, MediaProbe* probe,
               std::string colourMatcher, PairMeasurer* measurer = nullptr);

  // No output format, job lists for VirtualDub, or colour matching of pictures.
  void checkSettings() const override;
  // The runner is a shell script for POSIX paths, a batch file for Windows paths.
  Shell commandShell() const override;
  void begin(const RunClips& clips) override;
  std::vector<RunFile> runFiles() const override;
  std::vector<std::string> clipFiles(const ClipNames& clip) const override;
  std::vector<EncodedFile> encodedFiles(const ClipNames& clip) const override;
  // Every clip is read (and measured, where the views are aligned by measurement), and its graphs
  // composed, before the first file is written: a clip ffmpeg cannot read or measure, or a value
  // its graph cannot take, stops the run with nothing written.
  void write(EngineOutput& output) override;
  std::vector<ProgramStart> programs() const override;

 private:
  std::string runnerFolder() const { return paths::dir(runnerFile_, style_); }

  const ConversionSettings& s_;
  PathStyle style_;
  MediaProbe* probe_;
  std::string colourMatcher_;
  PairMeasurer* measurer_;
  FilterGraphBuilder graphs_;
  RunClips clips_;
  ClipRecipe conversion_;  // what every clip of the run does (without its names)
  std::string runnerFile_;
  std::vector<std::vector<std::string>> encodes_;  // each written clip's encoded files
};

}  // namespace twinlens
