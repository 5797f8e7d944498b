#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/Choices.h"
#include "model/ClipFacts.h"
#include "model/ClipNames.h"
#include "model/ConversionSettings.h"
#include "model/GeometryReport.h"
#include "model/MediaInfo.h"

namespace twinlens {

// Which of the two views a step or an output belongs to.
enum class View { Left, Right };

inline int viewIndex(View view) {
  return view == View::Left ? 0 : 1;
}

// What the conversion of one clip is, decided once from the settings: where the views come from,
// the ordered steps each view goes through, and the outputs that show them. The engines render
// it, each in its own terms; none of them reads a conversion choice from the settings.
namespace recipe {

enum class Source { AviFile, DirectShowFile, Pictures };
// How the views lie in the input: two files, or one file holding both (or one view), or the two
// image circles of a dual-fisheye lens side by side.
enum class InputLayout { Pair, SideBySide, OverUnder, Mono, DualFisheye };
// How the analysis names an input layout: "pair", "side-by-side", "over-under" (mono: "pair";
// dual fisheye: "dual-fisheye").
const char* layoutName(InputLayout layout);
// No layout is an output format the settings leave unchosen: the clip has no output. An anaglyph
// is one picture of both views in colours the glasses part again: the first view red, the other
// cyan (Dubois's least-squares mix, half colour, or grey).
enum class OutputLayout {
  None,
  Separate,
  SideBySide,
  OverUnder,
  Interlaced,
  Mono,
  AnaglyphDubois,
  AnaglyphHalfColour,
  AnaglyphGrey
};
inline bool isAnaglyph(OutputLayout layout) {
  return layout == OutputLayout::AnaglyphDubois || layout == OutputLayout::AnaglyphHalfColour ||
         layout == OutputLayout::AnaglyphGrey;
}
enum class ColourSpace { Keep, YV12, YUY2, RGB24, RGB32 };
// What the output's picture shows: a flat picture, half an equirectangular sphere (VR180), or
// the whole of one (360).
enum class Projection { Flat, HalfEquirect, Equirect };
// The stereo layout an output's video is tagged with; Mono says an input's tag must not survive.
enum class StereoTag {
  None,
  LeftRight,
  RightLeft,
  TopBottom,
  BottomTop,
  RowInterleavedLR,
  RowInterleavedRL,
  Mono
};

// A frame rate as chosen, numerator and denominator as they stand (12500/1000 stays so).
struct FrameRate {
  std::int64_t num = 0;
  std::int64_t den = 1;
  friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// The view is deinterlaced straight from its source.
struct Deinterlace {
  friend bool operator==(const Deinterlace&, const Deinterlace&) = default;
};
// Stereoscopic time shift of the pair: a positive offset advances the right view (which starts
// that many frames late) and ends the left view as many frames early.
struct TimeShift {
  std::int64_t offset = 0;
  friend bool operator==(const TimeShift&, const TimeShift&) = default;
};
// The view is scaled to the other view's size and pixel shape (the picture's shape the same).
struct ConformSize {
  int width = 0;
  int height = 0;
  Rational pixelAspect{1, 1};
  friend bool operator==(const ConformSize&, const ConformSize&) = default;
};
// The view's unevenly spaced frames are laid on an even grid of its nominal rate by their time
// stamps: a frame is repeated or dropped where the time stamps say so.
struct ConformRate {
  FrameRate rate;
  friend bool operator==(const ConformRate&, const ConformRate&) = default;
};
// The view's colours are matched to the reference view's.
struct ColourMatch {
  View reference = View::Left;
  friend bool operator==(const ColourMatch&, const ColourMatch&) = default;
};
// The last frames' sound is cut: the sound ends with frame FrameCount()-frames. `text` is the
// number as it was typed, which the scripts show.
struct AudioCut {
  std::int64_t frames = 0;
  std::string text;
  friend bool operator==(const AudioCut&, const AudioCut&) = default;
};
// Separated fields woven into frames (the rate halves), or frames separated into fields (the
// rate doubles).
struct Fields {
  enum class Change { WeaveInput, SeparateOutput } change = Change::WeaveInput;
  friend bool operator==(const Fields&, const Fields&) = default;
};
// Blending or time-lapse over `frames` frames (2 to 128); with the 180° shutter only the first
// half of them is averaged. Without "right sound" the view dubs in the left view's sound where
// the left view is shown with it, else its own.
struct Motion {
  enum class Kind { Blend, TimeLapse } kind = Kind::Blend;
  int level = 0;  // frames = 2 << level
  bool halfShutter = false;
  bool rightSound = false;
  int frames() const { return 2 << level; }
  int averaged() const { return halfShutter ? frames() / 2 : frames(); }
  friend bool operator==(const Motion&, const Motion&) = default;
};
// The picture scaled by width/2 and height/2 (each 1, 2 or 4) for half-width and half-height
// formats.
struct SizeFactors {
  int width = 2;
  int height = 2;
  friend bool operator==(const SizeFactors&, const SizeFactors&) = default;
};
// The view is cropped out of a side-by-side or over-under picture.
struct Split {
  InputLayout layout = InputLayout::SideBySide;
  friend bool operator==(const Split&, const Split&) = default;
};
struct Mirror {
  bool horizontal = false;
  bool vertical = false;
  friend bool operator==(const Mirror&, const Mirror&) = default;
};
// The final size and the blur before it, as typed (the blur is absent when it is "0").
struct FinalSize {
  std::string width;
  std::string height;
  std::optional<std::string> blur;
  friend bool operator==(const FinalSize&, const FinalSize&) = default;
};
// Frames repeated or skipped: of every `cycle` frames the ones at the pattern's offsets.
struct FrameSelection {
  choices::FrameSelection pattern{};
  friend bool operator==(const FrameSelection& a, const FrameSelection& b) {
    return a.pattern.cycle == b.pattern.cycle && a.pattern.offsets == b.pattern.offsets &&
           a.pattern.count == b.pattern.count;
  }
};
// The rate the view ends with, its sound sped up or slowed down with it, and resampled back to
// its pitch where asked. Without a rate it keeps the one the frame selection left, or with
// `restore` gets back the rate it had before the selection.
struct RateChange {
  std::optional<FrameRate> rate;
  bool restore = false;
  bool keepPitch = false;
  friend bool operator==(const RateChange&, const RateChange&) = default;
};
// Stabilisation, from the left view's motion for both views.
struct Stabilise {
  std::string plugin;  // Deshaker's file
  std::string pass1;   // its settings: the first pass's and the second pass's head, the tail
  std::string pass2;
  std::string tail;
  friend bool operator==(const Stabilise&, const Stabilise&) = default;
};

// The right view's misalignment against the left view (lower by `verticalPx`, turned clockwise,
// larger, and the keystones of toe-in and tilt for a 60 degree field of view) taken out half in
// each view, and the views moved apart by `convergencePx` (positive: the scene behind the
// screen). Pixels are those of the view as its file holds it, `width` x `height`; where the step
// stands the view is `stretchX` and `stretchY` times that size.
struct Align {
  double verticalPx = 0;
  double rollDeg = 0;
  double zoomPercent = 0;
  double toeInDeg = 0;
  double tiltDeg = 0;
  double convergencePx = 0;
  int width = 0;
  int height = 0;
  double stretchX = 1;
  double stretchY = 1;
  friend bool operator==(const Align&, const Align&) = default;
};

// The view taken out of its lens's image circle and re-projected to half an equirectangular
// sphere (VR180) of `width` x `height`, or to a flat window straight ahead `windowFovDeg` across
// and `windowHeightDeg` high. The circle's square is cropped from the picture first: `side` pixels
// from `cropX`, `cropY` (it may reach past the picture, which is black there). The lens is an
// equidistant fisheye of `lensFovDeg` across its circle. The eye is turned first, in degrees:
// `yawDeg` to the right, `pitchDeg` up, `rollDeg` its picture anticlockwise.
struct Reproject {
  int cropX = 0;
  int cropY = 0;
  int side = 0;
  double lensFovDeg = 180;
  int width = 0;
  int height = 0;
  double windowFovDeg = 0;  // none: VR180
  double windowHeightDeg = 0;
  double yawDeg = 0;
  double pitchDeg = 0;
  double rollDeg = 0;
  friend bool operator==(const Reproject&, const Reproject&) = default;
};

// Conform steps arise only where the run has read the clip's files.
using Step = std::variant<Deinterlace, TimeShift, ColourMatch, AudioCut, Fields, Motion,
                          SizeFactors, Split, Mirror, FinalSize, FrameSelection, RateChange,
                          Stabilise, ConformSize, ConformRate, Align, Reproject>;

// One output file's picture: one view, or two in a layout (the first stands left, on top, or is
// the first field), and the view whose sound it carries, if any.
struct Output {
  std::vector<View> views;
  std::optional<View> sound;
  friend bool operator==(const Output&, const Output&) = default;
};

}  // namespace recipe

struct ClipRecipe {
  ClipNames names;
  recipe::Source source = recipe::Source::AviFile;
  recipe::InputLayout input = recipe::InputLayout::Pair;
  std::string pictureRate;  // the picture sequence's rate, as typed
  // What the left and the right file hold, where the scan has read them.
  std::optional<MediaInfo> leftMedia;
  std::optional<MediaInfo> rightMedia;

  std::array<std::vector<recipe::Step>, 2> steps;  // by viewIndex()

  recipe::OutputLayout layout = recipe::OutputLayout::Separate;
  bool reversed = false;  // the views swap places
  std::vector<recipe::Output> outputs;
  recipe::ColourSpace colour = recipe::ColourSpace::Keep;
  recipe::StereoTag stereoTag = recipe::StereoTag::None;
  recipe::Projection projection = recipe::Projection::Flat;
  // The colour tags of HDR views (PQ or HLG), which the outputs carry; empty for others.
  std::string transfer;
  std::string primaries;
  std::string matrix;
  // What the run tells of the clip: how its views were made a pair, what the user should know.
  std::vector<std::string> notes;

  const std::vector<recipe::Step>& of(View view) const { return steps[viewIndex(view)]; }
  bool hasSound() const { return source != recipe::Source::Pictures; }
  bool twoFiles() const { return input == recipe::InputLayout::Pair; }

  // The view's step of type T, if it has one.
  template <typename T>
  const T* find(View view) const {
    for (const recipe::Step& step : of(view)) {
      if (const T* found = std::get_if<T>(&step)) return found;
    }
    return nullptr;
  }
  template <typename T>
  bool has(View view) const {
    return find<T>(view) != nullptr;
  }

  friend bool operator==(const ClipRecipe&, const ClipRecipe&) = default;
};

// The recipe of one clip, from its names and what the scan read of its files (`facts`). What the
// files hold decides the outputs' sound and stereo tag, lays unevenly spaced frames on their
// nominal rate, lends a view without sound the other's, and compares the two files of one clip:
// a right view of the left's picture shape but another size or pixel shape is scaled to the
// left's. Views of different picture shapes, frame rates more than 0.1 % apart, different
// rotations, scans or field orders, or HDR beside SDR raise Error naming both files, both values
// and the cure. What was conformed, and what the user should know, is in `notes`. A time shift or
// audio cut that is not an integer raises "'<text>' is not a valid integer value".
//
// The views are aligned and converged as "Align views" and "Convergence" say: by the typed values
// (one that is no number raises "'<text>' is not a valid number"), or by what was measured of the
// clip's pictures; the depth that gives is told in `notes`. Choices that need a measurement
// align nothing without one, and nothing is aligned without the views' size.
// Whether the settings align or converge the views, and whether that needs each clip's pictures
// measured.
bool alignsViews(const ConversionSettings& settings);
bool measuresViews(const ConversionSettings& settings);
// The lens of a dual-fisheye recording as the settings choose it: its field of view and on which
// half each eye lies. A typed field of view that is no number, or none a fisheye has, raises
// Error.
choices::LensValue lensOf(const ConversionSettings& settings);

ClipRecipe makeClipRecipe(const ConversionSettings& settings, ClipNames names,
                          const ClipFacts& facts);

}  // namespace twinlens
