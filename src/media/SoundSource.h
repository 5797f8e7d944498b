#pragma once

#include <string>
#include <vector>

#include "base/Rational.h"

namespace twinlens {

// How long a clip is and what it holds, for the offset detector.
struct ClipTiming {
  Rational frameRate{25, 1};
  double seconds = 0;
  bool hasSound = false;
};

// Where the detector gets the clips' sound from.
class SoundSource {
 public:
  virtual ~SoundSource() = default;
  // Raises Error with a message naming the clip when it cannot be read.
  virtual ClipTiming timing(const std::string& file) = 0;
  // `seconds` of the clip's first sound track from `start`, mixed to mono at `sampleRate`.
  virtual std::vector<float> sound(const std::string& file, double start, double seconds,
                                   int sampleRate) = 0;
};

}  // namespace twinlens
