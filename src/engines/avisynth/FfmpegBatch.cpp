#include "engines/avisynth/FfmpegBatch.h"

#include "base/Error.h"
#include "base/ShellWords.h"
#include "engines/EncodedNames.h"
#include "engines/avisynth/DeshakerPasses.h"

namespace twinlens {

namespace {

// cmd.exe expands "%...%" and "%1" even inside double quotes, so a percent sign in a file name
// must be doubled or the batch file would name a different file.
std::string batchLiteral(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    escaped.push_back(c);
    if (c == '%') escaped.push_back('%');
  }
  return escaped;
}

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

FfmpegBatch::FfmpegBatch(const ConversionSettings& settings, PathStyle style)
    : settings_(settings), conversion_(settings), style_(style) {}

std::string FfmpegBatch::ffmpegProgram() const {
  const std::string& location = settings_.FfmpegLocation;
  // No location chosen (empty, or the single blank a cleared label leaves) means ffmpeg on the
  // search path.
  if (location.empty() || location == " ") return "ffmpeg.exe";
  return batchLiteral(location);
}

std::string FfmpegBatch::outputName(const std::string& scriptName) const {
  // "%%" is one percent sign in a batch file.
  return std::string(picturesOut(settings_.Edit_Video_Extension) ? "ImgSeq_%%07d_" : "") +
         batchLiteral(paths::noext(scriptName, style_)) + settings_.Edit_Video_Extension;
}

std::vector<FfmpegBatch::EncodedFile> FfmpegBatch::encodedFiles(
    const std::string& primaryScript, const std::string& rightOutputScript,
    const std::string& batchFolder) const {
  // Every encoded file is named bare, so it lands in the folder the batch file runs in.
  std::vector<EncodedFile> files{{batchFolder + encodedName(paths::name(primaryScript, style_),
                                                            settings_.Edit_Video_Extension, style_),
                                  primaryScript}};
  if (conversion_.layout() == recipe::OutputLayout::Separate) {
    files.push_back({batchFolder + encodedName(paths::name(rightOutputScript, style_),
                                               settings_.Edit_Video_Extension, style_),
                     rightOutputScript});
  }
  return files;
}

void FfmpegBatch::addScript(const std::string& script, const std::string& folderPrefix) {
  const std::string name = paths::name(script, style_);
  const std::string program = quoted(ffmpegProgram());
  // The encoded file is named after the plain script, also when a pass script is encoded. The
  // options go in as the words they stand for, each written so that cmd.exe gives it to ffmpeg
  // as it stands; the run refuses options that stand for none before it starts.
  const shellwords::Split options = shellwords::split(settings_.Edit_coding_presets);
  if (options.fault) {
    throw Error("The encoder options cannot go onto a command line: they hold " +
                options.fault->what);
  }
  std::string encodeTail = " ";
  encodeTail += shellwords::joined(options.words, Shell::Cmd);
  encodeTail += " ";
  encodeTail += quoted(outputName(name));
  if (deshakerPassesApply(conversion_)) {
    commands_.add(program + " -i " + quoted(batchLiteral(folderPrefix + "Deshake_1_" + name)) +
                  " -f null /dev/null");
    commands_.add(program + " -i " + quoted(batchLiteral(folderPrefix + "Deshake_2_" + name)) +
                  encodeTail);
  } else {
    commands_.add(program + " -i " + quoted(batchLiteral(folderPrefix + name)) + encodeTail);
  }
}

void FfmpegBatch::addClip(const std::string& primaryScript, const std::string& rightOutputScript,
                          const std::string& rightFolderPrefix) {
  // The batch file runs in the left clip's folder, so the left scripts go by bare names and the
  // right output script through the right folder prefix.
  addScript(primaryScript, monoPassesTakeRightNames(conversion_) ? rightFolderPrefix : "");
  if (conversion_.layout() == recipe::OutputLayout::Separate)
    addScript(rightOutputScript, rightFolderPrefix);
}

TextFile FfmpegBatch::finish(const std::string& histogramScriptName) const {
  TextFile batch = header(histogramScriptName);
  batch.append(commands_);
  return batch;
}

TextFile FfmpegBatch::header(const std::string& histogramScriptName) const {
  TextFile batch{"@echo off",
                 "REM Exact versions avisynth 2.5.8 and ffmpeg version 2.5.2 32-bit are required!"};
  if (conversion_.matchesColours()) {
    // The histogram files must exist before any colour-matched script is encoded.
    batch.add("REM First create histogram txt files");
    batch.add(quoted(ffmpegProgram()) + " -i " + quoted(batchLiteral(histogramScriptName)) +
              " -f null /dev/null");
    batch.add("REM ");
    batch.add("REM Then create video files");
  }
  return batch;
}

}  // namespace twinlens
