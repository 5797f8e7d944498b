// What the encoding window and twinlens-cli --launch say of the runner's progress, or of the
// clips a job engine runs at once.
#include "run/EncodeRun.h"

#include <gtest/gtest.h>

namespace twinlens {
namespace {

EncodeStatus::Result result(bool failed) {
  return {{"a_LR.mkv"}, failed, failed ? "Conversion failed" : ""};
}

TEST(EncodeStatus, TellsTheClipTheWholeRunAndTheTimeLeftOrHowItEnded) {
  struct Case {
    EncodeStatus status;
    std::string line;
    double fraction;
  };
  EncodeStatus starting;
  starting.clips = 3;
  starting.running = true;
  EncodeStatus second = starting;  // 100 of 250 frames of the second clip at 50 a second
  second.clip = 2;
  second.clipFrames = 250;
  second.frame = 100;
  second.framesBefore = 250;
  second.totalFrames = 750;
  second.framesPerSecond = 50;
  second.results = {result(false)};
  EncodeStatus slow = second;  // an hour and more to go
  slow.framesPerSecond = 0.1;
  EncodeStatus unknownSpeed = second;
  unknownSpeed.framesPerSecond = 0;
  EncodeStatus overrun = second;  // more frames than the headers told
  overrun.frame = 260;
  EncodeStatus done = second;
  done.running = false;
  done.clip = 3;
  done.framesBefore = 750;
  done.frame = 0;
  done.results = {result(false), result(false), result(false)};
  EncodeStatus failed = done;
  failed.results[1] = result(true);
  EncodeStatus cancelled = second;
  cancelled.running = false;
  cancelled.cancelled = true;
  EncodeStatus one = second;
  one.clips = 1;
  one.clip = 1;
  one.framesBefore = 0;
  one.totalFrames = 250;
  // With a job engine: clips 2 and 3 at once (100 and 50 of 250 frames), the third the
  // other's; four clips waiting for a computer; a run cancelled before any clip ran.
  EncodeStatus atOnce = second;
  atOnce.clips = 5;
  atOnce.totalFrames = 1250;
  atOnce.runningClips = {2, 3};
  atOnce.framesAlongside = 50;
  atOnce.framesPerSecond = 100;
  EncodeStatus queued = starting;
  queued.clips = 4;
  queued.queued = 4;
  EncodeStatus cancelledQueued = queued;
  cancelledQueued.running = false;
  cancelledQueued.cancelled = true;
  const Case cases[] = {
      {atOnce, "Clips 2, 3 of 5: all 32 %, 0:09 left", 400.0 / 1250},
      {queued, "Waiting for a computer: 4 of 4 clips queued", 0},
      {cancelledQueued, "Cancelled before clip 1 of 4", 0},
      {starting, "Starting the encodes of 3 clips", 0},
      {second, "Clip 2 of 3: 40 %, all 46 %, 0:08 left", 350.0 / 750},
      {slow, "Clip 2 of 3: 40 %, all 46 %, 1:06:40 left", 350.0 / 750},
      {unknownSpeed, "Clip 2 of 3: 40 %, all 46 %", 350.0 / 750},
      {overrun, "Clip 2 of 3: 100 %, all 66 %, 0:05 left", 500.0 / 750},
      {done, "All 3 clips encoded", 1},
      {failed, "1 of 3 clips failed", 1},
      {cancelled, "Cancelled during clip 2 of 3", 350.0 / 750},
      {one, "Clip 1 of 1: 40 %, 0:03 left", 0.4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.status.line(), c.line);
    EXPECT_NEAR(c.status.fraction(), c.fraction, 1e-9) << c.line;
  }
}

}  // namespace
}  // namespace twinlens
