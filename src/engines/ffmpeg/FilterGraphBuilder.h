#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "base/Rational.h"
#include "base/TextFile.h"
#include "engines/FrameRenderer.h"
#include "model/ClipRecipe.h"

namespace twinlens {

// One clip as ffmpeg converts it: its inputs, its filter graph and the pads of its outputs.
struct FfmpegClipJob {
  // An input file and the options that go before its "-i".
  using Input = CommandInput;
  // One output file: the graph's pads that go into it, and the stereo layout its video is tagged
  // with ("left_right", "top_bottom", ...; "mono" where an input's tag must not survive; empty
  // for no tag).
  struct Output {
    std::string video;
    std::string audio;  // empty when the output has no sound
    std::string stereoMode;
    // The sphere the picture shows, which players are told.
    recipe::Projection projection = recipe::Projection::Flat;
    // Every frame lasts one period of this rate. (It is told to the encoder rather than set in
    // the graph: ffmpeg's rate filter drops the last frame of a stack or an interleave.)
    Rational frameRate;
    // How many frames it holds, as far as the inputs' headers tell.
    std::int64_t frames = 0;
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
  // The encoder's options that tag the outputs' colours, where the views are HDR
  // ("-color_trc", "smpte2084", ...): the filters that join views drop the frames' own tags.
  std::vector<std::string> colourTags;
};

// Renders a clip's recipe as ffmpeg filter graphs: the steps in the recipe's order, with the frame
// timing of the AviSynth scripts of the same settings. Pure: recipe (with what the clip holds)
// in, graph text out. It renders the preview's frames too, whichever engine is chosen.
class FilterGraphBuilder : public FrameRenderer {
 public:
  explicit FilterGraphBuilder(PathStyle style = nativePathStyle());

  // The graph files of the clip, named like its primary script with their own extension: the
  // motion analysis graph first where the clip is stabilised, then the graph that encodes it.
  std::vector<std::string> plan(const ClipRecipe& clip) const;

  // The clip's graphs. The recipe must hold what the clip's files hold, unless they are a
  // picture sequence. Raises Error for a typed value the graph cannot take, or a time shift
  // longer than the clip.
  FfmpegClipJob build(const ClipRecipe& clip) const;

  // The primary output's rate and frames.
  OutputTiming timing(const ClipRecipe& clip) const override;
  // The inputs are sought, not decoded from their start.
  FrameGraph frame(const ClipRecipe& clip, std::int64_t frame, PreviewLook look,
                   const std::string& colourTables = {}, bool sound = false) const override;

  // The files the runner makes for the clip on its way, bare names in its folder (empty where the
  // clip needs none): the colour tables, and the transforms of the motion analysis.
  std::string colourTablesName(const ClipRecipe& clip) const;
  std::string transformsName(const ClipRecipe& clip) const;
  // The name of a stereo layout as ffmpeg's stereo_mode takes it (empty for none).
  static std::string stereoModeName(recipe::StereoTag tag);

  static constexpr const char* kGraphExtension = ".ffgraph";

 private:
  PathStyle style_;
};

}  // namespace twinlens
