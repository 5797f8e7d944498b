#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Rational.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// Frames sampled evenly over a clip, each sought and decoded alone by the ffmpeg program (the
// chosen one, or the one on the search path), so that nothing else of the clip is read. A sought
// frame is the nearest one the file can seek to at or before its time: the frame itself in an
// intra-coded file, the key frame before it in others.
class FfmpegFrameSampler {
 public:
  explicit FfmpegFrameSampler(const ConversionSettings& settings);

  // The sampled frames of one view, scaled and converted, side by side in one picture.
  struct Strip {
    int frames = 0;
    int width = 0;  // of one frame
    int height = 0;
    std::string bytes;  // the picture's rows, packed
  };

  // Where a clip's views are: "pair" (two files), "side-by-side" or "over-under" (one file):
  // the crop of the left view, and the file and crop of the right view.
  struct Views {
    std::string leftCrop;
    std::string rightFile;
    std::string rightCrop;
  };
  static Views viewsOf(const std::string& layout, const std::string& left,
                       const std::string& right);

  // The times (in seconds from the clip's start) of at most `count` frames spread over the clip:
  // every frames/count-th frame from the first, each half a frame in. Raises Error naming the
  // file (with `what` the analysis says it could not do) when the clip cannot be read.
  std::vector<double> sampleTimes(const std::string& file, std::size_t count,
                                  const std::string& what) const;
  static std::vector<double> sampleTimes(std::int64_t frames, Rational rate, std::size_t count);

  // The frames at `times`, each cropped by `crop` (an ffmpeg crop filter, or empty), scaled to
  // `width` pixels across (the height keeping the shape, even) and converted to `format`
  // ("rgb24", "gray") of `bytesPerPixel`.
  Strip strip(const std::string& file, const std::vector<double>& times, const std::string& crop,
              int width, const std::string& format, int bytesPerPixel,
              const std::string& what) const;

 private:
  std::string program_;
  std::string probe_;
};

}  // namespace twinlens
