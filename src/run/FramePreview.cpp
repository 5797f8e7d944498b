#include "run/FramePreview.h"

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

}  // namespace

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
                                 PreviewLook look, PictureFormat format) {
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
  job.frame = where.frame.value_or(0);
  if (!where.frame && where.seconds) {
    job.frame = std::llround(std::floor(*where.seconds * primary.frameRate.value() + 1e-9));
  }
  std::optional<FrameGraph> built;
  try {
    built = renderer->frame(recipe, job.frame, look, job.tables ? *job.tables : std::string());
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
