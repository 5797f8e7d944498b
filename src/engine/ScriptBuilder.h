#pragma once

#include <array>
#include <optional>
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

// What a script of a clip holds.
enum class ScriptBody {
  LeftDeinterlace,   // the steps before VirtualDub deinterlaces the left view
  RightDeinterlace,  // the same for the right view
  LeftView,          // the left view alone, as an output script
  RightView,         // the right view alone
  LeftPass1,         // Deshaker's passes over the left view
  LeftPass2,
  RightPass1,  // Deshaker's passes over the right view
  RightPass2,
  Layout,  // both views in the chosen layout
};

// One script of a clip, named but not yet composed.
struct PlannedScript {
  std::string path;
  ScriptBody body;
  friend bool operator==(const PlannedScript&, const PlannedScript&) = default;
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

  // The scripts build() writes for the clip, in the same order, without composing a line: what
  // the run checks before it writes anything.
  std::vector<PlannedScript> plan(const ClipNames& clip) const;

 private:
  const ConversionSettings& settings_;
  PathStyle style_;
  // The blending and time-lapse lines are the same for every clip of a run: each of their forms
  // is made once, when first needed (the settings do not change while a run builds its clips).
  mutable std::array<std::optional<TextFile>, 16> blendLines_;
};

}  // namespace twinlens
