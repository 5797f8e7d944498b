#include "run/ConversionRun.h"

#include <memory>
#include <utility>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/TextFile.h"
#include "engines/avisynth/FfmpegBatch.h"
#include "engines/avisynth/ScriptBuilder.h"
#include "engines/avisynth/VirtualDubJobs.h"
#include "engines/ffmpeg/FfmpegRunner.h"
#include "engines/ffmpeg/FfprobeMediaProbe.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/Choices.h"
#include "model/ClipNames.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPath.h"
#include "platform/TextFileWriter.h"
#include "platform/TextFiles.h"
#include "run/RunPlan.h"

namespace twinlens {

namespace {

// Both the batch file and VirtualDub get these; the batch file ignores them.
constexpr const char* kLaunchParameters = "/r /x";

std::string leftDialogTitle(const ConversionSettings& settings) {
  if (settings.CheckBox_MVC_Ref) return "Select original MVC video clip(s)";
  switch (settings.RadioGroup_Input_Format) {
    case choices::kInputSeparate:
      return "Select left input video clip(s)/pictures";
    case choices::kInputSideBySide:
    case choices::kInputOverUnder:
      return "Select stereo video clip(s)/pictures";
    default:
      return "Select 2D video clip(s)/pictures";
  }
}

// A dialog that returns no file at all is treated like a cancel.
std::vector<std::string> filesOrEmpty(std::optional<std::vector<std::string>> chosen) {
  return chosen ? std::move(*chosen) : std::vector<std::string>{};
}

}  // namespace

ConversionRun::ConversionRun(ConversionSettings& settings, RunFrontEnd& frontEnd, PathStyle style,
                             MediaProbe* probe)
    : settings_(settings), frontEnd_(frontEnd), style_(style), probe_(probe) {}

void ConversionRun::checkSettings() const {
  const ConversionSettings& s = settings_;
  if (!s.Edit_Offset.empty()) toInteger(s.Edit_Offset);
  toInteger(s.Edit_Audio_Frames_Cut);
  if (s.RadioGroup_Engine == choices::kEngineFfmpeg) {
    if (s.RadioGroup_Colour_Match != 0 && s.RadioGroup_Import_Options == choices::kImportPictures) {
      throw Error(
          "The ffmpeg engine matches the colours of video clips, not of pictures; choose \"No "
          "change\" under \"Colo(u)r match reference\" or the engine \"AviSynth scripts\"");
    }
    if (s.CheckBox_VD_MakeJobs) {
      throw Error(
          "VirtualDub job lists run AviSynth scripts; turn off \"Make VirtualDub Job file(s)\" "
          "or choose the engine \"AviSynth scripts\"");
    }
  }
  if (!s.CheckBox_VD_MakeJobs) return;

  // Every job carries the lines of one of these; all three must open.
  const std::pair<const std::string*, const char*> configurations[] = {
      {&s.VcfDeint, "VCF for deinterlacing"},
      {&s.VcfSeparate, "VCF for separate output"},
      {&s.VcfLR, "VCF for LR or OU output"}};
  for (const auto& [file, button] : configurations) {
    if (file->empty()) {
      throw Error(std::string("No VirtualDub configuration file is chosen; choose one with \"") +
                  button + "\"");
    }
    platform::loadTextFile(*file);
  }
  const std::string firstJobList = VirtualDubJobs::firstListPath(s, style_);
  // Without a VCF field naming its folder there is no VirtualDub: its job list would land in the
  // root folder, and nothing would be started.
  if (VirtualDubJobs::firstProgram(s, style_).empty()) {
    throw Error::cannotCreate(firstJobList, "No VCF field names the folder of VirtualDub");
  }
  // The even clips would go to a job list that no VirtualDub runs: without a second VirtualDub
  // it would lie in the root folder, and beside the first one it would replace the first list.
  if (s.CheckBox_2VD) {
    const std::string secondJobList = VirtualDubJobs::secondListPath(s, style_);
    if (s.Edit_VD2.empty()) {
      throw Error::cannotCreate(secondJobList, "No second VirtualDub is chosen");
    }
    if (paths::sameName(firstJobList, secondJobList, style_)) {
      throw Error::cannotCreate(secondJobList,
                                "The first VirtualDub's job list goes there; the second "
                                "VirtualDub needs a folder of its own");
    }
  }
}

void ConversionRun::M1Click() {
  const ConversionSettings& s = settings_;
  const bool separateInput = s.RadioGroup_Input_Format == choices::kInputSeparate;
  const bool pictures = s.RadioGroup_Import_Options == choices::kImportPictures;

  report_.clear();
  launchFailed_ = false;
  // A field the user must mend is told before any clip is picked.
  checkSettings();

  std::vector<std::string> left =
      filesOrEmpty(frontEnd_.openFiles({leftDialogTitle(s), s.PathLeft, /*multiple=*/true}));
  if (left.empty()) return;
  report_.begin();

  std::vector<std::string> right;
  const bool rightDialogShown = separateInput && !s.CheckBox_MVC_Ref;
  if (rightDialogShown) {
    right = filesOrEmpty(frontEnd_.openFiles(
        {"Select right input video clip(s)/pictures", s.PathRight, /*multiple=*/true}));
  }

  std::size_t n = left.size();
  std::size_t m = right.size();
  if (m == 0 && rightDialogShown) n = 0;
  if (pictures && n > 0) {
    n = 1;
    m = separateInput ? 1 : 0;
  }

  settings_.PathLeft = paths::dir(left.front(), style_);
  if (!right.empty()) {
    lastRightFolder_ = paths::dir(right.front(), style_);
    settings_.PathRight = n == m ? lastRightFolder_ : settings_.PathLeft;
  } else if (rightDialogShown) {
    settings_.PathRight = lastRightFolder_;
  } else {
    // No right dialog: the right view comes from the left file (one file holds both views, or
    // an MVC clip's partners lie beside it), so it shares the left folder.
    settings_.PathRight = settings_.PathLeft;
  }
  if (n == 0) {
    report_.noClips();
    return;
  }

  // The job lists come first: they read the configuration files.
  std::unique_ptr<VirtualDubJobs> jobs;
  if (s.CheckBox_VD_MakeJobs) {
    jobs = std::make_unique<VirtualDubJobs>(s, static_cast<int>(n), style_);
  }
  std::unique_ptr<FfmpegBatch> batch;
  if (s.CheckBox_ffmpeg_make) batch = std::make_unique<FfmpegBatch>(s, style_);

  try {
    const RunPlan plan(s, style_, std::move(left), std::move(right), n, m, batch.get(), jobs.get());
    plan.checkClashes();
    write(plan, batch.get(), jobs.get());
    launch(plan);
  } catch (const Error&) {
    // A program that did not start is told once every file is in place; anything else stops the
    // run.
    if (!launchFailed_) report_.stopped();
    throw;
  }
}

void ConversionRun::write(const RunPlan& plan, FfmpegBatch* batch, VirtualDubJobs* jobs) {
  if (plan.ffmpegEngine()) {
    writeGraphs(plan, batch);
    return;
  }
  const ConversionSettings& s = settings_;
  const std::string& batchFile = plan.runFile(RunPlan::kBatchFile);
  const std::string& histogramScript = plan.runFile(RunPlan::kHistogramScript);

  // The run's own files grow on disk as the clips go; a run that stops leaves none of them.
  std::optional<TextFileWriter> batchWriter;
  std::optional<TextFileWriter> firstJobs;
  std::optional<TextFileWriter> secondJobs;
  std::optional<TextFileWriter> histogramWriter;
  if (plan.complete()) {
    if (batch != nullptr) {
      batchWriter.emplace(batchFile);
      batchWriter->append(batch->header(paths::name(histogramScript, style_)));
    }
    if (jobs != nullptr) {
      firstJobs.emplace(plan.runFile(RunPlan::kFirstJobList));
      if (s.CheckBox_2VD) secondJobs.emplace(plan.runFile(RunPlan::kSecondJobList));
    }
    if (!histogramScript.empty()) histogramWriter.emplace(histogramScript);
  }

  for (std::size_t i = 0; i < plan.writtenClips(); ++i) {
    const ClipNames clip = plan.clip(i);
    TextFile histogram;
    for (const ScriptFile& script : plan.builder().build(makeClipRecipe(s, clip), histogram)) {
      platform::saveTextFile(script.lines, script.path);
      report_.wroteScript();
      frontEnd_.wrote(script.path);
    }
    if (histogramWriter) histogramWriter->append(histogram);
    if (batch != nullptr) {
      batch->addClip(clip.primaryScript, clip.rightOutputScript, clip.rightFolderPrefix);
      const TextFile commands = batch->takeCommands();
      if (batchWriter) batchWriter->append(commands);
    }
    if (jobs != nullptr) {
      jobs->addClip(static_cast<int>(i + 1), RunPlan::jobScripts(clip));
      const TextFile first = jobs->takeFirstList();
      const TextFile second = jobs->takeSecondList();
      if (firstJobs) firstJobs->append(first);
      if (secondJobs) secondJobs->append(second);
    }
  }
  if (plan.missingPartner()) throw *plan.missingPartner();

  auto commit = [&](std::optional<TextFileWriter>& writer, auto reportWritten) {
    if (!writer) return;
    writer->commit();
    reportWritten(writer->path());
    frontEnd_.wrote(writer->path());
  };
  commit(batchWriter, [&](const std::string& path) { report_.wroteBatchFile(path); });
  auto jobList = [&](const std::string& path) { report_.wroteJobList(path); };
  if (jobs != nullptr) {
    jobs->finish();
    firstJobs->append(jobs->takeFirstList());
    if (secondJobs) secondJobs->append(jobs->takeSecondList());
    commit(firstJobs, jobList);
    commit(secondJobs, jobList);
  }
  commit(histogramWriter, [&](const std::string&) { report_.wroteHistogramScript(); });
}

// The twinlens-cli that makes the colour tables: the one beside this program, else the one on the
// search path.
std::string ConversionRun::colourMatcherProgram() const {
  const std::string name = style_ == PathStyle::Windows ? "twinlens-cli.exe" : "twinlens-cli";
  const std::string beside = paths::dir(platform::programPath(), style_) + name;
  return platform::fileExists(beside) ? beside : name;
}

void ConversionRun::writeGraphs(const RunPlan& plan, const FfmpegBatch* batch) {
  const ConversionSettings& s = settings_;
  const bool pictures = s.RadioGroup_Import_Options == choices::kImportPictures;
  // Every clip is read, and its graphs composed, before the first file is written: a clip
  // ffmpeg cannot read, or a value its graph cannot take, stops the run with nothing written.
  std::optional<FfprobeMediaProbe> ffprobe;
  MediaProbe* probe = probe_;
  if (probe == nullptr && !pictures) probe = &ffprobe.emplace(s);
  std::vector<std::pair<std::optional<MediaInfo>, std::optional<MediaInfo>>> media(
      plan.writtenClips());
  for (std::size_t i = 0; i < plan.writtenClips(); ++i) {
    const ClipNames clip = plan.clip(i);
    if (!pictures) {
      media[i].first = probe->probe(clip.leftFile);
      media[i].second = paths::sameName(clip.leftFile, clip.rightFile, style_)
                            ? media[i].first
                            : probe->probe(clip.rightFile);
    }
    plan.graphBuilder().build(makeClipRecipe(s, clip, media[i].first, media[i].second));
  }

  const FfmpegRunner runner(s, style_, colourMatcherProgram());
  const std::string& runnerFile = plan.runFile(RunPlan::kBatchFile);
  std::optional<TextFileWriter> runnerWriter;
  if (batch != nullptr && plan.complete()) {
    runnerWriter.emplace(runnerFile, runner.lineFeedsOnly());
    runnerWriter->append(runner.header(plan.clipCount(), runnerFile));
  }
  for (std::size_t i = 0; i < plan.writtenClips(); ++i) {
    const ClipNames clip = plan.clip(i);
    const FfmpegClipJob job =
        plan.graphBuilder().build(makeClipRecipe(s, clip, media[i].first, media[i].second));
    auto save = [&](const TextFile& graph, const std::string& path) {
      platform::saveTextFile(graph, path);
      report_.wroteScript();
      frontEnd_.wrote(path);
    };
    if (!job.analysisGraphPath.empty()) save(job.analysisGraph, job.analysisGraphPath);
    save(job.graph, job.graphPath);
    if (runnerWriter) {
      std::vector<std::string> outputs;
      for (auto& file :
           batch->encodedFiles(clip.primaryScript, clip.rightOutputScript, plan.batchFolder())) {
        outputs.push_back(std::move(file.video));
      }
      runnerWriter->append(
          runner.clipCommands(i + 1, plan.clipCount(), job, outputs, plan.batchFolder()));
    }
  }
  if (plan.missingPartner()) throw *plan.missingPartner();
  if (runnerWriter) {
    runnerWriter->append(runner.footer(plan.clipCount()));
    runnerWriter->commit();
    if (runner.lineFeedsOnly()) platform::makeExecutable(runnerFile);
    report_.wroteBatchFile(runnerFile);
    frontEnd_.wrote(runnerFile);
  }
}

void ConversionRun::launch(const RunPlan& plan) {
  const ConversionSettings& s = settings_;
  // Every file is in place; a program that does not start is told once all were tried.
  std::string failures;
  auto start = [&](const std::string& file, const std::string& workingFolder) {
    // The runner script of the ffmpeg engine takes no parameters.
    const std::string reason = frontEnd_.launch(
        file,
        plan.ffmpegEngine() && file == plan.runFile(RunPlan::kBatchFile) ? "" : kLaunchParameters,
        workingFolder);
    report_.started({file, workingFolder, reason});
    if (reason.empty()) return;
    if (!failures.empty()) failures += ".\n";
    failures += "Cannot start \"" + file + "\". " + reason;
  };
  if (s.CheckBox_ffmpeg_make && s.CheckBox_Execute_ffmpeg) {
    // The batch file names the scripts relative to its own folder.
    start(plan.runFile(RunPlan::kBatchFile), plan.batchFolder());
  }
  if (s.CheckBox_VD_MakeJobs && s.CheckBox_Execute_VD) {
    start(VirtualDubJobs::firstProgram(s, style_), {});
    if (s.CheckBox_2VD && plan.clipCount() > 1) start(s.Edit_VD2, {});
  }
  if (!failures.empty()) {
    launchFailed_ = true;
    throw Error(failures);
  }
}

}  // namespace twinlens
