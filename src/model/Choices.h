#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace twinlens::choices {

// The captions of every choice of the window, in item order. Choices are stored as zero-based
// item indices; the captions are shown by the window and a few go into the generated files.

inline constexpr std::array<std::string_view, 5> kInputFormat = {
    "Separate L and R files", "Side-by-side LR", "Over-under OU", "Mono",
    "Dual fisheye (side by side)"};
inline constexpr std::array<std::string_view, 3> kImportOptions = {"AVISource (AVI files)",
                                                                   "DirectShowSource", "Pictures"};
inline constexpr std::array<std::string_view, 8> kOutputFormat = {"Separate L and R files",
                                                                  "Side-by-side (LR)",
                                                                  "Over-under (OU)",
                                                                  "Interlaced",
                                                                  "Mono",
                                                                  "Anaglyph red-cyan (Dubois)",
                                                                  "Anaglyph red-cyan (half colour)",
                                                                  "Anaglyph grey"};
inline constexpr std::array<std::string_view, 5> kColour = {"Don't change", "YV12", "YUY2", "RGB24",
                                                            "RGB32"};
inline constexpr std::array<std::string_view, 9> kRepeat = {
    "No change",  "2 frames",     "2.5 frames", "3 frames",  "4 frames",
    "1/2 frames", "1/2.5 frames", "1/3 frames", "1/4 frames"};
inline constexpr std::array<std::string_view, 10> kFrameRates = {
    "No change",           "11.988p (HALF FILM)", "12.5p (HALF PAL)",
    "14.985p (HALF NTSC)", "23.976p (FILM)",      "25p (PAL)",
    "29.97p (NTSC)",       "50p (DOUBLE PAL)",    "59.94p (DOUBLE NTSC)",
    "User defined"};
// What the repeat choices do, as AviSynth's SelectEvery does it: of every `cycle` input frames
// the output takes the frames at `offsets` (the first `count` of them), in that order.
struct FrameSelection {
  int cycle;
  std::array<int, 5> offsets;
  int count;
};
inline constexpr std::array<FrameSelection, 9> kRepeatSelections = {{{0, {}, 0},
                                                                     {1, {0, 0}, 2},
                                                                     {2, {0, 0, 0, 1, 1}, 5},
                                                                     {1, {0, 0, 0}, 3},
                                                                     {1, {0, 0, 0, 0}, 4},
                                                                     {2, {0}, 1},
                                                                     {10, {0, 2, 5, 7}, 4},
                                                                     {3, {0}, 1},
                                                                     {4, {0}, 1}}};

// The output frame rates of the choices "11.988p" to "59.94p" as numerator and denominator, by
// item index ("User defined" is the user's own).
struct FrameRateValue {
  int num;
  int den;
};
inline constexpr std::array<FrameRateValue, 9> kFrameRateValues = {{{0, 0},
                                                                    {12000, 1001},
                                                                    {12500, 1000},
                                                                    {15000, 1001},
                                                                    {24000, 1001},
                                                                    {25000, 1000},
                                                                    {30000, 1001},
                                                                    {50000, 1000},
                                                                    {60000, 1001}}};

inline constexpr std::array<std::string_view, 2> kPitch = {"No change", "Change pitch"};
inline constexpr std::array<std::string_view, 3> kColourMatch = {"No change", "Left", "Right"};
inline constexpr std::array<std::string_view, 3> kBlendTimeLapse = {
    "No change", "Blend frames from video", "Time-lapse from video"};
inline constexpr std::array<std::string_view, 7> kBlend = {
    "2 frames", "4 frames", "8 frames", "16 frames", "32 frames", "64 frames", "128 frames"};
inline constexpr std::array<std::string_view, 3> kAlign = {"No change", "Measure each clip",
                                                           "Use these values"};
inline constexpr std::array<std::string_view, 3> kConvergence = {"No change", "Automatic",
                                                                 "Shift by"};
inline constexpr std::array<std::string_view, 2> kEngine = {"AviSynth scripts", "ffmpeg filters"};
inline constexpr std::array<std::string_view, 3> kLens = {"Canon RF 5.2mm (views swapped)",
                                                          "Canon RF-S 3.9mm (views swapped)",
                                                          "Other (left view on the left)"};
inline constexpr std::array<std::string_view, 3> kProjection = {"Flat", "VR180", "360"};
inline constexpr std::array<std::string_view, 3> kEncodeOn = {"This computer", "A Slurm cluster",
                                                              "Several computers (GNU parallel)"};
inline constexpr std::array<std::string_view, 8> kTarget = {
    "Custom",
    "Meta Quest 3 (VR180)",
    "Meta Quest (3D side by side)",
    "Apple Vision Pro (side by side, for players)",
    "YouTube VR180",
    "YouTube 3D",
    "DeoVR (H.264)",
    "3D television (half side by side)"};

// What each lens choice is: its field of view across the image circle (the typed one for
// "Other"), and whether the right eye's circle is on the picture's left half.
struct LensValue {
  double fieldOfViewDeg;
  bool viewsSwapped;
};
inline constexpr std::array<LensValue, 2> kLensValues = {{{190, true}, {144, true}}};

// Each choice as an enum whose values are the item indices above, the numbers settings and
// layout files hold. `Unset` is a choice with nothing selected (a file may hold -1).
enum class InputFormat { Unset = -1, Separate, SideBySide, OverUnder, Mono, DualFisheye };
enum class ImportOptions { Unset = -1, AviSource, DirectShowSource, Pictures };
enum class OutputFormat {
  Unset = -1,
  Separate,
  SideBySide,
  OverUnder,
  Interlaced,
  Mono,
  AnaglyphDubois,
  AnaglyphHalfColour,
  AnaglyphGrey
};
enum class Colour { Unset = -1, Keep, YV12, YUY2, RGB24, RGB32 };
// Repeating shows each frame N times; skipping keeps one frame of every N.
enum class Repeat {
  Unset = -1,
  NoChange,
  Repeat2,
  Repeat2_5,
  Repeat3,
  Repeat4,
  Skip2,
  Skip2_5,
  Skip3,
  Skip4
};
enum class FrameRates {
  Unset = -1,
  NoChange,
  HalfFilm,
  HalfPal,
  HalfNtsc,
  Film,
  Pal,
  Ntsc,
  DoublePal,
  DoubleNtsc,
  UserDefined
};
enum class Pitch { Unset = -1, NoChange, Change };
enum class ColourMatch { Unset = -1, NoChange, Left, Right };
enum class BlendTimeLapse { Unset = -1, NoChange, Blend, TimeLapse };
// How many frames are blended into one: 2 to the power of the index plus one.
enum class BlendFrames {
  Unset = -1,
  Frames2,
  Frames4,
  Frames8,
  Frames16,
  Frames32,
  Frames64,
  Frames128
};
enum class Align { Unset = -1, NoChange, Measure, UseValues };
enum class Convergence { Unset = -1, NoChange, Automatic, ShiftBy };
enum class Engine { Unset = -1, AviSynth, Ffmpeg };
// Where the ffmpeg engine's encodes run: one after another here, as jobs of a Slurm cluster, or
// spread over computers reached through ssh by GNU parallel.
enum class EncodeOn { Unset = -1, ThisComputer, Slurm, Parallel };
enum class Lens { Unset = -1, CanonRf5_2, CanonRfS3_9, Other };
// The output's projection: a flat picture, half an equirectangular sphere, or a whole one.
enum class Projection { Unset = -1, Flat, VR180, Full360 };
enum class Target {
  Unset = -1,
  Custom,
  Quest3Vr180,
  Quest3d,
  VisionPro,
  YouTubeVr180,
  YouTube3d,
  DeoVr,
  Television
};

// The item index a choice is stored as.
template <typename Choice>
constexpr int itemIndex(Choice choice) {
  return static_cast<int>(choice);
}

// The last item of each choice is the last caption of its list.
template <typename Choice, std::size_t Count>
constexpr bool endsWith(Choice last, const std::array<std::string_view, Count>&) {
  return itemIndex(last) + 1 == static_cast<int>(Count);
}
static_assert(endsWith(InputFormat::DualFisheye, kInputFormat));
static_assert(endsWith(ImportOptions::Pictures, kImportOptions));
static_assert(endsWith(OutputFormat::AnaglyphGrey, kOutputFormat));
static_assert(endsWith(Colour::RGB32, kColour));
static_assert(endsWith(Repeat::Skip4, kRepeat));
static_assert(endsWith(FrameRates::UserDefined, kFrameRates));
static_assert(endsWith(Pitch::Change, kPitch));
static_assert(endsWith(ColourMatch::Right, kColourMatch));
static_assert(endsWith(BlendTimeLapse::TimeLapse, kBlendTimeLapse));
static_assert(endsWith(BlendFrames::Frames128, kBlend));
static_assert(endsWith(Align::UseValues, kAlign));
static_assert(endsWith(Convergence::ShiftBy, kConvergence));
static_assert(endsWith(Engine::Ffmpeg, kEngine));
static_assert(endsWith(EncodeOn::Parallel, kEncodeOn));
static_assert(endsWith(Lens::Other, kLens));
static_assert(endsWith(Projection::Full360, kProjection));
static_assert(endsWith(Target::Television, kTarget));
static_assert(kLensValues.size() + 1 == kLens.size());
static_assert(kRepeatSelections.size() == kRepeat.size());
static_assert(kFrameRateValues.size() + 1 == kFrameRates.size());

}  // namespace twinlens::choices
