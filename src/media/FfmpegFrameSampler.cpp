#include "media/FfmpegFrameSampler.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "media/FfprobeMediaProbe.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

std::string seconds(double time) {
  char text[32];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, time, std::chars_format::fixed, 6);
  return std::string(text, end);
}

Error cannotRead(const std::string& what, const std::string& file, const std::string& why) {
  return Error("Cannot read " + what + " \"" + file + "\": " + why);
}

}  // namespace

FfmpegFrameSampler::FfmpegFrameSampler(const ConversionSettings& settings)
    : program_(FfprobeMediaProbe::ffmpegFor(settings.FfmpegLocation)),
      probe_(FfprobeMediaProbe::programFor(settings.FfmpegLocation)) {}

FfmpegFrameSampler::Views FfmpegFrameSampler::viewsOf(const std::string& layout,
                                                      const std::string& left,
                                                      const std::string& right) {
  if (layout == "side-by-side") return {"crop=iw/2:ih:0:0", left, "crop=iw/2:ih:iw/2:0"};
  if (layout == "over-under") return {"crop=iw:ih/2:0:0", left, "crop=iw:ih/2:0:ih/2"};
  return {{}, right, {}};
}

std::vector<double> FfmpegFrameSampler::sampleTimes(std::int64_t frames, Rational rate,
                                                    std::size_t count) {
  // Each sought half a frame after its start, so that a time stamp rounded either way still
  // finds it.
  const std::int64_t step = std::max<std::int64_t>(
      1, frames / static_cast<std::int64_t>(std::max<std::size_t>(count, 1)));
  std::vector<double> times;
  for (std::int64_t frame = 0; frame < frames && times.size() < count; frame += step) {
    times.push_back((static_cast<double>(frame) + 0.5) / rate.value());
  }
  return times;
}

std::vector<double> FfmpegFrameSampler::sampleTimes(const std::string& file, std::size_t count,
                                                    const std::string& what) const {
  // The header's count and rate: nothing of the clip needs reading to know them.
  const platform::ProgramOutput result =
      platform::runProgram({probe_, "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=avg_frame_rate,r_frame_rate,nb_frames:format=duration", "-of",
                            "default=noprint_wrappers=1", file});
  if (!result.started || result.exitCode != 0) {
    throw cannotRead(what, file, result.lastErrorLine());
  }
  Rational average;
  Rational real;
  std::int64_t frames = 0;
  double duration = 0;
  FfprobeMediaProbe::forEachEntry(result.output, [&](std::string_view key, std::string_view value) {
    if (key == "avg_frame_rate" || key == "r_frame_rate") {
      (key == "avg_frame_rate" ? average : real) = Rational::parse(value).value_or(Rational{});
    } else if (key == "nb_frames") {
      frames = tryToInteger(value).value_or(0);
    } else if (key == "duration") {
      std::from_chars(value.data(), value.data() + value.size(), duration);
    }
  });
  const Rational rate = average.num > 0 ? average : real;
  if (rate.num <= 0) throw cannotRead(what, file, "it holds no video");
  if (frames <= 0) frames = std::llround(duration * rate.value());
  if (frames <= 0) throw cannotRead(what, file, "it holds no frames");
  return sampleTimes(frames, rate, count);
}

FfmpegFrameSampler::Strip FfmpegFrameSampler::strip(const std::string& file,
                                                    const std::vector<double>& times,
                                                    const std::string& crop, int width,
                                                    const std::string& format, int bytesPerPixel,
                                                    const std::string& what) const {
  // One input per sampled frame, sought to its time with only key frames decoded, so that each
  // costs the decoding of one frame however long the clip's groups of pictures; the frames stand
  // side by side in one picture.
  std::vector<std::string> command{program_, "-v", "error", "-nostdin"};
  std::string graph;
  std::string stack;
  for (std::size_t i = 0; i < times.size(); ++i) {
    command.insert(command.end(), {"-threads", "1", "-skip_frame", "nokey", "-noaccurate_seek",
                                   "-ss", seconds(times[i]), "-i", file});
    const std::string pad = "[s" + std::to_string(i) + "]";
    graph.append("[").append(std::to_string(i)).append(":v:0]");
    if (!crop.empty()) graph += crop + ",";
    graph += "scale=" + std::to_string(width) + ":-2,format=" + format + ",setpts=0" + pad + ";";
    stack += pad;
  }
  if (times.size() == 1) {
    graph += stack + "null[out]";
  } else {
    graph += stack + "hstack=inputs=" + std::to_string(times.size()) + "[out]";
  }
  command.insert(command.end(), {"-filter_complex", graph, "-map", "[out]", "-frames:v", "1", "-f",
                                 "rawvideo", "-"});
  const platform::ProgramOutput result = platform::runProgram(command);
  const std::size_t row = times.size() * static_cast<std::size_t>(width * bytesPerPixel);
  if (!result.started || result.exitCode != 0 || result.output.empty() || row == 0 ||
      result.output.size() % row != 0) {
    throw cannotRead(what, file, result.lastErrorLine());
  }
  Strip strip;
  strip.frames = static_cast<int>(times.size());
  strip.width = width;
  strip.height = static_cast<int>(result.output.size() / row);
  strip.bytes = result.output;
  return strip;
}

}  // namespace twinlens
