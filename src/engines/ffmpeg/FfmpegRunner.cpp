#include "engines/ffmpeg/FfmpegRunner.h"

#include "base/Error.h"
#include "base/ShellWords.h"
#include "engines/EncodedNames.h"
#include "engines/RunnerLines.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the lines are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

bool matroska(const std::string& extension) {
  return extension == ".mkv" || extension == ".webm" || extension == ".mk3d";
}

std::string countText(std::size_t number) {
  return std::to_string(number);
}

}  // namespace

FfmpegRunner::FfmpegRunner(const ConversionSettings& settings, PathStyle style,
                           std::string colourMatcher)
    : settings_(settings), style_(style), colourMatcher_(std::move(colourMatcher)) {}

std::string FfmpegRunner::pathFor(const std::string& primaryScript) const {
  return paths::noext(primaryScript, style_) + (style_ == PathStyle::Posix ? ".sh" : ".bat");
}

std::string FfmpegRunner::program() const {
  const std::string& location = settings_.FfmpegLocation;
  if (location.empty() || location == " ") {
    return style_ == PathStyle::Posix ? "ffmpeg" : "ffmpeg.exe";
  }
  return location;
}

Shell FfmpegRunner::shell() const {
  return style_ == PathStyle::Posix ? Shell::Posix : Shell::Cmd;
}

std::string FfmpegRunner::quote(const std::string& word) const {
  return shellwords::quoted(word, shell());
}

std::string FfmpegRunner::options() const {
  const shellwords::Split split = shellwords::split(settings_.Edit_coding_presets);
  // The run refuses such options before it starts; nothing of them is ever written.
  if (split.fault) {
    throw Error("The encoder options cannot go onto a command line: they hold " +
                split.fault->what);
  }
  return shellwords::joined(split.words, shell());
}

std::string FfmpegRunner::named(const std::string& path, const std::string& folder) const {
  if (paths::sameName(paths::dir(path, style_), folder, style_)) return paths::name(path, style_);
  return path;
}

std::string FfmpegRunner::taggingFileFor(const std::string& output) const {
  return paths::noext(output, style_) + ".tagging.mkv";
}

std::string FfmpegRunner::unfinishedFileFor(const std::string& output) const {
  return paths::noext(output, style_) + ".partial" + extensionOf(output, style_);
}

bool FfmpegRunner::tagsThroughRemux(const std::string& output, const std::string& stereoMode,
                                    recipe::Projection projection) const {
  // ffmpeg writes the stereo and spherical boxes into MP4 files alone (not MOV), from what a
  // Matroska file tells; the stereo box knows side-by-side and top-bottom with the left view
  // first, nothing else.
  return extensionOf(output, style_) == ".mp4" &&
         (projection != recipe::Projection::Flat || stereoMode == "left_right" ||
          stereoMode == "top_bottom");
}

bool FfmpegRunner::carriesProjection(const std::string& output) const {
  const std::string extension = extensionOf(output, style_);
  return extension == ".mp4" || matroska(extension);
}

std::string FfmpegRunner::sphereTagging(const std::string& file,
                                        recipe::Projection projection) const {
  // Matroska's projection 1 is equirectangular; its private data is the "equi" box's version,
  // flags and bounds (top, bottom, left, right as 0.32 fixed point): half a sphere leaves out a
  // quarter of the sphere's width on each side.
  const char* bounds = projection == recipe::Projection::HalfEquirect
                           ? "00 00 00 00 00 00 00 00 00 00 00 00 3F FF FF FF 3F FF FF FF"
                           : "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
  return quote(style_ == PathStyle::Posix ? "mkvpropedit" : "mkvpropedit.exe") + " " + quote(file) +
         " --quiet --edit track:v1 --set projection-type=1 --set \"projection-private=" + bounds +
         "\"";
}

TextFile FfmpegRunner::header(std::size_t clips, std::int64_t frames,
                              const std::string& runnerPath) const {
  const std::string what =
      "Converts " + countText(clips) + (clips == 1 ? " clip" : " clips") + " with ffmpeg.";
  const std::string total = runnerlines::total(clips, frames);
  if (style_ == PathStyle::Posix) {
    const std::string log = paths::name(paths::noext(runnerPath, style_), style_) + ".log";
    return TextFile{"#!/bin/sh",
                    "# " + what,
                    "cd \"$(dirname \"$0\")\" || exit 1",
                    "[ -t 1 ] || [ -n \"$TWINLENS_PROGRESS\" ] || exec >" + quote(log) + " 2>&1",
                    "failed=0",
                    "echo " + quote(total)};
  }
  return TextFile{"@echo off",
                  "rem " + what,
                  "cd /d \"%~dp0\"",
                  "set failed=0",
                  "set twinlens_progress=",
                  "if defined TWINLENS_PROGRESS set twinlens_progress=-nostats -progress "
                  "\"%TWINLENS_PROGRESS%\"",
                  "echo " + total};
}

std::string FfmpegRunner::echoed(const std::string& text) const {
  if (style_ == PathStyle::Posix) return "echo " + quote(text);
  // cmd.exe reads these in an echo's text unless a caret escapes them.
  std::string escaped;
  for (const char c : text) {
    if (c == '%') {
      escaped += "%%";
      continue;
    }
    if (std::string_view("&|<>^()").find(c) != std::string_view::npos) escaped.push_back('^');
    escaped.push_back(c);
  }
  return "echo " + escaped;
}

FfmpegRunner::ClipSteps FfmpegRunner::steps(std::size_t number, std::size_t clips,
                                            const FfmpegClipJob& job,
                                            const std::vector<std::string>& outputFiles,
                                            const std::string& folder, bool portable) const {
  const bool posix = style_ == PathStyle::Posix;
  // A file outside the folder is read where the job finds it: a job sent to another computer
  // gets it under the same path inside its own folder (TWINLENS_ROOT=.).
  auto input = [&](const std::string& path) {
    const std::string name = named(path, folder);
    if (!portable || name != path) return quote(name);
    return "\"${TWINLENS_ROOT-}\"" + quote(path);
  };
  std::string start = quote(program()) + " -hide_banner -nostdin -y";
  for (const FfmpegClipJob::Input& in : job.inputs) {
    for (const std::string& option : in.options) start += " " + option;
    start += " -i " + input(in.path);
  }

  ClipSteps steps;
  if (job.colourMatch) {
    const FfmpegClipJob::ColourMatch& match = *job.colourMatch;
    std::string step = quote(colourMatcher_) + " colour-match --reference " + match.reference +
                       " --views " + match.views + " --lut " + quote(match.tables);
    if (program() != "ffmpeg" && program() != "ffmpeg.exe") step += " --ffmpeg " + quote(program());
    for (const std::string& file : match.files) step += " " + input(file);
    steps.firstPass.push_back(step);
  }
  if (!job.analysisGraphPath.empty()) {
    steps.firstPass.push_back(start + " -filter_complex_script " +
                              quote(named(job.analysisGraphPath, folder)) +
                              " -map \"[vs]\" -f null -");
  }
  // The encode reports its progress where the runner's starter asks for it.
  std::string encode = start +
                       (posix ? " ${TWINLENS_PROGRESS:+-nostats -progress \"$TWINLENS_PROGRESS\"}"
                              : " %twinlens_progress%") +
                       " -filter_complex_script " + quote(named(job.graphPath, folder));
  // Each output is written under its unfinished name and takes its own once the clip is done.
  std::vector<std::string> finishing;
  const std::string coding = options();
  const std::string move = posix ? "mv -f " : "move /y ";
  const std::string moved = posix ? "" : " >nul";
  for (std::size_t i = 0; i < job.outputs.size() && i < outputFiles.size(); ++i) {
    const FfmpegClipJob::Output& output = job.outputs[i];
    const std::string file = named(outputFiles[i], folder);
    const std::string partial = unfinishedFileFor(file);
    steps.unfinished += " " + quote(partial);
    encode += " -map \"[" + output.video + "]\"";
    if (!output.audio.empty()) encode += " -map \"[" + output.audio + "]\"";
    encode += " -r " + output.frameRate.text();
    for (const std::string& tag : job.colourTags) encode += " " + tag;
    if (!coding.empty()) encode += " " + coding;
    const std::string extension = extensionOf(file, style_);
    const std::string stereoTag =
        output.stereoMode.empty() ? "" : " -metadata:s:v:0 stereo_mode=" + output.stereoMode;
    const bool sphere = output.projection != recipe::Projection::Flat;
    if (tagsThroughRemux(file, output.stereoMode, output.projection)) {
      // Encoded with Matroska's tags, which the remux turns into the MP4 stereo and spherical
      // boxes.
      const std::string tagging = taggingFileFor(file);
      steps.unfinished += " " + quote(tagging);
      encode += stereoTag + " -f matroska " + quote(tagging);
      if (sphere) finishing.push_back(sphereTagging(tagging, output.projection));
      finishing.push_back(quote(program()) + " -hide_banner -nostdin -y -i " + quote(tagging) +
                          " -map 0 -c copy -strict unofficial " + quote(partial));
      finishing.push_back((posix ? "rm -f " : "del ") + quote(tagging));
    } else {
      if (matroska(extension)) encode += stereoTag;
      encode += " " + quote(partial);
      if (sphere && matroska(extension)) {
        finishing.push_back(sphereTagging(partial, output.projection));
      }
    }
    finishing.push_back(move + quote(partial) + " " + quote(file) + moved);
  }
  steps.encode.push_back(encode);
  for (std::string& step : finishing) steps.encode.push_back(std::move(step));

  std::string outputs;
  for (const std::string& file : outputFiles) {
    outputs += (outputs.empty() ? "" : ", ") + named(file, folder);
  }
  const std::int64_t frames = job.outputs.empty() ? 0 : job.outputs.front().frames;
  steps.starts = echoed(runnerlines::clipStarts(number, clips, frames, outputs));
  steps.failed = echoed(runnerlines::clipFailed(number, clips));
  return steps;
}

std::string FfmpegRunner::chained(const std::vector<std::string>& steps) {
  std::string chain;
  for (const std::string& step : steps) chain += (chain.empty() ? "" : " && ") + step;
  return chain;
}

TextFile FfmpegRunner::clipCommands(std::size_t number, std::size_t clips, const FfmpegClipJob& job,
                                    const std::vector<std::string>& outputFiles,
                                    const std::string& folder) const {
  const ClipSteps clip = steps(number, clips, job, outputFiles, folder, false);
  std::vector<std::string> all = clip.firstPass;
  all.insert(all.end(), clip.encode.begin(), clip.encode.end());
  const std::string chain = chained(all);
  TextFile lines;
  lines.add(clip.starts);
  if (style_ == PathStyle::Posix) {
    lines.add("if " + chain + "; then :; else failed=$((failed + 1)); rm -f" + clip.unfinished +
              "; " + clip.failed + "; fi");
  } else {
    lines.add(chain + " || (set /a failed+=1 & del" + clip.unfinished + " 2>nul & " + clip.failed +
              ")");
  }
  return lines;
}

TextFile FfmpegRunner::footer(std::size_t clips) const {
  // The count of failed clips is the shell's own variable.
  const std::string failed = runnerlines::failedCountTail(clips);
  if (style_ == PathStyle::Posix) {
    return TextFile{"if [ \"$failed\" -ne 0 ]; then echo \"$failed" + failed + "\"; exit 1; fi",
                    echoed(runnerlines::allEncoded(clips))};
  }
  return TextFile{"if %failed% neq 0 (echo %failed%" + failed + " & exit /b 1)",
                  echoed(runnerlines::allEncoded(clips))};
}

}  // namespace twinlens
