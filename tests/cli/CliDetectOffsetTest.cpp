// twinlens-cli detect-offset on clips made with ffmpeg: one sound heard by two cameras that
// started apart, the second with its own noise, another gain and another sample rate, and with a
// clock that runs fast.
#include <gtest/gtest.h>

#include <regex>

#include "CliOutcome.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::TempDir;

// Syllable-like bursts of pink noise, the same for every camera (a fixed seed).
constexpr const char* kScene =
    "anoisesrc=d=80:c=pink:r=48000:a=0.5:seed=11,lowpass=3500,"
    "volume='0.15+0.85*abs(sin(2*PI*2.7*t)*sin(2*PI*0.37*t))':eval=frame";

// A clip of tiny pictures and the sound the filter graph `sound` makes (none when empty).
void make(const std::string& file, double seconds, const std::string& sound) {
  std::vector<std::string> command{
      "ffmpeg", "-v",    "error", "-y",
      "-f",     "lavfi", "-i",    "color=s=16x16:r=25:d=" + std::to_string(seconds)};
  if (!sound.empty()) {
    command.insert(command.end(), {"-filter_complex", sound + "[a]", "-map", "0:v", "-map", "[a]",
                                   "-c:a", "pcm_s16le"});
  }
  command.insert(command.end(), {"-c:v", "ffv1", "-t", std::to_string(seconds), file});
  const platform::ProgramOutput result = platform::runProgram(command);
  ASSERT_EQ(result.exitCode, 0) << result.errors;
}

// The scene as the second camera records it: `late` seconds later in its file (negative: earlier),
// its clock `ppm` fast, its own noise 10 dB below, at 44.1 kHz and another gain.
std::string secondCamera(double late, double ppm) {
  std::string sound = std::string(kScene);
  if (late > 0) sound += ",adelay=" + std::to_string(late * 1000) + ":all=1";
  if (late < 0) sound += ",atrim=start=" + std::to_string(-late) + ",asetpts=PTS-STARTPTS";
  if (ppm != 0) {
    sound += ",asetrate=" + std::to_string(48000 * (1 + ppm * 1e-6)) + ",aresample=48000";
  }
  return sound +
         ",volume=0.4[scene];anoisesrc=d=80:c=white:r=48000:a=0.02:seed=5[own];"
         "[scene][own]amix=inputs=2:normalize=0,aresample=44100";
}

struct Pair {
  const char* name;
  double late;
  double ppm;
  double seconds;
  std::int64_t frames;
  double remainderMs;
  bool warning;

  friend void PrintTo(const Pair& pair, std::ostream* os) { *os << pair.name; }
};

class DetectOffset : public ::testing::TestWithParam<Pair> {};

TEST_P(DetectOffset, FindsTheFramesTheRemainderAndTheDrift) {
  const Pair& pair = GetParam();
  TempDir dir;
  make(dir.file("left.mkv"), pair.seconds, kScene);
  make(dir.file("right.mkv"), pair.seconds, secondCamera(pair.late, pair.ppm));
  const test::CliOutcome outcome =
      test::runCli({"detect-offset", dir.file("left.mkv"), dir.file("right.mkv")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(outcome.out, m,
                                std::regex("Offset frames: (-?[0-9]+)\n"
                                           "Remainder: ([-+][0-9.]+) ms\n")))
      << outcome.out;
  EXPECT_EQ(std::stoll(m[1]), pair.frames) << outcome.out;
  EXPECT_NEAR(std::stod(m[2]), pair.remainderMs, 2) << outcome.out;
  ASSERT_TRUE(std::regex_search(outcome.out, m, std::regex("\\(([-+][0-9.]+) ppm\\)")))
      << outcome.out;
  EXPECT_NEAR(std::stod(m[1]), -pair.ppm, 50) << outcome.out;
  EXPECT_EQ(outcome.out.find("Warning:") != std::string::npos, pair.warning) << outcome.out;
}

INSTANTIATE_TEST_SUITE_P(Pairs, DetectOffset,
                         ::testing::Values(Pair{"RightLate", 1.49, 0, 40, 37, 10, false},
                                           Pair{"RightEarly", -0.48, 0, 40, -12, 0, false},
                                           Pair{"FastClockWarns", 0.2, 500, 70, 5, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DetectOffsetStops, WithAMessageForSilenceAndNoSound) {
  TempDir dir;
  make(dir.file("scene.mkv"), 20, kScene);
  make(dir.file("silent.mkv"), 20, "anullsrc=r=48000");
  make(dir.file("mute.mkv"), 20, "");
  const std::vector<std::pair<std::string, std::string>> stops{
      {"silent.mkv", "The sound of \"" + dir.file("silent.mkv") +
                         "\" is silent; the offset cannot be measured.\n"},
      {"mute.mkv", "\"" + dir.file("mute.mkv") + "\" has no sound to measure the offset from.\n"}};
  for (const auto& [file, message] : stops) {
    const test::CliOutcome outcome =
        test::runCli({"detect-offset", dir.file("scene.mkv"), dir.file(file)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, message);
    EXPECT_EQ(outcome.out, "");
  }
}

}  // namespace
}  // namespace twinlens
