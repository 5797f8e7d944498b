#include "analysis/FfmpegLensMeasurer.h"

#include <algorithm>
#include <cstdint>

#include "analysis/GrayImage.h"
#include "analysis/LensCircleFinder.h"
#include "base/Error.h"

namespace twinlens {

FfmpegLensMeasurer::FfmpegLensMeasurer(const ConversionSettings& settings) : sampler_(settings) {}

std::string FfmpegLensMeasurer::method() const {
  return "lens circles " + std::to_string(kMethodVersion) + ", " + std::to_string(kFrames) +
         " frames";
}

namespace {

// The brightest of the strip's frames at each pixel: a dark scene in one frame hides no part of a
// circle that another frame lights.
GrayBytes brightestOf(const FfmpegFrameSampler::Strip& strip) {
  GrayBytes lit(strip.width, strip.height);
  const auto* in = reinterpret_cast<const std::uint8_t*>(strip.bytes.data());
  for (int y = 0; y < strip.height; ++y) {
    std::uint8_t* out = &lit.at(0, y);
    for (int f = 0; f < strip.frames; ++f) {
      for (int x = 0; x < strip.width; ++x) out[x] = std::max(out[x], *in++);
    }
  }
  return lit;
}

}  // namespace

LensCircles FfmpegLensMeasurer::measure(const std::string& file, MediaProbe& files) {
  const MediaInfo media = files.probe(file);
  if (media.frames <= 0 || media.width < 64 || media.height < 32) {
    throw Error("Cannot find the lens circles of \"" + file +
                "\": it holds no pictures to look at");
  }
  const std::string what = "the lens circles of";
  const auto brightest = [&](std::vector<double> times) {
    return brightestOf(sampler_.strip(file, times, "", media.width & ~1, "gray", 1, what));
  };
  // The middle frame alone shows both circles in all but a dark scene; only then are the
  // brightest of several frames looked at.
  const double middle =
      (static_cast<double>(media.frames / 2) + 0.5) / std::max(media.frameRate.value(), 1e-9);
  try {
    return LensCircleFinder::findBoth(brightest({middle}));
  } catch (const Error&) {
  }
  try {
    return LensCircleFinder::findBoth(
        brightest(FfmpegFrameSampler::sampleTimes(media.frames, media.frameRate, kFrames)));
  } catch (const Error& error) {
    throw Error("Cannot find the lens circles of \"" + file +
                "\" (is it a dual-fisheye recording?): " + error.what());
  }
}

}  // namespace twinlens
