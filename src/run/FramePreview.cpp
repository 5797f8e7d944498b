#include "run/FramePreview.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <random>

#include "analysis/FfmpegColourMatcher.h"
#include "base/Error.h"
#include "media/FfprobeMediaProbe.h"
#include "model/ClipNames.h"
#include "model/ClipRecipe.h"
#include "model/ConversionPlan.h"
#include "platform/FileSystem.h"
#include "platform/ProgramOutput.h"
#include "run/EngineList.h"

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

// A 32-bit number at `at` of `bytes`, least significant byte first or last.
std::uint32_t numberAt(const std::string& bytes, std::size_t at, bool bigEndian) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : 3 - i)]);
    value = value << 8 | byte;
  }
  return value;
}

// How long the picture at the start of `bytes` is; 0 while it is not all there.
std::size_t pictureLength(const std::string& bytes, PictureFormat format) {
  if (format == PictureFormat::Bmp) {
    if (bytes.size() < 6) return 0;
    if (bytes.compare(0, 2, "BM") != 0) throw Error("ffmpeg wrote something other than pictures");
    const std::size_t length = numberAt(bytes, 2, false);
    return bytes.size() >= length ? length : 0;
  }
  // A PNG file ends with its IEND chunk.
  static constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < kSignature.size()) return 0;
  if (bytes.compare(0, kSignature.size(), kSignature) != 0) {
    throw Error("ffmpeg wrote something other than pictures");
  }
  std::size_t at = kSignature.size();
  while (at + 8 <= bytes.size()) {
    const std::size_t end = at + 12 + numberAt(bytes, at, true);
    if (bytes.compare(at + 4, 4, "IEND") == 0) return bytes.size() >= end ? end : 0;
    at = end;
  }
  return 0;
}

// `pattern` with its "%d" (or "%0<w>d") made `number`.
std::string numbered(const std::string& pattern, std::int64_t number) {
  const std::size_t percent = pattern.find('%');
  std::size_t d = percent == std::string::npos ? percent : pattern.find('d', percent);
  std::size_t width = 0;
  if (d != std::string::npos) {
    const std::string digits = pattern.substr(percent + 1, d - percent - 1);
    const bool padded = digits.empty() || (digits.size() <= 2 && digits[0] == '0' &&
                                           std::all_of(digits.begin(), digits.end(), ::isdigit));
    if (!padded) d = std::string::npos;
    if (padded && !digits.empty()) width = std::stoul(digits);
  }
  if (d == std::string::npos) {
    throw Error("\"" + pattern + "\" has no %d for the frames' numbers");
  }
  std::string text = std::to_string(number);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return pattern.substr(0, percent) + text + pattern.substr(d + 1);
}

}  // namespace

std::optional<std::string> PreviewJob::takePicture(std::string& written) const {
  const std::size_t length = pictureLength(written, format);
  if (length == 0) return std::nullopt;
  std::string picture = written.substr(0, length);
  written.erase(0, length);
  return picture;
}

std::vector<std::string> FramePreview::renderStretch(const std::string& left,
                                                     const std::string& right, Where where,
                                                     PreviewLook look, const Stretch& stretch,
                                                     const std::string& pattern,
                                                     std::vector<std::string>& notes) {
  numbered(pattern, 0);
  const PreviewJob job = prepare(left, right, where, look, PictureFormat::Png, stretch);
  const platform::ProgramOutput rendered = platform::runProgram(job.command);
  std::string written =
      job.picture(rendered.started, rendered.exitCode, rendered.output, rendered.errors);
  std::vector<std::string> files;
  while (const std::optional<std::string> picture = job.takePicture(written)) {
    files.push_back(numbered(pattern, job.frame + static_cast<std::int64_t>(files.size())));
    platform::writeFileReplacing(files.back(), *picture);
  }
  notes.insert(notes.end(), job.notes.begin(), job.notes.end());
  if (stretch.frames > 0 && static_cast<std::int64_t>(files.size()) < stretch.frames) {
    notes.push_back("The clip ends after frame " +
                    std::to_string(job.frame + static_cast<std::int64_t>(files.size()) - 1));
  }
  return files;
}

std::vector<std::string> FramePreview::render(const std::string& left, const std::string& right,
                                              Where where, PreviewLook look,
                                              const std::string& png) {
  const PreviewJob job = prepare(left, right, where, look, PictureFormat::Png);
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
                                 PreviewLook look, PictureFormat format, const Stretch& stretch) {
  const ConversionSettings& s = settings_;
  const ConversionPlan conversion(s);
  if (conversion.pictures()) {
    throw Error("Picture sequences have no preview: convert them, or choose a clip");
  }
  if (conversion.twoFiles() && right.empty()) {
    throw Error("\"Separate L and R files\" needs the right clip too");
  }
  const ClipNames names = deriveClipNames(s, left, conversion.twoFiles() ? right : left);
  // The streams' headers tell what one frame needs; a long clip's packets are not read.
  ScanRequest request{true, conversion.twoFiles(), conversion.measures(), true};
  request.lensCircles = conversion.findsLensCircles();
  const ClipFacts facts =
      scan_.scanClip(s, conversion.input(), request, names.leftFile, names.rightFile);
  const std::optional<GeometryReport>& geometry = facts.geometry;
  const ClipRecipe recipe = makeClipRecipe(s, names, facts);

  PreviewJob job;
  job.clip = names.leftFile;
  job.geometry = geometry;
  // The colour tables, made as the runner makes them.
  const auto matched = [&](View view) { return recipe.find<recipe::ColourMatch>(view); };
  if (const recipe::ColourMatch* match =
          matched(View::Left) ? matched(View::Left) : matched(View::Right)) {
    job.tables = temporaryFile(".cube");
    const ChannelTables made = FfmpegColourMatcher(s).tables(
        layoutName(recipe.input), names.leftFile, names.rightFile, match->reference == View::Left);
    platform::writeFileReplacing(*job.tables, cubeText(made));
  }

  const std::unique_ptr<FrameRenderer> renderer = makeFrameRenderer();
  const OutputTiming primary = renderer->timing(recipe);
  job.frames = primary.frames;
  job.frameRate = primary.frameRate;
  job.format = format;
  job.frame = where.frame.value_or(0);
  if (!where.frame && where.seconds) {
    job.frame = std::llround(std::floor(*where.seconds * primary.frameRate.value() + 1e-9));
  }
  std::optional<FrameGraph> built;
  try {
    built = renderer->frame(recipe, job.frame, look, job.tables ? *job.tables : std::string(),
                            !stretch.sound.empty() || stretch.playsSound);
  } catch (const Error& error) {
    throw Error("Frame " + std::to_string(job.frame) + " of \"" + job.clip +
                "\" cannot be shown: " + error.what());
  }
  const FrameGraph& preview = *built;
  job.notes = recipe.notes;
  job.notes.insert(job.notes.end(), preview.notes.begin(), preview.notes.end());
  if (s.RadioGroup_Engine == choices::Engine::AviSynth) {
    job.notes.push_back(
        "The preview shows the ffmpeg engine's rendering of the clip's recipe; AviSynth scripts "
        "deinterlace, resize and blend with AviSynth's own filters, which differ slightly");
  }

  std::vector<std::string>& command = job.command;
  command = {FfprobeMediaProbe::ffmpegFor(s.FfmpegLocation), "-v", "error", "-nostdin"};
  for (const CommandInput& input : preview.inputs) {
    // One frame decodes soonest on one thread: more would first take in several.
    command.insert(command.end(), {"-threads", "1"});
    command.insert(command.end(), input.options.begin(), input.options.end());
    command.push_back("-i");
    command.push_back(input.path);
  }
  std::string graph;
  for (const std::string& line : preview.graph.lines()) graph += line;
  std::string shown = preview.pad;
  if (stretch.width > 0 && stretch.height > 0) {
    // Made smaller to fit, never larger.
    graph.append(";[").append(shown).append("]scale=w='min(");
    graph.append(std::to_string(stretch.width)).append(",iw)':h='min(");
    graph.append(std::to_string(stretch.height));
    graph.append(",ih)':force_original_aspect_ratio=decrease:flags=area[fitted]");
    shown = "fitted";
  }
  std::string heard = preview.soundPad;
  if (!heard.empty() && stretch.frames > 0) {
    // As long as the frames: the sound would otherwise go on to the clip's end.
    const Rational rate = job.frameRate;
    const std::int64_t samples =
        (stretch.frames * kPreviewSoundRate * rate.den + rate.num / 2) / rate.num;
    graph.append(";[").append(heard).append("]atrim=end_sample=");
    graph.append(std::to_string(samples)).append("[heard]");
    heard = "heard";
  }
  command.insert(command.end(), {"-filter_complex", graph, "-map", "[" + shown + "]"});
  if (stretch.frames > 0) {
    command.insert(command.end(), {"-frames:v", std::to_string(stretch.frames)});
  }
  command.insert(command.end(), {"-f", "image2pipe"});
  if (format == PictureFormat::Png) {
    command.insert(command.end(), {"-c:v", "png", "-compression_level", "1", "-pred", "none", "-"});
  } else {
    // Rows of blue, green and red a window draws as they stand.
    command.insert(command.end(), {"-c:v", "bmp", "-pix_fmt", "bgr24", "-"});
  }
  if (!heard.empty()) {
    job.sound = true;
    std::string soundPath = stretch.sound;
    if (stretch.playsSound) {
      job.soundFile = temporaryFile(".pcm");
      soundPath = *job.soundFile;
    }
    command.insert(command.end(), {"-map", "[" + heard + "]"});
    if (stretch.wave) {
      command.insert(command.end(), {"-c:a", "pcm_s16le", "-f", "wav"});
    } else {
      // Written as it comes, for a window to play while the picture is shown.
      command.insert(command.end(), {"-c:a", "pcm_s16le", "-f", "s16le", "-flush_packets", "1"});
    }
    command.insert(command.end(), {"-y", soundPath});
  }
  return job;
}

}  // namespace twinlens
