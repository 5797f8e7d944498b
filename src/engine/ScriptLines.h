#pragma once

#include <cstdint>
#include <string>

#include "engine/ConversionSettings.h"
#include "engine/TextFile.h"

namespace twinlens {

// Which of the two views a group of lines belongs to.
enum class View { Left, Right };

// The fixed groups of AviSynth lines that the script builder strings together. Each appends its
// lines to `out` and reads only the settings named; none of them knows about files.
namespace scriptlines {

// Stereoscopic time shift: a positive offset advances the right view.
void timeShift(TextFile& out, View view, std::int64_t offset);

// Cuts `frames` (the text as typed) audio frames at the end of the video.
void audioCut(TextFile& out, const std::string& frames);

// Weaves separated input fields, or separates the output into fields.
void fieldLines(TextFile& out, const ConversionSettings& settings);

// Frame blending or time-lapse, whichever is chosen. `leftViewBefore` tells whether the lines of
// the left view stand earlier in the same script, so that the names they set (al, fr, fn) can
// be read; where they cannot, the view sets or uses its own instead. `rightSoundBefore` tells
// the same of the right view's sound (ar). Without sound (a picture sequence) no sound is dubbed
// in.
void blendOrTimeLapse(TextFile& out, View view, const ConversionSettings& settings,
                      bool leftViewBefore, bool rightSoundBefore = false, bool hasSound = true);

// True when frame blending or time-lapse adds lines.
bool blendsOrLapses(const ConversionSettings& settings);

// Stretches or squeezes the whole input picture for half-width and half-height formats.
void sizeLines(TextFile& out, const ConversionSettings& settings);

// Crops one view out of a side-by-side or over-under input.
void splitLines(TextFile& out, View view, const ConversionSettings& settings);

// Mirrors a view horizontally and vertically.
void mirrorLines(TextFile& out, View view, const ConversionSettings& settings);

// Optional blur and the resize to the final size of one view.
void finalSize(TextFile& out, const ConversionSettings& settings);

// Frame repeat or skip, the output frame rate and the sound's pitch.
void rateTail(TextFile& out, const ConversionSettings& settings);

// "ConvertTo<colour space>", or an empty text when the colour space stays as it is.
std::string colourLine(const ConversionSettings& settings);

}  // namespace scriptlines
}  // namespace twinlens
