#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/Error.h"
#include "model/ClipFacts.h"
#include "model/ClipNames.h"
#include "model/ClipRecipe.h"
#include "model/ConversionSettings.h"
#include "model/LensMeasurer.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// How a scan tells which clip it reads, and learns whether to stop. Both are called on the
// thread that runs the scan, every few tens of milliseconds while it waits.
class ScanProgress {
 public:
  virtual ~ScanProgress() = default;
  // "Reading clip 2 of 5: "<left file>"", "Measuring the geometry of clip 2 of 5: ...".
  virtual void progress(const std::string& text) { (void)text; }
  // The user asked to stop: the scan ends once the files it reads now are read.
  virtual bool cancelled() { return false; }
};

// A scan the user stopped; nothing was written.
class Cancelled : public Error {
 public:
  Cancelled() : Error("Stopped: nothing was written") {}
};

// The one reader of the footage for a run, a preview and the window's measure buttons: for each
// clip it reads the streams of each view's file (through ffprobe) and makes the measurements the
// request asks for, each once per file and pair, two files at a time. What was read is
// kept in memory while the files stay as they were, and in the cache folder across runs and
// programs, so that a run, a preview and a measurement of the same files share it. One object
// may serve several threads.
class ClipScan {
 public:
  // `probe` and `measurer`: ffprobe and the ffmpeg program when null. `cacheFolder`: where
  // ffprobe's reports and the measurements are kept across runs; nowhere when empty.
  explicit ClipScan(MediaProbe* probe = nullptr, PairMeasurer* measurer = nullptr,
                    std::string cacheFolder = {});
  ClipScan(const ClipScan&) = delete;
  ClipScan& operator=(const ClipScan&) = delete;

  void setMeasurer(PairMeasurer* measurer) { measurer_ = measurer; }
  // What finds a dual-fisheye clip's lens circles: from its frames through ffmpeg when null.
  void setLensMeasurer(LensMeasurer* measurer) { lensMeasurer_ = measurer; }

  // What `request` asks of `count` clips, their names from `clip`, the views lying as `layout`
  // says, two clips at a time; without a request nothing is read and the list is empty. A file that
  // cannot be read or measured raises Error naming it; a stop asked for raises Cancelled.
  std::vector<ClipFacts> scan(const ConversionSettings& settings, recipe::InputLayout layout,
                              ScanRequest request, std::size_t count,
                              const std::function<ClipNames(std::size_t)>& clip,
                              ScanProgress& progress);
  // The same of one clip (`right` as `left` where one file holds the views), its two files read
  // at once.
  ClipFacts scanClip(const ConversionSettings& settings, recipe::InputLayout layout,
                     ScanRequest request, const std::string& left, const std::string& right);

 private:
  // The reading of one clip, its two files at once or in turn; `tell` is told what it begins
  // ("Reading", "Measuring the geometry of").
  struct Measurers {
    PairMeasurer& pair;
    LensMeasurer& lens;
  };
  ClipFacts read(const ConversionSettings& settings, recipe::InputLayout layout,
                 ScanRequest request, const std::string& left, const std::string& right,
                 bool filesAtOnce, MediaProbe& files, const Measurers& measurers,
                 const std::function<void(const char*)>& tell);
  // The pair's geometry, or why it could not be measured.
  struct Measured {
    std::optional<GeometryReport> report;
    std::string refused;
  };
  // A dual-fisheye recording's eyes are measured through its `lenses`.
  Measured geometryOf(recipe::InputLayout layout, const std::string& left, const std::string& right,
                      const std::optional<LensViews>& lenses, MediaProbe& files,
                      PairMeasurer& measurer);

  // The lens circles of a dual-fisheye file.
  LensCircles circlesOf(const std::string& file, MediaProbe& files, LensMeasurer& measurer);

  class Reader;
  class FfmpegMeasurers;

  MediaProbe* probe_;
  PairMeasurer* measurer_;
  LensMeasurer* lensMeasurer_ = nullptr;
  std::string cacheFolder_;
  mutable std::mutex mutex_;
  // By the files as they were (path, size, time) and what was read.
  std::map<std::string, MediaInfo> media_;
  std::map<std::string, Measured> geometry_;  // refusals too, for the preview's next frame
  std::map<std::string, LensCircles> circles_;
};

}  // namespace twinlens
