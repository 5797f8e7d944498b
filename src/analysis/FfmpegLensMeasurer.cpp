#include "analysis/FfmpegLensMeasurer.h"

#include <algorithm>

#include "analysis/GrayImage.h"
#include "analysis/LensCircleFinder.h"
#include "base/Error.h"

namespace twinlens {

FfmpegLensMeasurer::FfmpegLensMeasurer(const ConversionSettings& settings) : sampler_(settings) {}

std::string FfmpegLensMeasurer::method() const {
  return "lens circles " + std::to_string(kMethodVersion) + ", " + std::to_string(kFrames) +
         " frames";
}

LensCircles FfmpegLensMeasurer::measure(const std::string& file, MediaProbe& files) {
  const MediaInfo media = files.probe(file);
  if (media.frames <= 0 || media.width < 64 || media.height < 32) {
    throw Error("Cannot find the lens circles of \"" + file +
                "\": it holds no pictures to look at");
  }
  const std::string what = "the lens circles of";
  const FfmpegFrameSampler::Strip strip =
      sampler_.strip(file, FfmpegFrameSampler::sampleTimes(media.frames, media.frameRate, kFrames),
                     "", media.width & ~1, "gray", 1, what);
  // The brightest of the frames at each pixel: a dark scene in one frame hides no part of a
  // circle that another frame lights.
  GrayImage lit(strip.width, strip.height);
  const std::size_t row = static_cast<std::size_t>(strip.width) * strip.frames;
  for (int y = 0; y < strip.height; ++y) {
    for (int f = 0; f < strip.frames; ++f) {
      const std::size_t start =
          static_cast<std::size_t>(y) * row + static_cast<std::size_t>(f) * strip.width;
      for (int x = 0; x < strip.width; ++x) {
        const auto value = static_cast<float>(static_cast<unsigned char>(strip.bytes[start + x]));
        lit.at(x, y) = std::max(lit.at(x, y), value);
      }
    }
  }
  try {
    return LensCircleFinder::findBoth(lit);
  } catch (const Error& error) {
    throw Error("Cannot find the lens circles of \"" + file +
                "\" (is it a dual-fisheye recording?): " + error.what());
  }
}

}  // namespace twinlens
