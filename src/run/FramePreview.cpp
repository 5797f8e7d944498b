#include "run/FramePreview.h"

#include <cmath>
#include <filesystem>
#include <future>
#include <random>

#include "analysis/FfmpegColourMatcher.h"
#include "analysis/FfmpegGeometryMeasurer.h"
#include "base/Error.h"
#include "engines/ffmpeg/FfprobeMediaProbe.h"
#include "model/ClipNames.h"
#include "model/ClipRecipe.h"
#include "platform/FileSystem.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

// A path for a file of the preview's own, which is removed with the last copy of the pointer.
std::shared_ptr<const std::string> temporaryFile(const std::string& extension) {
  std::random_device random;
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("twinlens-preview-" + std::to_string(random()) + extension))
                               .string();
  return {new std::string(path), [](const std::string* file) {
            std::error_code ignored;
            std::filesystem::remove(*file, ignored);
            delete file;
          }};
}

// A file as it is now: its path, size and time of its last change.
std::string stampOf(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  const auto changed = std::filesystem::last_write_time(path, error);
  return path + "\n" + std::to_string(size) + "\n" +
         std::to_string(changed.time_since_epoch().count());
}

std::string viewsName(recipe::InputLayout layout) {
  switch (layout) {
    case recipe::InputLayout::SideBySide:
      return "side-by-side";
    case recipe::InputLayout::OverUnder:
      return "over-under";
    default:
      return "pair";
  }
}

}  // namespace

FramePreview::FramePreview(const ConversionSettings& settings, MediaProbe* probe,
                           PairMeasurer* measurer, std::string keptReports)
    : settings_(settings),
      probe_(probe),
      measurer_(measurer),
      keptReports_(std::move(keptReports)) {}

std::vector<std::string> FramePreview::render(const std::string& left, const std::string& right,
                                              Where where, PreviewMode mode,
                                              const std::string& png) {
  const PreviewJob job = prepare(left, right, where, mode, PictureFormat::Png);
  const platform::ProgramOutput rendered = platform::runProgram(job.command);
  platform::writeFileReplacing(
      png, job.picture(rendered.started, rendered.exitCode, rendered.output, rendered.errors));
  return job.notes;
}

std::string PreviewJob::picture(bool started, int exitCode, const std::string& output,
                                const std::string& errors) const {
  if (!started) throw Error("Cannot start ffmpeg: " + errors);
  if (exitCode != 0 || output.empty()) {
    const std::string why = platform::ProgramOutput{true, exitCode, {}, errors}.lastErrorLine();
    throw Error("Frame " + std::to_string(frame) + " of \"" + clip +
                "\" cannot be shown: " + (why.empty() ? "it lies beyond the clip" : why));
  }
  return output;
}

PreviewJob FramePreview::prepare(const std::string& left, const std::string& right, Where where,
                                 PreviewMode mode, PictureFormat format) {
  const ConversionSettings& s = settings_;
  const ClipRecipe conversion = makeClipRecipe(s, {});
  if (conversion.source == recipe::Source::Pictures) {
    throw Error("Picture sequences have no preview: convert them, or choose a clip");
  }
  if (conversion.twoFiles() && right.empty()) {
    throw Error("\"Separate L and R files\" needs the right clip too");
  }
  const ClipNames names = deriveClipNames(s, left, conversion.twoFiles() ? right : left);

  // The streams' headers tell what one frame needs; a long clip's packets are not read. What
  // was read of a file, and measured of a pair, is kept while the file stays as it was.
  std::optional<FfprobeMediaProbe> ffprobe;
  MediaProbe& probe = probe_ != nullptr ? *probe_ : ffprobe.emplace(s, false, keptReports_);
  const std::string leftStamp = stampOf(names.leftFile);
  const std::string rightStamp = stampOf(names.rightFile);
  const auto known = [&](const std::string& stamp) -> std::optional<MediaInfo> {
    const auto it = media_.find(stamp);
    if (it == media_.end()) return std::nullopt;
    return it->second;
  };
  std::optional<MediaInfo> leftKnown = known(leftStamp);
  std::optional<MediaInfo> rightKnown = known(rightStamp);
  // The two files are read at once.
  std::future<MediaInfo> rightRead;
  if (conversion.twoFiles() && !rightKnown) {
    rightRead = std::async(std::launch::async, [&] { return probe.probe(names.rightFile); });
  }
  const MediaInfo leftMedia = leftKnown ? *leftKnown : probe.probe(names.leftFile);
  const MediaInfo rightMedia = !conversion.twoFiles() ? leftMedia
                               : rightKnown           ? *rightKnown
                                                      : rightRead.get();
  media_[leftStamp] = leftMedia;
  media_[rightStamp] = rightMedia;
  std::optional<GeometryReport> geometry;
  if (measuresViews(s) && conversion.input != recipe::InputLayout::Mono) {
    const std::string pair =
        leftStamp + "\n" + rightStamp + "\n" + std::to_string(static_cast<int>(conversion.input));
    if (const auto it = geometry_.find(pair); it != geometry_.end()) {
      geometry = it->second;
    } else {
      std::optional<FfmpegGeometryMeasurer> ffmpeg;
      PairMeasurer& measurer = measurer_ != nullptr ? *measurer_ : ffmpeg.emplace(s);
      geometry = measurer.measure(conversion.input, names.leftFile, names.rightFile);
      geometry_[pair] = *geometry;
    }
  }
  const ClipRecipe recipe = makeClipRecipe(s, names, leftMedia, rightMedia, geometry);
  std::vector<std::string> notes = recipe.notes;

  PreviewJob job;
  job.clip = names.leftFile;
  job.geometry = geometry;
  // The colour tables, made as the runner makes them.
  const auto matched = [&](View view) { return recipe.find<recipe::ColourMatch>(view); };
  if (const recipe::ColourMatch* match =
          matched(View::Left) ? matched(View::Left) : matched(View::Right)) {
    job.tables = temporaryFile(".cube");
    const ChannelTables made = FfmpegColourMatcher(s).tables(
        viewsName(recipe.input), names.leftFile, names.rightFile, match->reference == View::Left);
    platform::writeFileReplacing(*job.tables, cubeText(made));
  }

  const FilterGraphBuilder builder;
  const FfmpegClipJob::Output primary = builder.build(recipe).outputs.front();
  job.frames = primary.frames;
  job.frame = where.frame.value_or(0);
  if (!where.frame && where.seconds) {
    job.frame = std::llround(std::floor(*where.seconds * primary.frameRate.value() + 1e-9));
  }
  std::optional<FfmpegPreview> built;
  try {
    built = builder.preview(recipe, job.frame, mode, job.tables ? *job.tables : std::string());
  } catch (const Error& error) {
    throw Error("Frame " + std::to_string(job.frame) + " of \"" + job.clip +
                "\" cannot be shown: " + error.what());
  }
  const FfmpegPreview& preview = *built;
  job.notes = recipe.notes;
  job.notes.insert(job.notes.end(), preview.notes.begin(), preview.notes.end());
  if (s.RadioGroup_Engine == 0) {
    job.notes.push_back(
        "The preview shows the ffmpeg engine's rendering of the clip's recipe; AviSynth scripts "
        "deinterlace, resize and blend with AviSynth's own filters, which differ slightly");
  }

  std::vector<std::string>& command = job.command;
  command = {FfprobeMediaProbe::ffmpegFor(s.FfmpegLocation), "-v", "error", "-nostdin"};
  for (const FfmpegClipJob::Input& input : preview.inputs) {
    // One frame decodes soonest on one thread: more would first take in several.
    command.insert(command.end(), {"-threads", "1"});
    command.insert(command.end(), input.options.begin(), input.options.end());
    command.push_back("-i");
    command.push_back(input.path);
  }
  std::string graph;
  for (const std::string& line : preview.graph.lines()) graph += line;
  command.insert(command.end(), {"-filter_complex", graph, "-map", "[" + preview.pad + "]",
                                 "-frames:v", "1", "-f", "image2pipe"});
  if (format == PictureFormat::Png) {
    command.insert(command.end(), {"-c:v", "png", "-compression_level", "1", "-pred", "none", "-"});
  } else {
    // Rows of blue, green and red a window draws as they stand.
    command.insert(command.end(), {"-c:v", "bmp", "-pix_fmt", "bgr24", "-"});
  }
  return job;
}

}  // namespace twinlens
