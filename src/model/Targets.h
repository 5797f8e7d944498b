#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/Choices.h"
#include "model/ClipRecipe.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// A picture size and rate a decoder plays: at most `width` x `height` at `rate` frames a second.
struct DecoderLimit {
  int width = 0;
  int height = 0;
  double rate = 0;
};

// A headset, player or screen an output is made for: the layout, projection and encoding it
// takes, and what its decoder plays (an output within any one of its limits plays).
struct TargetSpec {
  choices::Projection projection = choices::Projection::Flat;
  bool halfWidth = false;  // each view at half its width, as 3D televisions take side by side
  std::span<const DecoderLimit> limits;
  std::string_view codec;    // "H.264", as messages name it
  std::string_view options;  // the encoder options
  std::string_view extension;
};

// The target of a choice; null for "Custom".
const TargetSpec* targetOf(choices::Target target);

// Sets what the chosen target decides: the output's layout and projection, the half width, the
// encoder options and the video extension. "Custom" changes nothing.
void applyTarget(ConversionSettings& settings);

// The size of a clip's primary output picture as its recipe makes it, from what its file holds;
// 0 x 0 where the recipe does not tell (a typed size that is no number, a file not read).
struct PictureSize {
  int width = 0;
  int height = 0;
};
PictureSize outputPictureSize(const ClipRecipe& recipe);

// Raises Error naming the limit and the cure where an output of `size` at `rate` frames a second
// is beyond what the chosen target plays.
void checkTargetLimits(const ConversionSettings& settings, PictureSize size, double rate,
                       const std::string& file);

}  // namespace twinlens
