#include "analysis/FfmpegColourMatcher.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <future>
#include <string_view>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "engines/ffmpeg/FfprobeMediaProbe.h"
#include "engines/ffmpeg/FilterGraph.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

std::string seconds(double time) {
  char text[32];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, time, std::chars_format::fixed, 6);
  return std::string(text, end);
}

}  // namespace

FfmpegColourMatcher::FfmpegColourMatcher(const ConversionSettings& settings)
    : program_(FfprobeMediaProbe::ffmpegFor(settings.FfmpegLocation)),
      probe_(FfprobeMediaProbe::programFor(settings.FfmpegLocation)) {}

std::vector<double> FfmpegColourMatcher::sampleTimes(std::int64_t frames, Rational rate) {
  // Every `step`-th frame from the first, at most kSamples of them; each sought half a frame
  // after its start, so that a time stamp rounded either way still finds it.
  const std::int64_t step = std::max<std::int64_t>(1, frames / kSamples);
  std::vector<double> times;
  for (std::int64_t frame = 0; frame < frames && times.size() < kSamples; frame += step) {
    times.push_back((static_cast<double>(frame) + 0.5) / rate.value());
  }
  return times;
}

std::vector<double> FfmpegColourMatcher::samplesOf(const std::string& file) const {
  // The header's count and rate: nothing of the clip needs reading to know them.
  const platform::ProgramOutput result =
      platform::runProgram({probe_, "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=avg_frame_rate,r_frame_rate,nb_frames:format=duration", "-of",
                            "default=noprint_wrappers=1", file});
  if (!result.started || result.exitCode != 0) {
    throw Error("Cannot read the colours of \"" + file + "\": " + result.lastErrorLine());
  }
  Rational average;
  Rational real;
  std::int64_t frames = 0;
  double duration = 0;
  std::string_view rest(result.output);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "avg_frame_rate" || key == "r_frame_rate") {
      (key == "avg_frame_rate" ? average : real) = Rational::parse(value).value_or(Rational{});
    } else if (key == "nb_frames") {
      frames = tryToInteger(value).value_or(0);
    } else if (key == "duration") {
      std::from_chars(value.data(), value.data() + value.size(), duration);
    }
  }
  const Rational rate = average.num > 0 ? average : real;
  if (rate.num <= 0) throw Error("Cannot read the colours of \"" + file + "\": it holds no video");
  if (frames <= 0) frames = std::llround(duration * rate.value());
  if (frames <= 0) throw Error("Cannot read the colours of \"" + file + "\": it holds no frames");
  return sampleTimes(frames, rate);
}

RgbHistograms FfmpegColourMatcher::histogramsOf(const std::string& file,
                                                const std::string& crop) const {
  // One reader per sampled frame, each sought to its frame and decoding that one alone; the
  // frames stand side by side in one picture, whose values are all the histograms need.
  const std::vector<double> times = samplesOf(file);
  std::string graph;
  std::string stack;
  for (std::size_t i = 0; i < times.size(); ++i) {
    const std::string pad = "[s" + std::to_string(i) + "]";
    graph += "movie=filename=" + FilterGraph::value(file) + ":seek_point=" + seconds(times[i]) +
             ":dec_threads=1,trim=end_frame=1,";
    if (!crop.empty()) graph += crop + ",";
    // A smaller picture has the same distribution of values and decodes to far fewer bytes.
    graph += "scale=320:-2,format=rgb24,setpts=0" + pad + ";";
    stack += pad;
  }
  if (times.size() == 1) {
    graph += stack + "null[out]";
  } else {
    graph += stack + "hstack=inputs=" + std::to_string(times.size()) + "[out]";
  }
  const platform::ProgramOutput result =
      platform::runProgram({program_, "-v", "error", "-nostdin", "-filter_complex", graph, "-map",
                            "[out]", "-frames:v", "1", "-f", "rawvideo", "-"});
  if (!result.started || result.exitCode != 0 || result.output.empty()) {
    throw Error("Cannot read the colours of \"" + file + "\": " + result.lastErrorLine());
  }
  RgbHistograms histograms{};
  addPixels(histograms, reinterpret_cast<const std::uint8_t*>(result.output.data()),
            result.output.size() / 3);
  return histograms;
}

ChannelTables FfmpegColourMatcher::tables(const std::string& views, const std::string& left,
                                          const std::string& right, bool leftIsReference) {
  std::string leftCrop;
  std::string rightCrop;
  std::string rightFile = right;
  if (views == "side-by-side") {
    leftCrop = "crop=iw/2:ih:0:0", rightCrop = "crop=iw/2:ih:iw/2:0", rightFile = left;
  } else if (views == "over-under") {
    leftCrop = "crop=iw:ih/2:0:0", rightCrop = "crop=iw:ih/2:0:ih/2", rightFile = left;
  }
  // The two views are read at once.
  auto rightReading =
      std::async(std::launch::async, [&] { return histogramsOf(rightFile, rightCrop); });
  const RgbHistograms leftView = histogramsOf(left, leftCrop);
  const RgbHistograms rightView = rightReading.get();
  return leftIsReference ? matchHistograms(rightView, leftView)
                         : matchHistograms(leftView, rightView);
}

}  // namespace twinlens
