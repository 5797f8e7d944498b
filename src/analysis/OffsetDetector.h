#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Rational.h"
#include "media/SoundSource.h"

namespace twinlens {

// The measured time offset between two cameras' clips.
struct OffsetReport {
  std::int64_t frames = 0;  // as "Offset frames" takes it: positive when the right clip is late
  double remainderMs = 0;   // what is left below a frame (at the left clip's rate)
  double confidence = 0;    // the correlation peak against the next best
  bool driftMeasured = false;
  double driftMs = 0;         // how far the offset moves from the start of the clip to its end
  double driftPpm = 0;        // the clocks' difference in parts per million
  bool driftWarning = false;  // the drift exceeds half a frame over the clip

  // The lines shown to the user.
  std::vector<std::string> lines() const;
};

// Measures the offset from the two clips' sound. A few short pieces of the left clip's sound
// near its start are looked for in the right clip's (up to kMaxOffsetSeconds either way); then
// every piece of the first and the last `windowSeconds` is placed exactly, and a line through
// those places gives the offset at the start and the drift of the cameras' clocks. Short pieces
// keep the clocks' drift within one piece far below a millisecond.
class OffsetDetector {
 public:
  explicit OffsetDetector(SoundSource& source, double windowSeconds = 60);

  // Raises Error when a clip has no sound, is silent, or the sounds do not match clearly.
  OffsetReport detect(const std::string& left, const std::string& right);

  static constexpr int kSampleRate = 8000;
  static constexpr double kPieceSeconds = 4;
  static constexpr double kMaxOffsetSeconds = 15;
  // Below this the best match is not told apart from chance (unrelated sounds score 1.0 to 1.3;
  // rhythmic music, whose beats match at the wrong places too, about 2).
  static constexpr double kMinConfidence = 1.6;

 private:
  SoundSource& source_;
  double windowSeconds_;
};

}  // namespace twinlens
