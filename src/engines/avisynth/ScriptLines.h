#pragma once

#include <cstdint>
#include <string>

#include "base/TextFile.h"
#include "model/ClipRecipe.h"

namespace twinlens {

// The fixed groups of AviSynth lines that the script builder strings together, each the lines of
// one step of a clip's recipe. Each appends its lines to `out`; none of them knows about files.
namespace scriptlines {

// Stereoscopic time shift: a positive offset advances the right view.
void timeShift(TextFile& out, View view, std::int64_t offset);

// Cuts `frames` (the text as typed) audio frames at the end of the video.
void audioCut(TextFile& out, const std::string& frames);

// Weaves separated input fields, or separates the output into fields.
void fieldLines(TextFile& out, const recipe::Fields& fields);

// Frame blending or time-lapse. `leftViewBefore` tells whether the lines of the left view stand
// earlier in the same script, so that the names they set (al, fr, fn) can be read; where they
// cannot, the view sets or uses its own instead. `rightSoundBefore` tells the same of the right
// view's sound (ar). Without sound (a picture sequence) no sound is dubbed in.
void blendOrTimeLapse(TextFile& out, View view, const recipe::Motion& motion, bool leftViewBefore,
                      bool rightSoundBefore = false, bool hasSound = true);

// Stretches or squeezes the whole input picture for half-width and half-height formats.
void sizeLines(TextFile& out, const recipe::SizeFactors& size);

// Crops one view out of a side-by-side or over-under input.
void splitLines(TextFile& out, View view, const recipe::Split& split);

// Mirrors a view horizontally and vertically.
void mirrorLines(TextFile& out, const recipe::Mirror& mirror);
// The view resampled from the source window that takes out its half of the vertical offset and
// zoom and its half of the convergence shift (AviSynth's resizers turn nothing).
void alignLines(TextFile& out, View view, const recipe::Align& align);

// Optional blur and the resize to the final size of one view.
void finalSize(TextFile& out, const recipe::FinalSize& size);

// Frame repeat or skip, the output frame rate and the sound's pitch; either may be absent.
void rateTail(TextFile& out, const recipe::FrameSelection* selection,
              const recipe::RateChange* rate);

// "ConvertTo<colour space>", or an empty text when the colour space stays as it is.
std::string colourLine(recipe::ColourSpace colour);

}  // namespace scriptlines
}  // namespace twinlens
