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
inline constexpr std::array<std::string_view, 2> kPitch = {"No change", "Change pitch"};
inline constexpr std::array<std::string_view, 3> kColourMatch = {"No change", "Left", "Right"};
inline constexpr std::array<std::string_view, 3> kBlendTimeLapse = {
    "No change", "Blend frames from video", "Time-lapse from video"};
inline constexpr std::array<std::string_view, 7> kBlend = {
    "2 frames", "4 frames", "8 frames", "16 frames", "32 frames", "64 frames", "128 frames"};

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

// The "User defined" output frame rate.
inline constexpr int kUserDefinedFrameRate = 9;

}  // namespace twinlens::choices
