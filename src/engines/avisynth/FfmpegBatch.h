#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/Paths.h"
#include "base/TextFile.h"
#include "model/ConversionPlan.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The ffmpeg batch file of one run: commands are added clip by clip, the header is built at the
// finish.
class FfmpegBatch {
 public:
  explicit FfmpegBatch(const ConversionSettings& settings, PathStyle style = nativePathStyle());

  // The commands of one clip. `rightOutputScript` is used for output format 0 only;
  // `rightFolderPrefix` is the right clip's folder relative to the left clip's.
  void addClip(const std::string& primaryScript, const std::string& rightOutputScript,
               const std::string& rightFolderPrefix);

  // The header followed by the commands. `histogramScriptName` is a bare file name.
  TextFile finish(const std::string& histogramScriptName) const;

  // The batch file's first lines, which run the histogram script when colours are matched.
  TextFile header(const std::string& histogramScriptName) const;

  // The commands added since the last call, handed over so that a long run keeps none of them.
  TextFile takeCommands() { return std::exchange(commands_, TextFile{}); }

  // A file ffmpeg writes when the batch file runs, and the script it encodes.
  struct EncodedFile {
    std::string video;   // full path: the batch file runs in `batchFolder`
    std::string script;  // the script named in the command (its plain name for Deshaker passes)
  };
  // The files the commands of one clip (the arguments of addClip) make ffmpeg write.
  std::vector<EncodedFile> encodedFiles(const std::string& primaryScript,
                                        const std::string& rightOutputScript,
                                        const std::string& batchFolder) const;

 private:
  std::string ffmpegProgram() const;
  // The encoded file of a script as the batch file spells its name.
  std::string outputName(const std::string& scriptName) const;
  // The command or the two Deshaker pass commands of one script, whose input is named through
  // `folderPrefix`.
  void addScript(const std::string& script, const std::string& folderPrefix);

  const ConversionSettings& settings_;
  ConversionPlan conversion_;  // what every clip of the run does
  PathStyle style_;
  TextFile commands_;
};

}  // namespace twinlens
