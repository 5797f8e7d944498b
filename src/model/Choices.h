#pragma once

#include <array>
#include <string_view>

namespace twinlens::choices {

// The captions of every choice of the window, in item order. Choices are stored as zero-based
// item indices; the captions are shown by the window and a few go into the generated files.

inline constexpr std::array<std::string_view, 4> kInputFormat = {
    "Separate L and R files", "Side-by-side LR", "Over-under OU", "Mono"};
inline constexpr std::array<std::string_view, 3> kImportOptions = {"AVISource (AVI files)",
                                                                   "DirectShowSource", "Pictures"};
inline constexpr std::array<std::string_view, 5> kOutputFormat = {
    "Separate L and R files", "Side-by-side (LR)", "Over-under (OU)", "Interlaced", "Mono"};
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

// The output frame rates of the choices 1 to 8 as numerator and denominator; 9 is the user's own.
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

// Output formats, by index.
inline constexpr int kOutputSeparate = 0;
inline constexpr int kOutputSideBySide = 1;
inline constexpr int kOutputOverUnder = 2;
inline constexpr int kOutputInterlaced = 3;
inline constexpr int kOutputMono = 4;

// Input formats, by index.
inline constexpr int kInputSeparate = 0;
inline constexpr int kInputSideBySide = 1;
inline constexpr int kInputOverUnder = 2;
inline constexpr int kInputMono = 3;

// Import options, by index.
inline constexpr int kImportAviSource = 0;
inline constexpr int kImportDirectShow = 1;
inline constexpr int kImportPictures = 2;

// "Align views" and "Convergence", by index.
inline constexpr int kAlignMeasure = 1;
inline constexpr int kAlignValues = 2;
inline constexpr int kConvergenceAutomatic = 1;
inline constexpr int kConvergenceShift = 2;

// The "User defined" output frame rate.
inline constexpr int kUserDefinedFrameRate = 9;

}  // namespace twinlens::choices
