#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Rational.h"
#include "base/TextFile.h"
#include "model/ClipRecipe.h"

namespace twinlens {

// What a preview shows: the primary output's picture, or the two views before the layout joins
// them (as a red-cyan anaglyph, as their difference, or blended under level lines).
enum class PreviewMode { Output, Anaglyph, Difference, Overlay, Headset };

// How the preview shows a frame: in one of its modes, and in the headset view, looking `yawDeg` to
// the right and `pitchDeg` up into the output's sphere.
struct PreviewLook {
  PreviewLook(PreviewMode shown = PreviewMode::Output, double yaw = 0, double pitch = 0)
      : mode(shown), yawDeg(yaw), pitchDeg(pitch) {}
  PreviewMode mode;
  double yawDeg;
  double pitchDeg;
};

// An input file of an ffmpeg command and the options that go before its "-i".
struct CommandInput {
  std::vector<std::string> options;
  std::string path;
};

// One frame of a clip as one ffmpeg command renders it: its inputs, sought near the frame, and a
// graph whose pad `pad` yields the frame first.
struct FrameGraph {
  std::vector<CommandInput> inputs;
  TextFile graph;
  std::string pad;
  std::vector<std::string> notes;  // where the frame differs from the conversion
  // Where sound was asked for and the output has it: the pad that yields it from the frame on, as
  // 16-bit stereo at kPreviewSoundRate; else empty.
  std::string soundPad;
};

// The sample rate of a preview's sound.
inline constexpr int kPreviewSoundRate = 48000;

// The primary output of a clip: the rate every frame lasts a period of, and how many frames it
// holds as far as the inputs' headers tell.
struct OutputTiming {
  Rational frameRate;
  std::int64_t frames = 0;
};

// What renders single frames of a clip's recipe for the preview, whichever engine writes the
// run's files (run/EngineList.h names it).
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  // Raises Error for a value the renderer cannot take, as writing the clip would.
  virtual OutputTiming timing(const ClipRecipe& clip) const = 0;
  // Frame `frame` of the clip's primary output (or of its views, in a check mode), reading only
  // what that frame needs. `colourTables`: the colour tables file where the views' colours are
  // matched. `sound`: the output's sound is wanted too, from the frame on. Raises "it lies beyond
  // the clip" for a frame the clip's first frames show to lie beyond it.
  virtual FrameGraph frame(const ClipRecipe& clip, std::int64_t frame, PreviewLook look,
                           const std::string& colourTables, bool sound) const = 0;
};

}  // namespace twinlens
