#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ClipNames.h"
#include "engine/ConversionSettings.h"
#include "engine/MediaInfo.h"
#include "engine/Paths.h"
#include "engine/ScriptBuilder.h"
#include "engine/TextFile.h"

namespace twinlens {

// One clip as ffmpeg converts it: its inputs, its filter graph and the pads of its outputs.
struct FfmpegClipJob {
  // An input file and the options that go before its "-i".
  struct Input {
    std::vector<std::string> options;
    std::string path;
  };
  // One output file: the graph's pads that go into it, and the stereo layout its video is tagged
  // with ("left_right", "top_bottom", ...; "mono" where an input's tag must not survive; empty
  // for no tag).
  struct Output {
    std::string video;
    std::string audio;  // empty when the output has no sound
    std::string stereoMode;
    // Every frame lasts one period of this rate. (It is told to the encoder rather than set in
    // the graph: ffmpeg's rate filter drops the last frame of a stack or an interleave.)
    Rational frameRate;
  };

  // Colour matching: the runner first has the colour tables made from the clips' frames
  // (twinlens-cli colour-match), which the graph applies to the changed view.
  struct ColourMatch {
    std::string reference;           // "left" or "right": the view whose colours stay
    std::string views;               // "pair", "side-by-side" or "over-under"
    std::vector<std::string> files;  // the clip's files
    std::string tables;              // the .cube file, a bare name in the runner's folder
  };

  std::vector<Input> inputs;
  std::optional<ColourMatch> colourMatch;
  std::string graphPath;
  TextFile graph;
  // Stabilisation: the motion analysis pass over the left view, run first; its transforms file
  // (a bare name, in the folder the runner works in) is read by the graph. Empty paths without.
  std::string analysisGraphPath;
  TextFile analysisGraph;
  std::string transforms;
  std::vector<Output> outputs;  // in the order of the encoded files (the primary file first)
};

// Composes the ffmpeg filter graphs of one clip: the steps of the AviSynth scripts of the same
// settings, in the same order and with the same frame timing, as ffmpeg filters. Pure: settings,
// names and what the clip holds in, graph text out.
class FilterGraphBuilder {
 public:
  explicit FilterGraphBuilder(const ConversionSettings& settings,
                              PathStyle style = nativePathStyle());

  // The graph files of the clip, named like its primary script with their own extension.
  std::vector<PlannedScript> plan(const ClipNames& clip) const;

  // The clip's graphs. `left` and `right` describe its left and right file (the same for a
  // single-file input; unused for a picture sequence). Raises Error for a typed value the
  // graph cannot take, or a time shift longer than the clip.
  FfmpegClipJob build(const ClipNames& clip, const MediaInfo& left, const MediaInfo& right) const;

  static constexpr const char* kGraphExtension = ".ffgraph";

 private:
  const ConversionSettings& settings_;
  PathStyle style_;
};

}  // namespace twinlens
