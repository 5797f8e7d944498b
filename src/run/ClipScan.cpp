#include "run/ClipScan.h"

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <optional>
#include <thread>

#include "analysis/FfmpegGeometryMeasurer.h"
#include "analysis/FfmpegLensMeasurer.h"
#include "media/FfprobeMediaProbe.h"
#include "media/ReadCache.h"

namespace twinlens {

namespace {

// Two cores: two files at a time, as two clips each reading its files in turn, or one clip
// reading its two files at once.
constexpr std::size_t kClipsAtOnce = 2;

// A measurement as its record keeps it: one "name=value" line a figure, each number written to
// read back exactly.
struct KeptFigure {
  const char* name;
  double GeometryReport::*decimal;
  int GeometryReport::*whole;
  double GeometryReport::Error::*error;
  GeometryReport::Error GeometryReport::*of;
};
constexpr std::array<KeptFigure, 19> kKeptFigures = {{
    {"verticalOffsetPx", &GeometryReport::verticalOffsetPx, nullptr, nullptr, nullptr},
    {"rollDeg", &GeometryReport::rollDeg, nullptr, nullptr, nullptr},
    {"zoomPercent", &GeometryReport::zoomPercent, nullptr, nullptr, nullptr},
    {"toeInDeg", &GeometryReport::toeInDeg, nullptr, nullptr, nullptr},
    {"tiltDeg", &GeometryReport::tiltDeg, nullptr, nullptr, nullptr},
    {"fieldOfViewDeg", &GeometryReport::fieldOfViewDeg, nullptr, nullptr, nullptr},
    {"verticalBeforeMean", nullptr, nullptr, &GeometryReport::Error::mean,
     &GeometryReport::verticalBefore},
    {"verticalBeforeP95", nullptr, nullptr, &GeometryReport::Error::p95,
     &GeometryReport::verticalBefore},
    {"verticalAfterMean", nullptr, nullptr, &GeometryReport::Error::mean,
     &GeometryReport::verticalAfter},
    {"verticalAfterP95", nullptr, nullptr, &GeometryReport::Error::p95,
     &GeometryReport::verticalAfter},
    {"parallaxNearPermille", &GeometryReport::parallaxNearPermille, nullptr, nullptr, nullptr},
    {"parallaxFarPermille", &GeometryReport::parallaxFarPermille, nullptr, nullptr, nullptr},
    {"confidence", &GeometryReport::confidence, nullptr, nullptr, nullptr},
    {"matchedShare", &GeometryReport::matchedShare, nullptr, nullptr, nullptr},
    {"frames", nullptr, &GeometryReport::frames, nullptr, nullptr},
    {"correspondences", nullptr, &GeometryReport::correspondences, nullptr, nullptr},
    {"viewWidth", nullptr, &GeometryReport::viewWidth, nullptr, nullptr},
    {"viewHeight", nullptr, &GeometryReport::viewHeight, nullptr, nullptr},
    {"end", nullptr, nullptr, nullptr, nullptr},
}};

template <typename Number>
std::string numberText(Number value) {
  char text[40];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string keptText(const GeometryReport& report) {
  std::string text;
  for (const KeptFigure& figure : kKeptFigures) {
    text += figure.name;
    text += '=';
    if (figure.decimal != nullptr) text += numberText(report.*figure.decimal);
    if (figure.whole != nullptr) text += numberText(report.*figure.whole);
    if (figure.error != nullptr) text += numberText(report.*figure.of.*figure.error);
    text += '\n';
  }
  return text;
}

// A record read back, or nothing where it is not one this program wrote whole.
std::optional<GeometryReport> fromKeptText(std::string_view text) {
  GeometryReport report;
  for (const KeptFigure& figure : kKeptFigures) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::string_view name(figure.name);
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != '=') {
      return std::nullopt;
    }
    const char* first = line.data() + name.size() + 1;
    const char* last = line.data() + line.size();
    std::from_chars_result read{first, std::errc()};
    if (figure.decimal != nullptr) read = std::from_chars(first, last, report.*figure.decimal);
    if (figure.whole != nullptr) read = std::from_chars(first, last, report.*figure.whole);
    if (figure.error != nullptr)
      read = std::from_chars(first, last, report.*figure.of.*figure.error);
    if (read.ec != std::errc() || read.ptr != last) return std::nullopt;
  }
  return report;
}

// Lens circles as their record keeps them: the centre and radius of each, on one line.
std::string keptText(const LensCircles& circles) {
  std::string text;
  for (const LensCircle& c : {circles.leftHalf, circles.rightHalf}) {
    for (const double v : {c.centreX, c.centreY, c.radius}) text += numberText(v) + " ";
  }
  return text + "end\n";
}

std::optional<LensCircles> circlesFromKeptText(std::string_view text) {
  double v[6];
  for (double& value : v) {
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec != std::errc() || read.ptr == text.data() + text.size() || *read.ptr != ' ') {
      return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(read.ptr - text.data()) + 1);
  }
  if (text != "end\n") return std::nullopt;
  return LensCircles{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}};
}

}  // namespace

// The measurers the scan makes where none was given: the ffmpeg program's.
class ClipScan::FfmpegMeasurers {
 public:
  FfmpegMeasurers(ClipScan& scan, const ConversionSettings& settings)
      : pair_(scan.measurer_ != nullptr ? *scan.measurer_ : ffmpegPair_.emplace(settings)),
        lens_(scan.lensMeasurer_ != nullptr ? *scan.lensMeasurer_ : ffmpegLens_.emplace(settings)) {
  }
  Measurers get() { return {pair_, lens_}; }

 private:
  std::optional<FfmpegGeometryMeasurer> ffmpegPair_;
  std::optional<FfmpegLensMeasurer> ffmpegLens_;
  PairMeasurer& pair_;
  LensMeasurer& lens_;
};

// What the scan reads the files' streams through: its memory of the files as they are, else the
// given probe or ffprobe (which keeps its reports in the cache folder).
class ClipScan::Reader : public MediaProbe {
 public:
  Reader(ClipScan& scan, const ConversionSettings& settings, bool headersOnly)
      : scan_(scan),
        headersOnly_(headersOnly),
        ffprobe_(settings, !headersOnly, scan.cacheFolder_) {}

  MediaInfo probe(const std::string& path) override {
    const std::string files[] = {path};
    // Counted packets tell all that the headers do.
    const std::optional<std::string> counted = ReadCache::stampOf("packets", files);
    const std::optional<std::string> headers = ReadCache::stampOf("headers", files);
    if (counted) {
      const std::lock_guard lock(scan_.mutex_);
      if (const auto it = scan_.media_.find(*counted); it != scan_.media_.end()) return it->second;
      if (headersOnly_) {
        if (const auto it = scan_.media_.find(*headers); it != scan_.media_.end()) {
          return it->second;
        }
      }
    }
    const MediaInfo info =
        scan_.probe_ != nullptr ? scan_.probe_->probe(path) : ffprobe_.probe(path);
    if (counted) {
      const std::lock_guard lock(scan_.mutex_);
      scan_.media_[headersOnly_ ? *headers : *counted] = info;
    }
    return info;
  }

 private:
  ClipScan& scan_;
  bool headersOnly_;
  FfprobeMediaProbe ffprobe_;
};

ClipScan::ClipScan(MediaProbe* probe, PairMeasurer* measurer, std::string cacheFolder)
    : probe_(probe), measurer_(measurer), cacheFolder_(std::move(cacheFolder)) {}

ClipScan::Measured ClipScan::geometryOf(recipe::InputLayout layout, const std::string& left,
                                        const std::string& right,
                                        const std::optional<LensViews>& lenses, MediaProbe& files,
                                        PairMeasurer& measurer) {
  const std::string method = measurer.method();
  std::string what = "measured " + method + " of a " + recipe::layoutName(layout);
  if (lenses) {
    std::string circles = keptText(lenses->circles);
    circles.erase(circles.find(" end"));
    what += " through lenses of " + numberText(lenses->fieldOfViewDeg) + " degrees" +
            (lenses->viewsSwapped ? ", swapped, at " : ", at ") + circles;
  }
  const std::string pair[] = {left, right};
  const std::optional<std::string> stamp = ReadCache::stampOf(what, pair);
  if (stamp) {
    const std::lock_guard lock(mutex_);
    if (const auto it = geometry_.find(*stamp); it != geometry_.end()) return it->second;
  }
  // Only a measurement that names its method is kept across runs; a refusal only while the
  // program runs.
  const ReadCache cache(method.empty() ? std::string() : cacheFolder_);
  Measured measured;
  if (const std::optional<std::string> text = cache.find(what, pair)) {
    measured.report = fromKeptText(*text);
  }
  if (!measured.report) {
    try {
      measured.report = lenses ? measurer.measureLenses(left, *lenses, files)
                               : measurer.measure(layout, left, right, files);
      cache.keep(what, pair, keptText(*measured.report));
    } catch (const MeasurementRefused& refused) {
      measured.refused = refused.what();
    }
  }
  if (stamp) {
    const std::lock_guard lock(mutex_);
    geometry_[*stamp] = measured;
  }
  return measured;
}

LensCircles ClipScan::circlesOf(const std::string& file, MediaProbe& files,
                                LensMeasurer& measurer) {
  const std::string method = measurer.method();
  const std::string what = "found " + method;
  const std::string files1[] = {file};
  const std::optional<std::string> stamp = ReadCache::stampOf(what, files1);
  if (stamp) {
    const std::lock_guard lock(mutex_);
    if (const auto it = circles_.find(*stamp); it != circles_.end()) return it->second;
  }
  const ReadCache cache(method.empty() ? std::string() : cacheFolder_);
  std::optional<LensCircles> circles;
  if (const std::optional<std::string> text = cache.find(what, files1)) {
    circles = circlesFromKeptText(*text);
  }
  if (!circles) {
    circles = measurer.measure(file, files);
    cache.keep(what, files1, keptText(*circles));
  }
  if (stamp) {
    const std::lock_guard lock(mutex_);
    circles_[*stamp] = *circles;
  }
  return *circles;
}

ClipFacts ClipScan::read(const ConversionSettings& settings, recipe::InputLayout layout,
                         ScanRequest request, const std::string& left, const std::string& right,
                         bool filesAtOnce, MediaProbe& files, const Measurers& measurers,
                         const std::function<void(const char*)>& tell) {
  ClipFacts facts;
  if (request.leftFile || request.rightFile) tell("Reading");
  // A left file that fails waits for the right one's reading, as its future ends.
  std::future<MediaInfo> rightRead;
  const bool rightApart = request.rightFile && (right != left || !request.leftFile);
  if (rightApart) {
    rightRead = std::async(filesAtOnce ? std::launch::async : std::launch::deferred,
                           [&] { return files.probe(right); });
  }
  if (request.leftFile) facts.left = files.probe(left);
  if (rightApart) facts.right = rightRead.get();
  if (request.rightFile && !rightApart) facts.right = facts.left;
  // A dual-fisheye recording's eyes are measured through the circles found.
  if (request.lensCircles) {
    tell("Finding the lens circles of");
    facts.lensCircles = circlesOf(left, files, measurers.lens);
  }
  if (request.geometry) {
    tell("Measuring the geometry of");
    std::optional<LensViews> lenses;
    if (layout == recipe::InputLayout::DualFisheye && facts.lensCircles) {
      const choices::LensValue lens = lensOf(settings);
      lenses = LensViews{*facts.lensCircles, lens.fieldOfViewDeg, lens.viewsSwapped};
    }
    Measured measured = geometryOf(layout, left, right, lenses, files, measurers.pair);
    facts.geometry = std::move(measured.report);
    facts.geometryRefused = std::move(measured.refused);
  }
  return facts;
}

ClipFacts ClipScan::scanClip(const ConversionSettings& settings, recipe::InputLayout layout,
                             ScanRequest request, const std::string& left,
                             const std::string& right) {
  Reader files(*this, settings, request.headersOnly);
  FfmpegMeasurers measurers(*this, settings);
  return read(settings, layout, request, left, right, true, files, measurers.get(),
              [](const char*) {});
}

std::vector<ClipFacts> ClipScan::scan(const ConversionSettings& settings,
                                      recipe::InputLayout layout, ScanRequest request,
                                      std::size_t count,
                                      const std::function<ClipNames(std::size_t)>& clip,
                                      ScanProgress& progress) {
  if (!request.any() || count == 0) return {};
  std::vector<ClipFacts> facts(count);
  Reader files(*this, settings, request.headersOnly);
  FfmpegMeasurers measurers(*this, settings);

  // The workers take the clips in turn; what they begin is told on this thread. A clip that fails
  // lets the clips before it finish, so that the first clip that cannot be read is the one told.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> told;
  std::atomic<std::size_t> next = 0;
  std::atomic<std::size_t> firstFailed = count;
  std::atomic<bool> stopped = false;
  std::exception_ptr failure;
  // The count of workers is fixed before the first starts: they count `running` down as they end.
  const std::size_t workerCount = std::min(kClipsAtOnce, count);
  std::size_t running = workerCount;
  auto work = [&] {
    for (std::size_t i = next++; i < count && i < firstFailed && !stopped; i = next++) {
      try {
        const ClipNames names = clip(i);
        const auto tell = [&](const char* what) {
          const std::lock_guard lock(mutex);
          told.push_back(std::string(what) + " clip " + std::to_string(i + 1) + " of " +
                         std::to_string(count) + ": \"" + names.leftFile + "\"");
          changed.notify_all();
        };
        facts[i] = read(settings, layout, request, names.leftFile, names.rightFile, false, files,
                        measurers.get(), tell);
      } catch (...) {
        const std::lock_guard lock(mutex);
        if (i < firstFailed) {
          firstFailed = i;
          failure = std::current_exception();
        }
      }
    }
    const std::lock_guard lock(mutex);
    --running;
    changed.notify_all();
  };
  std::vector<std::thread> workers;
  for (std::size_t w = 0; w < workerCount; ++w) workers.emplace_back(work);

  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait_for(lock, std::chrono::milliseconds(50));
    while (!told.empty()) {
      const std::string text = std::move(told.front());
      told.pop_front();
      lock.unlock();
      progress.progress(text);
      lock.lock();
    }
    if (running == 0) break;
    lock.unlock();
    if (!stopped && progress.cancelled()) stopped = true;
    lock.lock();
  }
  lock.unlock();
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);
  if (stopped) throw Cancelled();
  return facts;
}

}  // namespace twinlens
