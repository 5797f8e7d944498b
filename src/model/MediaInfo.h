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
  int width = 0;              // the picture's size as a player shows it (turned); 0 where unknown
  int height = 0;
  Rational pixelAspect{1, 1};  // the shape of a pixel, width over height
  int rotation = 0;            // the degrees a player turns the picture by: 0, 90, 180 or 270
  // The order of the fields: unknown, whole frames, or the field shown first.
  enum class Scan { Unknown, Progressive, TopFirst, BottomFirst };
  Scan scan = Scan::Unknown;
  int bitDepth = 0;              // bits per sample of the picture; 0 where unknown
  std::string pixelFormat = {};  // as ffmpeg names it ("yuv420p"); empty where unknown
  // The colour tags as ffmpeg names them ("smpte2084", "bt2020", "bt2020nc"); empty where unknown.
  std::string transfer = {};
  std::string primaries = {};
  std::string matrix = {};
  // The frames are not evenly spaced: `frameRate` is then the clip's nominal rate and `frames`
  // the count of frames at that rate from its first frame's time to its last.
  bool variableRate = false;
  // The views' layout the tag tells: none (or one view), side by side, top and bottom, another.
  enum class StereoLayout { None, SideBySide, TopBottom, Other };
  StereoLayout stereoLayout = StereoLayout::None;
  // The sphere the picture is tagged to show: none (a flat picture), the whole of it (360),
  // half of it (VR180, an equirectangular picture with a quarter left out each side), another.
  enum class Sphere { None, Whole, Half, Other };
  Sphere sphere = Sphere::None;

  bool hdr() const { return transfer == "smpte2084" || transfer == "arib-std-b67"; }

  friend bool operator==(const MediaInfo&, const MediaInfo&) = default;
};

// Reads what a clip holds; raises Error with a message naming the clip when it cannot.
class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  virtual MediaInfo probe(const std::string& path) = 0;
};

}  // namespace twinlens
