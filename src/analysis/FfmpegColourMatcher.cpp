#include "analysis/FfmpegColourMatcher.h"

#include <algorithm>

#include "base/Error.h"
#include "engines/ffmpeg/FfprobeMediaProbe.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

FfmpegColourMatcher::FfmpegColourMatcher(const ConversionSettings& settings)
    : settings_(settings), program_(FfprobeMediaProbe::ffmpegFor(settings.FfmpegLocation)) {}

RgbHistograms FfmpegColourMatcher::histogramsOf(const std::string& file, const std::string& crop) {
  const MediaInfo info = FfprobeMediaProbe(settings_).probe(file);
  const std::int64_t step = std::max<std::int64_t>(1, info.frames / kSamples);
  std::string filters = "select='not(mod(n," + std::to_string(step) + "))'";
  if (!crop.empty()) filters += "," + crop;
  // A smaller picture has the same distribution of values and decodes to far fewer bytes.
  filters += ",scale=320:-2,format=rgb24";
  const platform::ProgramOutput result = platform::runProgram(
      {program_, "-v", "error", "-nostdin", "-i", file, "-map", "0:v:0", "-vf", filters,
       "-fps_mode", "passthrough", "-frames:v", std::to_string(kSamples), "-f", "rawvideo", "-"});
  if (!result.started || result.exitCode != 0) {
    throw Error("Cannot read the colours of \"" + file + "\": " + result.lastErrorLine());
  }
  RgbHistograms histograms{};
  addPixels(histograms, reinterpret_cast<const std::uint8_t*>(result.output.data()),
            result.output.size() / 3);
  return histograms;
}

ChannelTables FfmpegColourMatcher::tables(const std::string& views, const std::string& left,
                                          const std::string& right, bool leftIsReference) {
  RgbHistograms leftView;
  RgbHistograms rightView;
  if (views == "side-by-side") {
    leftView = histogramsOf(left, "crop=iw/2:ih:0:0");
    rightView = histogramsOf(left, "crop=iw/2:ih:iw/2:0");
  } else if (views == "over-under") {
    leftView = histogramsOf(left, "crop=iw:ih/2:0:0");
    rightView = histogramsOf(left, "crop=iw:ih/2:0:ih/2");
  } else {
    leftView = histogramsOf(left, {});
    rightView = histogramsOf(right, {});
  }
  return leftIsReference ? matchHistograms(rightView, leftView)
                         : matchHistograms(leftView, rightView);
}

}  // namespace twinlens
