#include "media/FfprobeMediaProbe.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/Paths.h"
#include "media/ReadCache.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

bool endsWith(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// A count ffprobe tells; 0 for anything that is not one.
std::int64_t count(std::string_view value) {
  return std::max<std::int64_t>(tryToInteger(value).value_or(0), 0);
}

std::optional<double> decimal(std::string_view text) {
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return number;
}

// A value ffprobe could not tell reads as nothing.
std::string known(std::string_view value) {
  return value == "unknown" || value == "N/A" ? std::string() : std::string(value);
}

// "4:3" as ffprobe tells a pixel's shape; square where it tells none ("0:1", "N/A").
Rational aspectOf(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {1, 1};
  const auto num = tryToInteger(text.substr(0, colon));
  const auto den = tryToInteger(text.substr(colon + 1));
  if (!num || !den || *num <= 0 || *den <= 0) return {1, 1};
  return Rational::of(*num, *den);
}

// The field shown first: "tt" and "bt" show the top field first, "bb" and "tb" the bottom.
MediaInfo::Scan scanOf(std::string_view order) {
  if (order == "progressive") return MediaInfo::Scan::Progressive;
  if (order == "tt" || order == "bt") return MediaInfo::Scan::TopFirst;
  if (order == "bb" || order == "tb") return MediaInfo::Scan::BottomFirst;
  return MediaInfo::Scan::Unknown;
}

// The bits per sample a pixel format's name tells ("yuv420p10le": 10); 8 for the others.
int depthOf(std::string_view format) {
  if (endsWith(format, "le") || endsWith(format, "be")) format.remove_suffix(2);
  std::size_t digits = format.size();
  while (digits > 0 && format[digits - 1] >= '0' && format[digits - 1] <= '9') --digits;
  if (digits == 0 || digits == format.size() || format[digits - 1] != 'p') return 8;
  return static_cast<int>(std::min<std::int64_t>(count(format.substr(digits)), 64));
}

// Frames whose times stray from an even spacing by more than half a frame were dropped or held
// by the camera: the clip is read at its base rate, its frames counted by their times.
// "01:02:03.5" (Matroska's duration tag) in seconds; 0 where it is none.
double clockSeconds(std::string_view text) {
  double total = 0;
  for (int part = 0; part < 3; ++part) {
    const std::size_t colon = text.find(':');
    const std::string_view piece = part < 2 ? text.substr(0, colon) : text;
    if (part < 2 && colon == std::string_view::npos) return 0;
    const auto value = decimal(piece);
    if (!value || !std::isfinite(*value) || *value < 0) return 0;
    total = total * 60 + *value;
    if (part < 2) text.remove_prefix(colon + 1);
  }
  return total;
}

void evenOut(MediaInfo& info, Rational baseRate, std::vector<double> times) {
  if (times.size() < 3) return;
  std::sort(times.begin(), times.end());
  const double span = times.back() - times.front();
  if (!(span > 0) || span > 1e7) return;  // over a hundred days: no camera's clip
  const double spacing = span / static_cast<double>(times.size() - 1);
  bool even = true;
  for (std::size_t i = 0; i < times.size() && even; ++i) {
    even = std::abs(times[i] - times.front() - static_cast<double>(i) * spacing) <= spacing / 2;
  }
  if (even) return;
  // A base rate far from the frames' own (a time base's, not a camera's) gives way to theirs.
  const double mean = 1 / spacing;
  if (!(mean < 1e6)) return;
  if (baseRate.num <= 0 || baseRate.value() > 2 * mean || baseRate.value() < mean / 2) {
    const std::int64_t milliframes = std::llround(mean * 1000);
    if (milliframes <= 0) return;  // a frame in over a quarter of an hour: no video to lay out
    baseRate = Rational::of(milliframes, 1000);
  }
  if (span * baseRate.value() > 1e9) return;
  info.variableRate = true;
  info.frameRate = baseRate;
  info.frames = std::llround(span * baseRate.value()) + 1;
}

}  // namespace

FfprobeMediaProbe::FfprobeMediaProbe(const ConversionSettings& settings, bool packets,
                                     std::string keptReports)
    : program_(programFor(settings.FfmpegLocation)),
      packets_(packets),
      keptReports_(std::move(keptReports)) {}

std::string FfprobeMediaProbe::programFor(const std::string& ffmpegLocation) {
  if (ffmpegLocation.empty() || ffmpegLocation == " ") return "ffprobe";
  const bool windowsProgram = endsWith(ffmpegLocation, ".exe") || endsWith(ffmpegLocation, ".EXE");
  return paths::dir(ffmpegLocation) + (windowsProgram ? "ffprobe.exe" : "ffprobe");
}

std::string FfprobeMediaProbe::ffmpegFor(const std::string& ffmpegLocation) {
  return ffmpegLocation.empty() || ffmpegLocation == " " ? "ffmpeg" : ffmpegLocation;
}

void FfprobeMediaProbe::forEachEntry(
    std::string_view report,
    const std::function<void(std::string_view key, std::string_view value)>& entry) {
  while (!report.empty()) {
    const std::size_t end = report.find('\n');
    std::string_view line = report.substr(0, end);
    report = end == std::string_view::npos ? std::string_view() : report.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) entry(line.substr(0, equals), line.substr(equals + 1));
  }
}

MediaInfo FfprobeMediaProbe::parseReport(const std::string& path, const std::string& report) {
  MediaInfo info;
  bool video = false;
  bool audio = false;
  std::string_view kind;
  Rational average;
  Rational real;
  std::int64_t streamIndex = -1;
  std::int64_t videoIndex = -1;
  std::int64_t packetStream = -1;
  std::map<std::int64_t, std::vector<double>> times;  // of each stream's packets
  Rational baseRate;  // the first video stream's base rate, which unevenly spaced frames keep
  std::int64_t headerFrames = 0;  // what the stream's header says, where packets are not read
  double seconds = 0;
  bool picture = false;  // read by a demuxer of single pictures
  auto finishStream = [&] {
    if (kind == "video" && !video) {
      video = true;
      videoIndex = streamIndex;
      info.frameRate = average.num > 0 ? average : real;
      baseRate = real.num > 0 ? real : info.frameRate;
    }
  };
  forEachEntry(report, [&](std::string_view key, std::string_view value) {
    const bool firstVideo = kind == "video" && !video;
    if (key == "format_name") {
      picture = value == "image2" || value.ends_with("_pipe");
    } else if (key == "stream_index") {
      packetStream = tryToInteger(value).value_or(-1);
    } else if (key == "pts_time") {
      const auto time = decimal(value);
      if (time && std::isfinite(*time)) times[packetStream].push_back(*time);
    } else if (key == "index") {
      finishStream();
      kind = {};
      streamIndex = tryToInteger(value).value_or(-1);
    } else if (key == "codec_type") {
      finishStream();
      kind = value;
      average = {};
      real = {};
    } else if (key == "avg_frame_rate" || key == "r_frame_rate") {
      (key == "avg_frame_rate" ? average : real) = Rational::parse(value).value_or(Rational{});
    } else if (key == "nb_read_packets" && firstVideo) {
      info.frames = count(value);
    } else if (key == "nb_frames" && firstVideo) {
      headerFrames = count(value);
    } else if (key == "duration" && firstVideo) {
      seconds = decimal(value).value_or(0);
    } else if (key == "TAG:DURATION" && firstVideo && seconds <= 0) {
      seconds = clockSeconds(value);
    } else if (key == "sample_rate" && kind == "audio" && !audio) {
      audio = true;
      info.hasAudio = true;
      info.sampleRate = static_cast<int>(std::min<std::int64_t>(count(value), 1 << 30));
    } else if (key == "type" && firstVideo) {
      info.stereoTagged = true;
      info.stereoLayout = value == "side by side"     ? MediaInfo::StereoLayout::SideBySide
                          : value == "top and bottom" ? MediaInfo::StereoLayout::TopBottom
                          : value == "2D"             ? MediaInfo::StereoLayout::None
                                                      : MediaInfo::StereoLayout::Other;
    } else if (key == "projection" && firstVideo) {
      // A VR180 picture is told as a tile of the whole sphere: its bounds leave out the back.
      info.sphere = value == "equirectangular"         ? MediaInfo::Sphere::Whole
                    : value == "tiled equirectangular" ? MediaInfo::Sphere::Half
                                                       : MediaInfo::Sphere::Other;
    } else if ((key == "width" || key == "height") && firstVideo) {
      (key == "width" ? info.width : info.height) =
          static_cast<int>(std::min<std::int64_t>(count(value), 1 << 30));
    } else if (key == "sample_aspect_ratio" && firstVideo) {
      info.pixelAspect = aspectOf(value);
    } else if ((key == "rotation" || key == "TAG:rotate") && firstVideo) {
      // Newer ffprobe programs tell the angle with decimals; players turn by quarters.
      const double degrees = decimal(value).value_or(0);
      const std::int64_t quarters =
          std::isfinite(degrees) && std::abs(degrees) < 1e6 ? std::llround(degrees / 90) : 0;
      info.rotation = static_cast<int>((quarters % 4 + 4) % 4 * 90);
    } else if (key == "field_order" && firstVideo) {
      info.scan = scanOf(value);
    } else if (key == "bits_per_raw_sample" && firstVideo) {
      const std::int64_t bits = std::min<std::int64_t>(count(value), 64);
      if (bits > 0) info.bitDepth = static_cast<int>(bits);
    } else if (key == "pix_fmt" && firstVideo) {
      info.bitDepth = depthOf(value);
      // A format's name goes into filter graphs: nothing but its own characters is taken.
      if (value.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos) {
        info.pixelFormat = value;
      }
    } else if (key == "color_transfer" && firstVideo) {
      info.transfer = known(value);
    } else if (key == "color_primaries" && firstVideo) {
      info.primaries = known(value);
    } else if (key == "color_space" && firstVideo) {
      info.matrix = known(value);
    }
  });
  finishStream();
  if (video && picture) {
    throw Error("Cannot convert \"" + path +
                "\" as a video clip: it holds a single picture (pictures are converted as a "
                "numbered sequence)");
  }
  if (!video || info.frameRate.num <= 0) {
    throw Error("Cannot convert \"" + path + "\" with ffmpeg: it holds no video");
  }
  if (info.hasAudio && info.sampleRate <= 0) info.hasAudio = false;
  if (info.frames <= 0) {
    const double fromDuration = std::isfinite(seconds) && seconds > 0 && seconds < 1e7
                                    ? seconds * info.frameRate.value()
                                    : 0;
    info.frames = headerFrames > 0 ? headerFrames : std::llround(fromDuration);
  }
  // A player turns the picture a quarter: it shows the other way round.
  if (info.rotation == 90 || info.rotation == 270) {
    std::swap(info.width, info.height);
    info.pixelAspect = Rational::of(info.pixelAspect.den, info.pixelAspect.num);
  }
  evenOut(info, baseRate, times[videoIndex]);
  return info;
}

MediaInfo FfprobeMediaProbe::probe(const std::string& path) {
  const ReadCache kept(keptReports_);
  if (!kept.keeps()) return parseReport(path, report(path));
  // The counted packets tell all that the headers do.
  constexpr std::string_view kPackets = "ffprobe packets, format and projection";
  constexpr std::string_view kHeaders = "ffprobe headers, format and projection";
  const std::string files[] = {path};
  std::optional<std::string> text = kept.find(kPackets, files);
  if (!text && !packets_) text = kept.find(kHeaders, files);
  if (text) return parseReport(path, *text);
  const std::string fresh = report(path);
  const MediaInfo info = parseReport(path, fresh);
  kept.keep(packets_ ? kPackets : kHeaders, files, fresh);
  return info;
}

std::string FfprobeMediaProbe::report(const std::string& path) const {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error) &&
      std::filesystem::file_size(path, error) == 0 && !error) {
    throw Error("Cannot read \"" + path + "\": the file is empty");
  }
  const std::string streams =
      "stream=index,codec_type,width,height,sample_aspect_ratio,pix_fmt,field_order,"
      "color_transfer,color_primaries,color_space,bits_per_raw_sample,sample_rate,avg_frame_rate,"
      "r_frame_rate,";
  const platform::ProgramOutput result = platform::runProgram(
      packets_ ? std::vector<
                     std::string>{program_, "-v", "error", "-count_packets", "-show_entries",
                                  "packet=stream_index,pts_time:" + streams +
                                      "nb_read_packets:stream_side_data=type,rotation,projection:"
                                      "stream_tags=rotate:format=format_name",
                                  "-of", "default=noprint_wrappers=1", path}
               : std::vector<std::string>{
                     program_, "-v", "error", "-show_entries",
                     streams + "nb_frames,duration:stream_side_data=type,rotation,projection:"
                               "stream_tags=rotate,DURATION:format=format_name",
                     "-of", "default=noprint_wrappers=1", path});
  if (!result.started) {
    throw Error("Cannot read \"" + path + "\": " + result.lastErrorLine() +
                "; the ffmpeg engine needs ffprobe beside ffmpeg or on the search path");
  }
  if (result.exitCode != 0) {
    throw Error("Cannot read \"" + path + "\": " + result.lastErrorLine());
  }
  return result.output;
}

}  // namespace twinlens
