// The runner's own lines: what its writer says, its follower reads back as the same facts, and
// ffmpeg's lines are told apart from them.
#include "engines/RunnerLines.h"

#include <gtest/gtest.h>

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy (its
// bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {
namespace {

using Kind = runnerlines::Line::Kind;

struct LineCase {
  std::string line;
  Kind kind;
  std::int64_t clip = 0;
  std::int64_t clips = 0;
  std::int64_t frames = 0;
};

class RunnerLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(RunnerLines, ReadBackAsWhatTheyTell) {
  const LineCase& c = GetParam();
  const runnerlines::Line read = runnerlines::read(c.line);
  EXPECT_EQ(read.kind, c.kind) << c.line;
  EXPECT_EQ(read.clip, c.clip) << c.line;
  EXPECT_EQ(read.clips, c.clips) << c.line;
  EXPECT_EQ(read.frames, c.frames) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunnerLines,
    ::testing::Values(LineCase{runnerlines::total(1, 50), Kind::Total, 0, 1, 50},
                      LineCase{runnerlines::total(3, 7500000000), Kind::Total, 0, 3, 7500000000},
                      LineCase{runnerlines::clipStarts(2, 3, 250, "b_LR.mkv, b_R.mkv"),
                               Kind::ClipStarts, 2, 3, 250},
                      // An output named like a line of the runner's changes nothing.
                      LineCase{runnerlines::clipStarts(1, 1, 0, "Clip 1 of 1 failed"),
                               Kind::ClipStarts, 1, 1, 0},
                      LineCase{runnerlines::clipFailed(2, 3), Kind::ClipFailed, 2, 3},
                      LineCase{runnerlines::allEncoded(3), Kind::Ended},
                      LineCase{"2" + runnerlines::failedCountTail(3), Kind::Ended},
                      LineCase{"Conversion failed!", Kind::Other},
                      LineCase{"a_R.mkv: No such file or directory", Kind::Other},
                      LineCase{"Encoding clip 0 of 3 (5 frames): x", Kind::Other}));

}  // namespace
}  // namespace twinlens
