#include "engines/avisynth/AviSynthEngine.h"

#include <span>
#include <utility>

#include "base/DecimalText.h"
#include "base/Error.h"
#include "engines/CommandTexts.h"
#include "model/AlignWarp.h"
#include "platform/TextFileWriter.h"
#include "platform/TextFiles.h"

namespace twinlens {

namespace {

// Both the batch file and VirtualDub get these; the batch file ignores them.
constexpr const char* kLaunchParameters = "/r /x";

// The scripts one clip's jobs open.
ClipJobScripts jobScripts(const ClipNames& clip) {
  return {clip.leftDeinterlaceScript, clip.rightDeinterlaceScript, clip.leftOutputScript,
          clip.rightOutputScript,     clip.sideBySideScript,       clip.overUnderScript,
          clip.anaglyphScript};
}

// Where AviSynth's resizers leave more than half a pixel of vertical error (they turn nothing),
// the user is told, and pointed to the engine that corrects it.
void noteUncorrected(const ClipRecipe& recipe, EngineOutput& output) {
  const auto* align = recipe.find<recipe::Align>(View::Right);
  if (align == nullptr) return;
  const double left = AlignWarp(*align, false).uncorrectedVerticalPx();
  if (left <= 0.5) return;
  output.noted(recipe.names.leftFile,
               std::string("AviSynth scripts correct the views' vertical offset and zoom but not "
                           "their roll, toe-in and tilt, which leave up to ") +
                   fixedText(left, 1) +
                   " px of vertical error; the engine \"ffmpeg filters\" corrects them "
                   "too");
}

}  // namespace

AviSynthEngine::AviSynthEngine(const ConversionSettings& settings, PathStyle style)
    : s_(settings), style_(style), builder_(style) {}

void AviSynthEngine::checkSettings() const {
  const ConversionSettings& s = s_;
  checkCommandTexts(s, commandShell(), std::span(&commandtexts::kPrefix, 1));
  const std::string ffmpegEngine =
      std::string(choices::kEngine[static_cast<std::size_t>(choices::Engine::Ffmpeg)]);
  if (s.RadioGroup_Input_Format == choices::InputFormat::DualFisheye ||
      s.RadioGroup_Projection != choices::Projection::Flat) {
    throw Error(
        "AviSynth scripts cannot read a dual-fisheye recording or make VR180 or 360 video: "
        "choose the engine \"" +
        ffmpegEngine + "\"");
  }
  if (s.ComboBox_Target != choices::Target::Custom && s.ComboBox_Target != choices::Target::Unset) {
    throw Error("Outputs for a headset, player or screen (\"Target\") are made by the engine \"" +
                ffmpegEngine + "\"");
  }
  if (s.RadioGroup_Output_Format == choices::OutputFormat::AnaglyphDubois) {
    // Its colours mix all three channels of both views, which channel merging cannot.
    auto caption = [](choices::OutputFormat format) {
      return "\"" + std::string(choices::kOutputFormat[static_cast<std::size_t>(format)]) + "\"";
    };
    throw Error("AviSynth scripts cannot make the output format " +
                caption(choices::OutputFormat::AnaglyphDubois) + ": choose the engine \"" +
                ffmpegEngine + "\", or " + caption(choices::OutputFormat::AnaglyphHalfColour) +
                " or " + caption(choices::OutputFormat::AnaglyphGrey));
  }
  if (s.CheckBox_Deshake) {
    // The plug-in's file and the parameters stand in the pass scripts' strings.
    static constexpr CommandText kDeshaker[] = {
        {"DeshakerDir", "the Deshaker plug-in", CommandText::Use::Argument},
        {"DeshakePart1a", "the Deshaker parameters of the first pass", CommandText::Use::Opening},
        {"DeshakePart1b", "the Deshaker parameters of the second pass", CommandText::Use::Opening},
        {"DeshakePart2", "the Deshaker parameters' end", CommandText::Use::Closing}};
    checkCommandTexts(s, commandShell(), kDeshaker);
  }
  if (s.CheckBox_ffmpeg_make) checkCommandTexts(s, commandShell(), commandtexts::kFfmpeg);
  if (!s.CheckBox_VD_MakeJobs) return;
  // The configuration files are read, and VirtualDub is started from the folders of the fields.
  static constexpr CommandText kVirtualDub[] = {
      {"VcfDeint", "the VCF for deinterlacing", CommandText::Use::Argument},
      {"VcfSeparate", "the VCF for separate output", CommandText::Use::Argument},
      {"VcfLR", "the VCF for LR or OU output", CommandText::Use::Argument},
      {"Edit_vcf_deint", "the VCF for deinterlacing", CommandText::Use::Argument},
      {"Edit_vcf_separate", "the VCF for separate output", CommandText::Use::Argument},
      {"Edit_vcf_LR", "the VCF for LR or OU output", CommandText::Use::Argument}};
  checkCommandTexts(s, commandShell(), kVirtualDub);
  if (s.CheckBox_2VD) {
    static constexpr CommandText kSecond[] = {
        {"Edit_VD2", "the second VirtualDub", CommandText::Use::Argument}};
    checkCommandTexts(s, commandShell(), kSecond);
  }

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

ScanRequest AviSynthEngine::scanRequest() const {
  const ConversionPlan conversion(s_);
  if (!conversion.aligns() || conversion.pictures()) return {};
  // A measurement tells the views' size; typed values need it read.
  return {!conversion.measures(), false, conversion.measures()};
}

void AviSynthEngine::begin(const RunClips& clips) {
  clips_ = clips;
  conversion_.emplace(s_);
  // The job lists come first: they read the configuration files.
  if (s_.CheckBox_VD_MakeJobs) {
    jobs_ = std::make_unique<VirtualDubJobs>(s_, static_cast<int>(clips.count), style_);
  }
  if (s_.CheckBox_ffmpeg_make) batch_.emplace(s_, style_);
  if (!clips.complete() || clips.count == 0) return;

  // The run's own files are named after its last clip.
  const ClipNames last = clips.names(clips.count - 1);
  if (batch_) batchFile_ = paths::noext(last.primaryScript, style_) + ".bat";
  if (jobs_) {
    firstJobList_ = VirtualDubJobs::firstListPath(s_, style_);
    if (s_.CheckBox_2VD) secondJobList_ = VirtualDubJobs::secondListPath(s_, style_);
  }
  if (conversion_->matchesColours()) {
    histogramScript_ = paths::dir(last.leftFile, style_) +
                       paths::noext("Hist_" + paths::name(last.leftFile, style_), style_) + ".avs";
  }
}

std::vector<RunFile> AviSynthEngine::runFiles() const {
  std::vector<RunFile> files;
  if (!batchFile_.empty()) files.push_back({batchFile_, "the batch file"});
  if (!firstJobList_.empty()) files.push_back({firstJobList_, "the VirtualDub job list"});
  if (!secondJobList_.empty()) files.push_back({secondJobList_, "the VirtualDub job list"});
  if (!histogramScript_.empty()) files.push_back({histogramScript_, "the histogram script"});
  return files;
}

std::vector<std::string> AviSynthEngine::clipFiles(const ClipRecipe& clip) const {
  std::vector<std::string> files;
  for (PlannedScript& script : builder_.plan(clip)) {
    files.push_back(std::move(script.path));
  }
  return files;
}

std::vector<EncodedFile> AviSynthEngine::encodedFiles(const ClipRecipe& clipRecipe) const {
  const ClipNames& clip = clipRecipe.names;
  std::vector<EncodedFile> files;
  // The encoders run only when the run writes the batch file and the job lists.
  if (batch_ && clips_.complete()) {
    for (auto& file :
         batch_->encodedFiles(clip.primaryScript, clip.rightOutputScript, batchFolder())) {
      files.push_back(
          {std::move(file.video), "ffmpeg's encode of \"" + file.script + "\"", file.script});
    }
  }
  if (jobs_ && clips_.complete()) {
    for (auto& saved : jobs_->savedVideos(jobScripts(clip))) {
      files.push_back(
          {std::move(saved.video), "VirtualDub's job for \"" + saved.script + "\"", saved.script});
    }
  }
  // The intermediates the scripts open, which VirtualDub's deinterlacing makes.
  if (clipRecipe.has<recipe::Deinterlace>(View::Left)) {
    for (const std::string* script : {&clip.leftDeinterlaceScript, &clip.rightDeinterlaceScript}) {
      files.push_back({paths::noext(*script, style_) + ".avi",
                       "VirtualDub's deinterlacing of \"" + *script + "\"", *script});
    }
  }
  return files;
}

void AviSynthEngine::write(EngineOutput& output) {
  // The run's own files grow on disk as the clips go; a run that stops leaves none of them.
  std::optional<TextFileWriter> batchWriter;
  std::optional<TextFileWriter> firstJobs;
  std::optional<TextFileWriter> secondJobs;
  std::optional<TextFileWriter> histogramWriter;
  if (clips_.complete()) {
    if (batch_) {
      batchWriter.emplace(batchFile_);
      batchWriter->append(batch_->header(paths::name(histogramScript_, style_)));
    }
    if (jobs_) {
      firstJobs.emplace(firstJobList_);
      if (!secondJobList_.empty()) secondJobs.emplace(secondJobList_);
    }
    if (!histogramScript_.empty()) histogramWriter.emplace(histogramScript_);
  }

  for (std::size_t i = 0; i < clips_.written; ++i) {
    const ClipRecipe recipe = clips_.recipe(i);
    const ClipNames& clip = recipe.names;
    for (const std::string& note : recipe.notes) output.noted(clip.leftFile, note);
    noteUncorrected(recipe, output);
    TextFile histogram;
    for (const ScriptFile& script : builder_.build(recipe, histogram)) {
      platform::saveTextFile(script.lines, script.path);
      output.wroteClipFile(script.path);
    }
    if (histogramWriter) histogramWriter->append(histogram);
    if (batch_) {
      batch_->addClip(clip.primaryScript, clip.rightOutputScript, clip.rightFolderPrefix);
      const TextFile commands = batch_->takeCommands();
      if (batchWriter) batchWriter->append(commands);
    }
    if (jobs_) {
      jobs_->addClip(static_cast<int>(i + 1), jobScripts(clip));
      const TextFile first = jobs_->takeFirstList();
      const TextFile second = jobs_->takeSecondList();
      if (firstJobs) firstJobs->append(first);
      if (secondJobs) secondJobs->append(second);
    }
  }
  if (!clips_.complete()) return;

  if (batchWriter) {
    batchWriter->commit();
    output.wroteBatchFile(batchWriter->path());
  }
  if (jobs_) {
    jobs_->finish();
    firstJobs->append(jobs_->takeFirstList());
    if (secondJobs) secondJobs->append(jobs_->takeSecondList());
    for (std::optional<TextFileWriter>* list : {&firstJobs, &secondJobs}) {
      if (!*list) continue;
      (*list)->commit();
      output.wroteJobList((*list)->path());
    }
  }
  if (histogramWriter) {
    histogramWriter->commit();
    output.wroteHistogramScript(histogramWriter->path());
  }
}

std::vector<ProgramStart> AviSynthEngine::programs() const {
  std::vector<ProgramStart> programs;
  if (s_.CheckBox_ffmpeg_make && s_.CheckBox_Execute_ffmpeg) {
    // The batch file names the scripts relative to its own folder.
    programs.push_back({batchFile_, kLaunchParameters, batchFolder()});
  }
  if (s_.CheckBox_VD_MakeJobs && s_.CheckBox_Execute_VD) {
    programs.push_back({VirtualDubJobs::firstProgram(s_, style_), kLaunchParameters, {}});
    if (s_.CheckBox_2VD && clips_.count > 1)
      programs.push_back({s_.Edit_VD2, kLaunchParameters, {}});
  }
  return programs;
}

}  // namespace twinlens
