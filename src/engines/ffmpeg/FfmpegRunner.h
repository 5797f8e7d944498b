#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "base/ShellWords.h"
#include "base/TextFile.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The runner script of the ffmpeg engine: one ffmpeg command per clip (with the motion analysis
// and the stereo tagging steps where they apply), a line telling which clip of how many is being
// encoded, and on to the next clip when one fails; it ends non-zero when any failed. A POSIX
// shell script for Posix paths, a batch file for Windows paths. It works in its own folder.
class FfmpegRunner {
 public:
  // `colourMatcher` is the twinlens-cli program that makes the colour tables.
  FfmpegRunner(const ConversionSettings& settings, PathStyle style = nativePathStyle(),
               std::string colourMatcher = "twinlens-cli");

  // The runner beside a clip's primary script.
  std::string pathFor(const std::string& primaryScript) const;
  // Whether its lines end in LF alone (the shell script) rather than CR LF.
  bool lineFeedsOnly() const { return style_ == PathStyle::Posix; }
  // What reads its command lines.
  Shell shell() const;

  // The first lines of the runner at `runnerPath`, which encodes `frames` frames in all. Started
  // without a terminal, the shell script writes what it says and what ffmpeg says into
  // "<runner name>.log" beside it, unless the variable TWINLENS_PROGRESS names a file: then every
  // encode reports its progress into that file (ffmpeg's -progress) and the runner writes on.
  TextFile header(std::size_t clips, std::int64_t frames, const std::string& runnerPath) const;
  // The commands of clip `number` (counted from 1) of `clips`, whose primary output has `frames`
  // frames. `outputFiles` are the encoded files of the job's outputs, in their order; `folder` is
  // the runner's folder.
  TextFile clipCommands(std::size_t number, std::size_t clips, const FfmpegClipJob& job,
                        const std::vector<std::string>& outputFiles,
                        const std::string& folder) const;
  TextFile footer(std::size_t clips) const;

  // What a clip's commands are made of, each a command of the runner's shell.
  struct ClipSteps {
    std::vector<std::string> firstPass;  // its colour tables and motion analysis; may be none
    std::vector<std::string> encode;     // its encode and what finishes its outputs
    std::string unfinished;  // the words naming what a stopped encode leaves, each after a space
    std::string starts;      // the command that says the clip starts
    std::string failed;      // and the one that says it failed
  };
  // `portable`: a file outside `folder` is named through TWINLENS_ROOT, so that a job run in a
  // folder of its own elsewhere finds it there.
  ClipSteps steps(std::size_t number, std::size_t clips, const FfmpegClipJob& job,
                  const std::vector<std::string>& outputFiles, const std::string& folder,
                  bool portable) const;
  // Commands run one after the other while each succeeds.
  static std::string chained(const std::vector<std::string>& steps);
  // A word of a command line, always quoted.
  std::string quote(const std::string& word) const;

  // The temporary Matroska file an MP4 output is encoded to before its stereo tag is written.
  std::string taggingFileFor(const std::string& output) const;
  // The name an output is written under until its clip is done ("a_LR.partial.mp4"): a failed
  // or stopped encode leaves no file under the output's own name.
  std::string unfinishedFileFor(const std::string& output) const;
  // Whether an output of this file name gets its stereo tag, or its projection's, through a
  // remux.
  bool tagsThroughRemux(const std::string& output, const std::string& stereoMode,
                        recipe::Projection projection) const;
  // Whether files of this name can be told to players as half a sphere: Matroska and MP4.
  bool carriesProjection(const std::string& output) const;

 private:
  // The command that tags a Matroska file's video with its sphere.
  std::string sphereTagging(const std::string& file, recipe::Projection projection) const;
  // The encoder options as arguments of the encode.
  std::string options() const;
  // The command that writes `text` as it stands.
  std::string echoed(const std::string& text) const;
  std::string program() const;
  // A file named relative to the runner's folder where it lies in it.
  std::string named(const std::string& path, const std::string& folder) const;

  const ConversionSettings& settings_;
  PathStyle style_;
  std::string colourMatcher_;
};

}  // namespace twinlens
