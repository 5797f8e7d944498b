#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "base/TextFile.h"
#include "model/ClipRecipe.h"

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

// Renders a clip's recipe as AviSynth scripts. Pure: recipe in, line lists out; the caller writes
// the files in the order given.
class ScriptBuilder {
 public:
  explicit ScriptBuilder(PathStyle style = nativePathStyle());

  // Every script of the clip in the order they are written (the deinterlace scripts first, then
  // the output or Deshaker pass scripts), and the clip's lines appended to the run's histogram
  // script.
  std::vector<ScriptFile> build(const ClipRecipe& clip, TextFile& histogram) const;

  // The scripts build() writes for the clip, in the same order, without composing a line: what
  // the run checks before it writes anything.
  std::vector<PlannedScript> plan(const ClipRecipe& clip) const;

 private:
  PathStyle style_;
  // The blending and time-lapse lines are the same for every clip of a run: each of their forms
  // is made once, when first needed, and made again should another clip blend otherwise.
  mutable std::optional<recipe::Motion> blendMotion_;
  mutable std::array<std::optional<TextFile>, 16> blendLines_;
};

}  // namespace twinlens
