#pragma once

#include <cstdint>
#include <string>

#include "base/Rational.h"

namespace twinlens {

// What the ffmpeg engine needs to know of an input clip.
struct MediaInfo {
  Rational frameRate{25, 1};
  std::int64_t frames = 0;  // video frames
  bool hasAudio = false;
  int sampleRate = 0;         // of the first sound track
  bool stereoTagged = false;  // the video carries a stereo layout tag
  int width = 0;              // the picture's size; 0 where unknown
  int height = 0;

  friend bool operator==(const MediaInfo&, const MediaInfo&) = default;
};

// Reads what a clip holds; raises Error with a message naming the clip when it cannot.
class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  virtual MediaInfo probe(const std::string& path) = 0;
};

}  // namespace twinlens
