#pragma once

#include <string>
#include <vector>

#include "engine/ClipNames.h"
#include "engine/ConversionSettings.h"
#include "engine/Paths.h"
#include "engine/TextFile.h"

namespace twinlens {

// One script to be written: where, and its lines.
struct ScriptFile {
  std::string path;
  TextFile lines;
  friend bool operator==(const ScriptFile&, const ScriptFile&) = default;
};

// Composes the AviSynth scripts of one clip. Pure: settings and names in, line lists out; the
// caller writes the files in the order given.
class ScriptBuilder {
 public:
  explicit ScriptBuilder(const ConversionSettings& settings, PathStyle style = nativePathStyle());

  // Every script of the clip in the order they are written (the deinterlace scripts first, then
  // the output or Deshaker pass scripts), and the clip's lines appended to the run's histogram
  // script. A time shift or audio cut that is not an integer raises Error before anything is
  // appended to the histogram script.
  std::vector<ScriptFile> build(const ClipNames& clip, TextFile& histogram) const;

 private:
  const ConversionSettings& settings_;
  PathStyle style_;
};

}  // namespace twinlens
