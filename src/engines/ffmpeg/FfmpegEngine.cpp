#include "engines/ffmpeg/FfmpegEngine.h"

#include "model/Targets.h"

#include <span>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "engines/CommandTexts.h"
#include "engines/EncodedNames.h"
#include "engines/ffmpeg/FfmpegJobScripts.h"
#include "engines/ffmpeg/FfmpegRunner.h"
#include "platform/FileSystem.h"
#include "platform/TextFileWriter.h"
#include "platform/TextFiles.h"

namespace twinlens {

namespace {

void saveShellScript(const TextFile& script, const std::string& path) {
  TextFileWriter writer(path, /*lineFeedsOnly=*/true);
  writer.append(script);
  writer.commit();
  platform::makeExecutable(path);
}

}  // namespace

FfmpegEngine::FfmpegEngine(const ConversionSettings& settings, PathStyle style,
                           std::string colourMatcher)
    : s_(settings), style_(style), colourMatcher_(std::move(colourMatcher)), graphs_(style) {}

void FfmpegEngine::checkSettings() const {
  const ConversionSettings& s = s_;
  const ConversionPlan conversion(s);
  if (conversion.layout() == recipe::OutputLayout::None) {
    throw Error("No output format is chosen; choose one under \"Output Format\"");
  }
  if (conversion.matchesColours() && conversion.pictures()) {
    throw Error(
        "The ffmpeg engine matches the colours of video clips, not of pictures; choose \"No "
        "change\" under \"Colo(u)r match reference\" or the engine \"AviSynth scripts\"");
  }
  if (s.CheckBox_VD_MakeJobs) {
    throw Error(
        "VirtualDub job lists run AviSynth scripts; turn off \"Make VirtualDub Job file(s)\" "
        "or choose the engine \"AviSynth scripts\"");
  }
  if (s.CheckBox_ffmpeg_make && s.RadioGroup_Encode_On != choices::EncodeOn::ThisComputer) {
    // Neither Slurm nor GNU parallel has Windows computers run its jobs.
    if (style_ == PathStyle::Windows) {
      throw Error(
          "Slurm clusters and GNU parallel run their jobs on Linux computers, not from Windows: "
          "choose \"This computer\" under \"Run the encodes on\"");
    }
    FfmpegJobScripts::checkSettings(s);
  }
  checkCommandTexts(s, commandShell(), std::span(&commandtexts::kPrefix, 1));
  if (s.CheckBox_ffmpeg_make) checkCommandTexts(s, commandShell(), commandtexts::kFfmpeg);
  if (s.CheckBox_ffmpeg_make && s.RadioGroup_Projection != choices::Projection::Flat &&
      !FfmpegRunner(s, style_).carriesProjection("x" + s.Edit_Video_Extension)) {
    throw Error("VR players learn that a picture is half a sphere from the file's tags, which \"" +
                s.Edit_Video_Extension +
                "\" files cannot carry: choose \".mp4\" or \".mkv\" as the video extension");
  }
}

Shell FfmpegEngine::commandShell() const {
  return FfmpegRunner(s_, style_).shell();
}

ScanRequest FfmpegEngine::scanRequest() const {
  const ConversionPlan conversion(s_);
  if (conversion.pictures()) return {};
  ScanRequest request{true, conversion.twoFiles(), conversion.measures()};
  request.lensCircles = conversion.findsLensCircles();
  return request;
}

void FfmpegEngine::begin(const RunClips& clips) {
  // An output the chosen target would not play stops the run before anything is written.
  if (targetOf(s_.ComboBox_Target) != nullptr) {
    for (std::size_t i = 0; i < clips.written; ++i) {
      const ClipRecipe recipe = clips.recipe(i);
      checkTargetLimits(s_, outputPictureSize(recipe), graphs_.timing(recipe).frameRate.value(),
                        recipe.names.leftFile);
    }
  }
  clips_ = clips;
  // VR outputs are tagged by mkvpropedit.
  needs_.clear();
  for (std::size_t i = 0; i < clips.written && needs_.empty(); ++i) {
    if (clips.recipe(i).projection != recipe::Projection::Flat) {
      needs_.push_back(style_ == PathStyle::Posix ? "mkvpropedit" : "mkvpropedit.exe");
    }
  }
  if (!s_.CheckBox_ffmpeg_make || !clips.complete() || clips.count == 0) return;
  // The runner is named after the run's last clip.
  runnerFile_ = FfmpegRunner(s_, style_).pathFor(clips.names(clips.count - 1).primaryScript);
}

std::string FfmpegEngine::jobScriptOf(const ClipRecipe& clip) const {
  return FfmpegJobScripts::scriptFor(graphs_.plan(clip).back(), runnerFolder());
}

std::vector<RunFile> FfmpegEngine::runFiles() const {
  if (runnerFile_.empty()) return {};
  std::vector<RunFile> files{{runnerFile_, "the batch file"}};
  if (s_.RadioGroup_Encode_On == choices::EncodeOn::Slurm) {
    files.push_back({FfmpegJobScripts::batchFileFor(runnerFile_), "the Slurm batch file"});
    files.push_back({FfmpegJobScripts::batchFileFor(runnerFile_) + ".log", "Slurm's log"});
  }
  if (s_.RadioGroup_Encode_On == choices::EncodeOn::Parallel) {
    files.push_back({FfmpegJobScripts::jobLogFor(runnerFile_), "GNU parallel's job log"});
  }
  // Started without a terminal, the shell runner writes its log beside itself.
  if (FfmpegRunner(s_, style_).lineFeedsOnly()) {
    files.push_back({paths::noext(runnerFile_, style_) + ".log", "the runner's log"});
  }
  return files;
}

std::vector<std::string> FfmpegEngine::clipFiles(const ClipRecipe& clip) const {
  std::vector<std::string> files = graphs_.plan(clip);
  if (writesJobs()) files.push_back(jobScriptOf(clip));
  return files;
}

std::vector<EncodedFile> FfmpegEngine::encodedFiles(const ClipRecipe& clipRecipe) const {
  const ClipNames& clip = clipRecipe.names;
  std::vector<EncodedFile> files;
  // The encoder runs only when the run writes the runner; every output is named bare, so it lands
  // in the runner's folder.
  if (runnerFile_.empty()) return files;
  std::vector<const std::string*> scripts{&clip.primaryScript};
  if (clipRecipe.layout == recipe::OutputLayout::Separate) {
    scripts.push_back(&clip.rightOutputScript);
  }
  for (const std::string* script : scripts) {
    files.push_back({runnerFolder() +
                         encodedName(paths::name(*script, style_), s_.Edit_Video_Extension, style_),
                     "ffmpeg's encode of \"" + *script + "\"", *script});
  }
  // What the runner makes on its way: the colour tables and the motion analysis before the
  // encode, and a Matroska file that takes the stereo tag into an MP4 file after it.
  const std::string graph = graphs_.plan(clipRecipe).back();
  auto madeOnTheWay = [&](const std::string& name, const char* what) {
    if (name.empty()) return;
    files.push_back(
        {runnerFolder() + name, std::string(what) + " of \"" + graph + "\"", graph, false});
  };
  madeOnTheWay(graphs_.colourTablesName(clipRecipe), "the colour tables");
  madeOnTheWay(graphs_.transformsName(clipRecipe), "the motion analysis");
  if (writesJobs()) {
    const std::string job = paths::name(jobScriptOf(clipRecipe), style_);
    madeOnTheWay(paths::name(FfmpegJobScripts::progressFor(job), style_), "the progress");
    madeOnTheWay(paths::name(FfmpegJobScripts::logFor(job), style_), "the log");
  }
  const FfmpegRunner runner(s_, style_);
  const std::string mode = FilterGraphBuilder::stereoModeName(clipRecipe.stereoTag);
  const std::size_t outputs = files.size();
  for (std::size_t i = 0; i < outputs && files[i].video; ++i) {
    files.push_back({runner.unfinishedFileFor(files[i].path),
                     "the unfinished encode of \"" + files[i].path + "\"", files[i].path, false});
    if (!runner.tagsThroughRemux(files[i].path, mode, clipRecipe.projection)) {
      continue;
    }
    files.push_back({runner.taggingFileFor(files[i].path),
                     "the stereo tagging of \"" + files[i].path + "\"", files[i].path, false});
  }
  return files;
}

void FfmpegEngine::write(EngineOutput& output) {
  // The runner's header tells the frames of every clip's primary output, for its progress.
  std::int64_t frames = 0;
  for (std::size_t i = 0; i < clips_.written; ++i) {
    frames += graphs_.build(clips_.recipe(i)).outputs.front().frames;
  }

  const FfmpegRunner runner(s_, style_, colourMatcher_);
  const FfmpegJobScripts jobScripts(s_, runner);
  const std::string runnerName = paths::name(runnerFile_, style_);
  std::optional<TextFileWriter> runnerWriter;
  if (!runnerFile_.empty()) {
    runnerWriter.emplace(runnerFile_, runner.lineFeedsOnly());
    runnerWriter->append(runner.header(clips_.count, frames, runnerFile_));
  }
  for (std::size_t i = 0; i < clips_.written; ++i) {
    const ClipRecipe recipe = clips_.recipe(i);
    for (const std::string& note : recipe.notes) output.noted(recipe.names.leftFile, note);
    const FfmpegClipJob job = graphs_.build(recipe);
    auto save = [&](const TextFile& graph, const std::string& path) {
      platform::saveTextFile(graph, path);
      output.wroteClipFile(path);
    };
    if (!job.analysisGraphPath.empty()) save(job.analysisGraph, job.analysisGraphPath);
    save(job.graph, job.graphPath);
    if (runnerWriter) {
      std::vector<std::string> outputs;
      for (EncodedFile& file : encodedFiles(recipe)) {
        if (file.video) outputs.push_back(std::move(file.path));
      }
      runnerWriter->append(runner.clipCommands(i + 1, clips_.count, job, outputs, runnerFolder()));
      if (writesJobs()) {
        ProgramStart::Job clipJob;
        clipJob.script = jobScriptOf(recipe);
        clipJob.firstPass = job.colourMatch || !job.analysisGraphPath.empty();
        clipJob.progress = FfmpegJobScripts::progressFor(clipJob.script);
        clipJob.log = FfmpegJobScripts::logFor(clipJob.script);
        clipJob.frames = job.outputs.empty() ? 0 : job.outputs.front().frames;
        saveShellScript(
            jobScripts.script(i + 1, clips_.count, job, outputs, runnerFolder(), runnerName),
            clipJob.script);
        output.wroteClipFile(clipJob.script);
        // What the job reads, wherever it runs.
        clipJob.reads.push_back(clipJob.script);
        if (!job.analysisGraphPath.empty()) clipJob.reads.push_back(job.analysisGraphPath);
        clipJob.reads.push_back(job.graphPath);
        for (const FfmpegClipJob::Input& input : job.inputs) clipJob.reads.push_back(input.path);
        jobs_.push_back(std::move(clipJob));
      }
      std::vector<std::string> unfinished;
      for (const std::string& output : outputs) {
        unfinished.push_back(runner.unfinishedFileFor(output));
        unfinished.push_back(runner.taggingFileFor(output));
      }
      encodes_.push_back(std::move(outputs));
      unfinished_.push_back(std::move(unfinished));
    }
  }
  if (!runnerWriter) return;
  runnerWriter->append(runner.footer(clips_.count));
  runnerWriter->commit();
  if (runner.lineFeedsOnly()) platform::makeExecutable(runnerFile_);
  output.wroteBatchFile(runnerFile_);
  if (s_.RadioGroup_Encode_On == choices::EncodeOn::Slurm) {
    std::vector<std::string> scripts;
    for (const ProgramStart::Job& job : jobs_) scripts.push_back(job.script);
    const std::string batch = FfmpegJobScripts::batchFileFor(runnerFile_);
    saveShellScript(jobScripts.slurmBatch(scripts, runnerFolder(), runnerName), batch);
    output.wroteBatchFile(batch);
  }
}

std::vector<ProgramStart> FfmpegEngine::programs() const {
  // The runner takes no parameters and works in its own folder.
  if (!s_.CheckBox_Execute_ffmpeg || runnerFile_.empty()) return {};
  ProgramStart runner{runnerFile_, "", runnerFolder(), encodes_, unfinished_, needs_};
  if (writesJobs()) {
    runner.on = s_.RadioGroup_Encode_On;
    runner.jobs = jobs_;
    if (runner.on == choices::EncodeOn::Slurm) {
      runner.batchFile = FfmpegJobScripts::batchFileFor(runnerFile_);
      runner.partition = s_.Edit_Slurm_Partition;
      runner.clipsAtOnce = toInteger(s_.Edit_Slurm_Clips_At_Once);
    } else {
      runner.computers = s_.Edit_Parallel_Computers;
      runner.jobLog = FfmpegJobScripts::jobLogFor(runnerFile_);
    }
  }
  return {runner};
}

}  // namespace twinlens
