#include "analysis/FfmpegGeometryMeasurer.h"

#include <algorithm>
#include <future>

#include "base/Error.h"

namespace twinlens {

namespace {

std::vector<GrayImage> framesOf(const FfmpegFrameSampler::Strip& strip) {
  std::vector<GrayImage> frames;
  const std::size_t row = static_cast<std::size_t>(strip.width) * strip.frames;
  for (int f = 0; f < strip.frames; ++f) {
    GrayImage frame(strip.width, strip.height);
    for (int y = 0; y < strip.height; ++y) {
      for (int x = 0; x < strip.width; ++x) {
        frame.at(x, y) =
            static_cast<unsigned char>(strip.bytes[static_cast<std::size_t>(y) * row +
                                                   static_cast<std::size_t>(f) * strip.width + x]);
      }
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

// The times of the frames measured, spread over the clip as its file tells its frames.
std::vector<double> timesOf(const MediaInfo& media, const std::string& file, std::size_t count) {
  if (media.frames <= 0) {
    throw Error("Cannot read the pictures of \"" + file + "\": it holds no frames");
  }
  return FfmpegFrameSampler::sampleTimes(media.frames, media.frameRate, count);
}

}  // namespace

FfmpegGeometryMeasurer::FfmpegGeometryMeasurer(const ConversionSettings& settings, int frames)
    : sampler_(settings), frames_(frames) {}

std::string FfmpegGeometryMeasurer::method() const {
  return "geometry " + std::to_string(kMethodVersion) + ", " + std::to_string(frames_) +
         " frames at " + std::to_string(kWorkingWidth) + " px";
}

GeometryReport FfmpegGeometryMeasurer::measure(recipe::InputLayout layout, const std::string& left,
                                               const std::string& right, MediaProbe& files) {
  using recipe::InputLayout;
  if (layout == InputLayout::Mono) {
    throw Error("\"" + left + "\" holds one view: there is no pair to measure");
  }
  const std::string what = "the pictures of";
  const std::string views = recipe::layoutName(layout);
  const FfmpegFrameSampler::Views where = FfmpegFrameSampler::viewsOf(views, left, right);
  const MediaInfo media = files.probe(left);
  const MediaInfo rightMedia = where.rightFile == left ? media : files.probe(where.rightFile);
  const int viewWidth = layout == InputLayout::SideBySide ? media.width / 2 : media.width;
  const int viewHeight = layout == InputLayout::OverUnder ? media.height / 2 : media.height;
  if (viewWidth < 64) throw Error("The views of \"" + left + "\" are too small to measure");
  const int width = std::min(kWorkingWidth, viewWidth) & ~1;
  const auto count = static_cast<std::size_t>(std::max(frames_, 1));
  // The two views are read at once, each at the same times of its clip.
  auto rightStrip = std::async(std::launch::async, [&] {
    return sampler_.strip(where.rightFile, timesOf(rightMedia, where.rightFile, count),
                          where.rightCrop, width, "gray", 1, what);
  });
  const FfmpegFrameSampler::Strip leftStrip =
      sampler_.strip(left, timesOf(media, left, count), where.leftCrop, width, "gray", 1, what);
  const FfmpegFrameSampler::Strip rightPictures = rightStrip.get();
  const std::vector<GrayImage> lefts = framesOf(leftStrip);
  const std::vector<GrayImage> rights = framesOf(rightPictures);
  if (lefts.empty() || lefts.size() != rights.size() ||
      lefts.front().height != rights.front().height) {
    throw Error("Cannot measure the geometry of \"" + left + "\" and \"" + where.rightFile +
                "\": the views differ in length or shape");
  }
  GeometryEstimator estimator;
  for (std::size_t i = 0; i < lefts.size(); ++i) estimator.add(lefts[i], rights[i]);
  try {
    GeometryReport report = estimator.report(viewWidth);
    report.viewWidth = viewWidth;
    report.viewHeight = viewHeight;
    return report;
  } catch (const Error& error) {
    const std::string files =
        layout == InputLayout::Pair ? "\"" + left + "\" and \"" + right + "\"" : "\"" + left + "\"";
    throw MeasurementRefused("Cannot measure the geometry of " + files + ": " + error.what());
  }
}

}  // namespace twinlens
