#include "analysis/FfmpegGeometryMeasurer.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <numbers>

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
  const std::string views = recipe::layoutName(layout);
  const FfmpegFrameSampler::Views where = FfmpegFrameSampler::viewsOf(views, left, right);
  const MediaInfo media = files.probe(left);
  const MediaInfo rightMedia = where.rightFile == left ? media : files.probe(where.rightFile);
  Sight sight;
  sight.leftFilter = where.leftCrop;
  sight.rightFile = where.rightFile;
  sight.rightFilter = where.rightCrop;
  sight.viewWidth = layout == InputLayout::SideBySide ? media.width / 2 : media.width;
  sight.viewHeight = layout == InputLayout::OverUnder ? media.height / 2 : media.height;
  sight.workingWidth = std::min(kWorkingWidth, sight.viewWidth) & ~1;
  sight.named =
      layout == InputLayout::Pair ? "\"" + left + "\" and \"" + right + "\"" : "\"" + left + "\"";
  if (sight.viewWidth < 64) throw Error("The views of \"" + left + "\" are too small to measure");
  return measureSight(left, media, rightMedia, sight);
}

GeometryReport FfmpegGeometryMeasurer::measureLenses(const std::string& file,
                                                     const LensViews& lenses, MediaProbe& files) {
  const MediaInfo media = files.probe(file);
  // Each eye through a flat window of kWindowFovDeg straight ahead: the middle of the view, where
  // a lens draws as a usual camera does.
  const std::string fov = std::to_string(lenses.fieldOfViewDeg);
  const std::string window = std::to_string(kWindowFovDeg);
  const auto through = [&](const LensCircle& circle) {
    const EyeSquare square = squareAround(circle);
    const int margin = std::max({0, -square.x, -square.y, square.x + square.side - media.width,
                                 square.y + square.side - media.height});
    std::string filter;
    if (margin > 0) {
      filter = "pad=iw+" + std::to_string(2 * margin) + ":ih+" + std::to_string(2 * margin) + ":" +
               std::to_string(margin) + ":" + std::to_string(margin) + ",";
    }
    return filter + "crop=" + std::to_string(square.side) + ":" + std::to_string(square.side) +
           ":" + std::to_string(square.x + margin) + ":" + std::to_string(square.y + margin) +
           ",v360=input=fisheye:ih_fov=" + fov + ":iv_fov=" + fov + ":output=flat:h_fov=" + window +
           ":v_fov=" + window + ":w=" + std::to_string(kWorkingWidth) +
           ":h=" + std::to_string(kWorkingWidth) + ":interp=cubic";
  };
  Sight sight;
  sight.leftFilter = through(lenses.leftEye());
  sight.rightFile = file;
  sight.rightFilter = through(lenses.rightEye());
  // The window as many pixels across as the lens gives it at its middle.
  sight.viewWidth = sight.viewHeight = static_cast<int>(
      std::lround(2 * std::tan(kWindowFovDeg * std::numbers::pi / 360) * lenses.pixelsPerRadian()));
  sight.workingWidth = kWorkingWidth;
  sight.named = "\"" + file + "\"";
  return measureSight(file, media, media, sight);
}

GeometryReport FfmpegGeometryMeasurer::measureSight(const std::string& left, const MediaInfo& media,
                                                    const MediaInfo& rightMedia,
                                                    const Sight& sight) {
  const std::string what = "the pictures of";
  const auto count = static_cast<std::size_t>(std::max(frames_, 1));
  // The two views are read at once, each at the same times of its clip.
  auto rightStrip = std::async(std::launch::async, [&] {
    return sampler_.strip(sight.rightFile, timesOf(rightMedia, sight.rightFile, count),
                          sight.rightFilter, sight.workingWidth, "gray", 1, what);
  });
  const FfmpegFrameSampler::Strip leftStrip = sampler_.strip(
      left, timesOf(media, left, count), sight.leftFilter, sight.workingWidth, "gray", 1, what);
  const FfmpegFrameSampler::Strip rightPictures = rightStrip.get();
  const std::vector<GrayImage> lefts = framesOf(leftStrip);
  const std::vector<GrayImage> rights = framesOf(rightPictures);
  if (lefts.empty() || lefts.size() != rights.size() ||
      lefts.front().height != rights.front().height) {
    throw Error("Cannot measure the geometry of \"" + left + "\" and \"" + sight.rightFile +
                "\": the views differ in length or shape");
  }
  GeometryEstimator estimator;
  for (std::size_t i = 0; i < lefts.size(); ++i) estimator.add(lefts[i], rights[i]);
  try {
    GeometryReport report = estimator.report(sight.viewWidth);
    report.viewWidth = sight.viewWidth;
    report.viewHeight = sight.viewHeight;
    return report;
  } catch (const Error& error) {
    throw MeasurementRefused("Cannot measure the geometry of " + sight.named + ": " + error.what());
  }
}

}  // namespace twinlens
