#include "engines/ffmpeg/FfprobeMediaProbe.h"

#include <string_view>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/Paths.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

bool endsWith(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

}  // namespace

FfprobeMediaProbe::FfprobeMediaProbe(const ConversionSettings& settings)
    : program_(programFor(settings.FfmpegLocation)) {}

std::string FfprobeMediaProbe::programFor(const std::string& ffmpegLocation) {
  if (ffmpegLocation.empty() || ffmpegLocation == " ") return "ffprobe";
  const bool windowsProgram = endsWith(ffmpegLocation, ".exe") || endsWith(ffmpegLocation, ".EXE");
  return paths::dir(ffmpegLocation) + (windowsProgram ? "ffprobe.exe" : "ffprobe");
}

std::string FfprobeMediaProbe::ffmpegFor(const std::string& ffmpegLocation) {
  return ffmpegLocation.empty() || ffmpegLocation == " " ? "ffmpeg" : ffmpegLocation;
}

MediaInfo FfprobeMediaProbe::parseReport(const std::string& path, const std::string& report) {
  MediaInfo info;
  bool video = false;
  bool audio = false;
  std::string_view kind;
  Rational average;
  Rational real;
  auto finishStream = [&] {
    if (kind == "video" && !video) {
      video = true;
      info.frameRate = average.num > 0 ? average : real;
    }
  };
  std::string_view rest(report);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "codec_type") {
      finishStream();
      kind = value;
      average = {};
      real = {};
    } else if (key == "avg_frame_rate" || key == "r_frame_rate") {
      (key == "avg_frame_rate" ? average : real) = Rational::parse(value).value_or(Rational{});
    } else if (key == "nb_read_packets" && kind == "video" && !video) {
      info.frames = tryToInteger(value).value_or(0);
    } else if (key == "sample_rate" && kind == "audio" && !audio) {
      audio = true;
      info.hasAudio = true;
      info.sampleRate = tryToInteger(value).value_or(0);
    } else if (key == "type" && kind == "video" && !video) {
      info.stereoTagged = true;
    } else if ((key == "width" || key == "height") && kind == "video" && !video) {
      (key == "width" ? info.width : info.height) = tryToInteger(value).value_or(0);
    }
  }
  finishStream();
  if (!video || info.frameRate.num <= 0) {
    throw Error("Cannot convert \"" + path + "\" with ffmpeg: it holds no video");
  }
  if (info.hasAudio && info.sampleRate <= 0) info.hasAudio = false;
  return info;
}

MediaInfo FfprobeMediaProbe::probe(const std::string& path) {
  const platform::ProgramOutput result = platform::runProgram(
      {program_, "-v", "error", "-count_packets", "-show_entries",
       "stream=codec_type,width,height,sample_rate,avg_frame_rate,r_frame_rate,nb_read_packets:"
       "stream_side_data=type",
       "-of", "default=noprint_wrappers=1", path});
  if (!result.started) {
    throw Error("Cannot read \"" + path + "\": " + result.lastErrorLine() +
                "; the ffmpeg engine needs ffprobe beside ffmpeg or on the search path");
  }
  if (result.exitCode != 0) {
    throw Error("Cannot read \"" + path + "\": " + result.lastErrorLine());
  }
  return parseReport(path, result.output);
}

}  // namespace twinlens
