#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/ConversionSettings.h"
#include "model/MediaInfo.h"

namespace twinlens {

// Reads a clip through the ffprobe program that lies beside the chosen ffmpeg, or the one on the
// search path when no ffmpeg is chosen: the video's frame rate and exact frame count (its packets
// counted, or for unevenly spaced frames their times), its size, pixel shape and rotation, its
// fields, bit depth and colour tags, whether it has sound and at what rate, and whether it
// carries a stereo layout tag.
class FfprobeMediaProbe : public MediaProbe {
 public:
  // `packets`: every packet's time is read, which finds unevenly spaced frames and counts the
  // frames exactly; without, only the streams' headers are read (the frames counted from them),
  // which is what one frame's preview needs of a long clip.
  // `keptReports`: the folder of a ReadCache, where each file's report is kept while the file
  // stays as it was, so that a file is read once across runs; none when empty. A report of the
  // counted packets also serves a probe of the headers.
  explicit FfprobeMediaProbe(const ConversionSettings& settings, bool packets = true,
                             std::string keptReports = {});

  MediaInfo probe(const std::string& path) override;

  // The ffprobe program for an ffmpeg location.
  static std::string programFor(const std::string& ffmpegLocation);
  // The ffmpeg program of a location: the location, or "ffmpeg" on the search path when none is
  // chosen (empty, or the single blank a cleared label leaves).
  static std::string ffmpegFor(const std::string& ffmpegLocation);
  // Each "key=value" line of a report ffprobe writes with `-of default=noprint_wrappers=1`, in
  // order; other lines are skipped.
  static void forEachEntry(
      std::string_view report,
      const std::function<void(std::string_view key, std::string_view value)>& entry);
  // The information in ffprobe's "key=value" report of the streams; raises Error for a report
  // without a video stream.
  static MediaInfo parseReport(const std::string& path, const std::string& report);

 private:
  // The report of the file as ffprobe writes it.
  std::string report(const std::string& path) const;

  std::string program_;
  bool packets_;
  std::string keptReports_;
};

}  // namespace twinlens
