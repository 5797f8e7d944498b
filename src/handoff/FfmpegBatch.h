#pragma once

#include <string>

#include "engine/ConversionSettings.h"
#include "engine/Paths.h"
#include "engine/TextFile.h"

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

 private:
  std::string ffmpegProgram() const;
  std::string outputName(const std::string& scriptName) const;
  // The command or the two Deshaker pass commands of one script, whose input is named through
  // `folderPrefix`.
  void addScript(const std::string& script, const std::string& folderPrefix);

  const ConversionSettings& settings_;
  PathStyle style_;
  TextFile commands_;
};

}  // namespace twinlens
