// Anaglyph outputs end to end: a pair of plain colours converted by twinlens-cli, by each engine,
// and the colour of the output (ffmpeg's encode, decoded) or the lines of the script (AviSynth's)
// checked against the mix each kind of anaglyph is defined by.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CliOutcome.h"
#include "platform/ProgramOutput.h"
#include "platform/TextFiles.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

namespace fs = std::filesystem;
using Rgb = std::array<double, 3>;

constexpr Rgb kLeft = {200, 120, 40};
constexpr Rgb kRight = {60, 140, 220};

// Each output channel as the weights of the red view's red, green, blue and the cyan view's.
using Mix = std::array<std::array<double, 6>, 3>;
constexpr double kR = 0.299, kG = 0.587, kB = 0.114;  // brightness, as ITU-R BT.601 weighs it
constexpr Mix kDubois = {{{0.456, 0.500, 0.176, -0.0434, -0.0879, -0.00155},
                          {-0.0400, -0.0378, -0.0157, 0.378, 0.734, -0.0180},
                          {-0.0152, -0.0205, -0.00546, -0.0721, -0.113, 1.226}}};
constexpr Mix kHalfColour = {{{kR, kG, kB, 0, 0, 0}, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 1}}};
constexpr Mix kGrey = {{{kR, kG, kB, 0, 0, 0}, {0, 0, 0, kR, kG, kB}, {0, 0, 0, kR, kG, kB}}};

Rgb mixed(const Mix& mix, const Rgb& red, const Rgb& cyan) {
  Rgb out{};
  for (std::size_t c = 0; c < 3; ++c) {
    double v = 0;
    for (std::size_t i = 0; i < 3; ++i) v += mix[c][i] * red[i] + mix[c][i + 3] * cyan[i];
    out[c] = std::clamp(v, 0.0, 255.0);
  }
  return out;
}

std::string colour(const Rgb& rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X%02X%02X", static_cast<int>(rgb[0]),
                static_cast<int>(rgb[1]), static_cast<int>(rgb[2]));
  return text;
}

void make(const std::string& file, const Rgb& rgb) {
  const platform::ProgramOutput made = platform::runProgram(
      {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
       "color=c=" + colour(rgb) + ":s=64x48:r=25:d=0.4", "-c:v", "ffv1", "-pix_fmt", "bgr0", file});
  ASSERT_EQ(made.exitCode, 0) << made.errors;
}

// The colour in the middle of the first frame.
Rgb middleOf(const std::string& file) {
  const platform::ProgramOutput decoded =
      platform::runProgram({"ffmpeg", "-v", "error", "-i", file, "-frames:v", "1", "-f", "rawvideo",
                            "-pix_fmt", "rgb24", "-"});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.errors;
  const std::size_t at = (24 * 64 + 32) * 3;
  if (decoded.output.size() < at + 3) return {};
  Rgb rgb{};
  for (std::size_t c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(decoded.output[at + c]);
  return rgb;
}

struct AnaglyphCase {
  const char* name;
  int format;      // the output format's item index
  bool reversed;   // "Reverse L and R": the right view is the red
  const Mix* mix;  // what the ffmpeg engine's output holds
  // What the AviSynth script ends with, or the start of the message that refuses it.
  std::vector<std::string> scriptTail;
  const char* aviSynthRefusal = nullptr;
};

const AnaglyphCase kCases[] = {
    {"Dubois",
     5,
     false,
     &kDubois,
     {},
     "AviSynth scripts cannot make the output format "
     "\"Anaglyph red-cyan (Dubois)\": choose the engine "
     "\"ffmpeg filters\", or \"Anaglyph red-cyan (half colour)\""},
    {"HalfColour",
     6,
     false,
     &kHalfColour,
     {"a=a.ConvertToRGB32().Greyscale()", "b=b.ConvertToRGB32()", "MergeRGB(a,b,b)"}},
    {"Grey",
     7,
     false,
     &kGrey,
     {"a=a.ConvertToRGB32().Greyscale()", "b=b.ConvertToRGB32().Greyscale()", "MergeRGB(a,b,b)"}},
    {"HalfColourReversed",
     6,
     true,
     &kHalfColour,
     {"b=b.ConvertToRGB32().Greyscale()", "a=a.ConvertToRGB32()", "MergeRGB(b,a,a)"}},
};

class Anaglyph : public ::testing::TestWithParam<AnaglyphCase> {};

TEST_P(Anaglyph, MixesTheViewsAsItsKindSaysInEachEngine) {
  const AnaglyphCase& c = GetParam();
  test::TempDir dir;
  const std::string left = dir.file("clip_L.mkv");
  const std::string right = dir.file("clip_R.mkv");
  make(left, kLeft);
  make(right, kRight);
  const std::vector<std::string> common{
      "--left",  left,
      "--right", right,
      "--set",   "RadioGroup_Output_Format=" + std::to_string(c.format),
      "--set",   std::string("CheckBox_Reverse_LR=") + (c.reversed ? "1" : "0")};

  // The ffmpeg engine encodes it.
  std::vector<std::string> ffmpeg = common;
  ffmpeg.insert(ffmpeg.end(), {"--set", "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1",
                               "--set", "Edit_Video_Extension=.mkv", "--set",
                               "Edit_coding_presets=-c:v ffv1 -pix_fmt bgr0", "--set",
                               "CheckBox_Execute_ffmpeg=1"});
  const test::CliOutcome made = test::runCli(ffmpeg);
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string runner = test::launchedRunner(made.out);
  ASSERT_FALSE(runner.empty()) << made.out;
  const platform::ProgramOutput encoded = platform::runProgram({runner});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output << encoded.errors;
  const Rgb red = c.reversed ? kRight : kLeft;
  const Rgb cyan = c.reversed ? kLeft : kRight;
  const Rgb expected = mixed(*c.mix, red, cyan);
  const Rgb got = middleOf(dir.file("clip_Anaglyph.mkv"));
  for (std::size_t ch = 0; ch < 3; ++ch) {
    EXPECT_NEAR(got[ch], expected[ch], 2.0) << "channel " << ch;
  }

  // AviSynth scripts merge the channels, or refuse before anything is written.
  std::vector<std::string> aviSynth = common;
  aviSynth.insert(aviSynth.end(), {"--set", "RadioGroup_Engine=0", "--set", "Prefix=avs_"});
  const test::CliOutcome scripted = test::runCli(aviSynth);
  const std::string script = dir.file("avs_clip_Anaglyph.avs");
  if (c.aviSynthRefusal != nullptr) {
    EXPECT_NE(scripted.status, 0);
    EXPECT_NE(scripted.err.find(c.aviSynthRefusal), std::string::npos) << scripted.err;
    EXPECT_FALSE(fs::exists(script));
    return;
  }
  ASSERT_EQ(scripted.status, 0) << scripted.err;
  const std::vector<std::string> lines = platform::loadTextFile(script).lines();
  ASSERT_GE(lines.size(), c.scriptTail.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(c.scriptTail.size()),
                                     lines.end()),
            c.scriptTail);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Anaglyph, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace twinlens
