#include "engine/ConversionRun.h"

#include <memory>
#include <unordered_set>
#include <utility>

#include "engine/Choices.h"
#include "engine/ClipNames.h"
#include "engine/Error.h"
#include "engine/ScriptBuilder.h"
#include "engine/TextFile.h"
#include "handoff/FfmpegBatch.h"
#include "handoff/VirtualDubJobs.h"
#include "platform/FileSystem.h"

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

// The separated views of an MVC clip lie beside it as "<base>-l.avi"/"<base>-r.avi" or
// "<base>_l.avi"/"<base>_r.avi"; both of a pair must exist.
std::optional<std::pair<std::string, std::string>> findMvcPartners(const std::string& original,
                                                                   PathStyle style) {
  const std::string stem =
      paths::dir(original, style) + paths::noext(paths::name(original, style), style);
  for (const char* marker : {"-", "_"}) {
    std::string left = stem + marker + "l.avi";
    std::string right = stem + marker + "r.avi";
    if (platform::fileExists(left) && platform::fileExists(right)) {
      return std::pair{std::move(left), std::move(right)};
    }
  }
  return std::nullopt;
}

const std::string& firstNonEmpty(std::initializer_list<const std::string*> texts) {
  static const std::string empty;
  for (const std::string* text : texts) {
    if (!text->empty()) return *text;
  }
  return empty;
}

}  // namespace

ConversionRun::ConversionRun(ConversionSettings& settings, RunFrontEnd& frontEnd, PathStyle style)
    : settings_(settings), frontEnd_(frontEnd), style_(style) {}

void ConversionRun::M1Click() {
  const ConversionSettings& s = settings_;
  const bool separateInput = s.RadioGroup_Input_Format == choices::kInputSeparate;
  const bool pictures = s.RadioGroup_Import_Options == choices::kImportPictures;

  std::vector<std::string> left =
      filesOrEmpty(frontEnd_.openFiles({leftDialogTitle(s), s.PathLeft, /*multiple=*/true}));
  if (left.empty()) return;

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

  // The job lists come first: a configuration file that cannot be read stops the run before
  // anything is written.
  std::unique_ptr<VirtualDubJobs> jobs;
  if (s.CheckBox_VD_MakeJobs) {
    jobs = std::make_unique<VirtualDubJobs>(s, static_cast<int>(n), style_);
  }
  // The configuration folders already end in a separator; the doubled one is harmless.
  const std::string separator(1, paths::separator(style_));
  const std::string& firstVcf =
      firstNonEmpty({&s.Edit_vcf_deint, &s.Edit_vcf_separate, &s.Edit_vcf_LR});
  const std::string firstVcfFolder = paths::dir(firstVcf, style_);
  const std::string firstProgram =
      firstVcf.empty() ? std::string() : firstVcfFolder + separator + "VirtualDub.exe";
  const std::string firstJobList = firstVcfFolder + separator + "VirtualDub.jobs";
  const std::string secondJobList = paths::dir(s.Edit_VD2, style_) + separator + "VirtualDub.jobs";
  // Without a VCF field naming its folder there is no VirtualDub: its job list would land in the
  // root folder, and nothing would be started.
  if (jobs && n > 0 && firstVcf.empty()) {
    throw Error::cannotCreate(firstJobList, "No VCF field names the folder of VirtualDub");
  }
  // The even clips would go to a job list that no VirtualDub runs: without a second VirtualDub
  // it would lie in the root folder, and beside the first one it would replace the first list.
  if (jobs && s.CheckBox_2VD && n > 0) {
    if (s.Edit_VD2.empty()) {
      throw Error::cannotCreate(secondJobList, "No second VirtualDub is chosen");
    }
    if (paths::sameName(firstJobList, secondJobList, style_)) {
      throw Error::cannotCreate(secondJobList,
                                "The first VirtualDub's job list goes there; the second "
                                "VirtualDub needs a folder of its own");
    }
  }
  std::unique_ptr<FfmpegBatch> batch;
  if (s.CheckBox_ffmpeg_make) batch = std::make_unique<FfmpegBatch>(s, style_);
  TextFile histogram;

  // Never write over a file the run reads: a mono ".avs" input would otherwise be replaced by a
  // script that opens itself.
  auto inputKey = [&](std::string path) {
    if (style_ == PathStyle::Windows) {
      for (char& c : path) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return path;
  };
  std::unordered_set<std::string> inputs;
  for (const auto* selection : {&left, &right}) {
    for (const auto& file : *selection) inputs.insert(inputKey(file));
  }
  auto write = [&](const TextFile& file, const std::string& path) {
    if (inputs.contains(inputKey(path))) {
      throw Error::cannotCreate(path, "It is one of the input files");
    }
    file.save(path);
    frontEnd_.wrote(path);
  };

  const ScriptBuilder builder(s, style_);
  std::string lastPrimaryScript;
  std::string lastLeftFile;
  for (std::size_t i = 0; i < n; ++i) {
    std::string l = left[i];
    std::string r = (n == m && i < right.size()) ? right[i] : l;
    if (s.CheckBox_MVC_Ref) {
      auto partners = findMvcPartners(l, style_);
      if (!partners) return;  // no pair: the run ends quietly, earlier scripts stay
      l = std::move(partners->first);
      r = std::move(partners->second);
      inputs.insert(inputKey(l));
      inputs.insert(inputKey(r));
    }

    ClipNames clip = deriveClipNames(s, l, r, style_);
    if (pictures) {
      clip.leftPictures = pictureSequence(left.front(), left.back());
      clip.rightPictures = (separateInput && !right.empty())
                               ? pictureSequence(right.front(), right.back())
                               : clip.leftPictures;
    }

    // The clip's scripts live only until they are written, so a long run keeps no more than
    // one clip's lines besides the batch commands and the job lists.
    for (const ScriptFile& script : builder.build(clip, histogram)) {
      write(script.lines, script.path);
    }

    if (batch) batch->addClip(clip.primaryScript, clip.rightOutputScript, clip.rightFolderPrefix);
    if (jobs) {
      jobs->addClip(static_cast<int>(i + 1),
                    {clip.leftDeinterlaceScript, clip.rightDeinterlaceScript, clip.leftOutputScript,
                     clip.rightOutputScript, clip.sideBySideScript, clip.overUnderScript});
    }
    lastPrimaryScript = clip.primaryScript;
    lastLeftFile = l;
  }
  if (n == 0) return;

  // The run's own files are named after its last clip.
  const std::string histogramScript =
      paths::dir(lastLeftFile, style_) +
      paths::noext("Hist_" + paths::name(lastLeftFile, style_), style_) + ".avs";
  const std::string batchFile = paths::noext(lastPrimaryScript, style_) + ".bat";

  if (batch) {
    write(batch->finish(paths::name(histogramScript, style_)), batchFile);
  }
  if (jobs) {
    jobs->finish();
    write(jobs->firstList(), firstJobList);
    if (s.CheckBox_2VD) write(jobs->secondList(), secondJobList);
  }
  if (s.RadioGroup_Colour_Match > 0) {
    write(histogram, histogramScript);
  }

  if (s.CheckBox_ffmpeg_make && s.CheckBox_Execute_ffmpeg) {
    // The batch file names the scripts relative to its own folder.
    frontEnd_.launch(batchFile, kLaunchParameters, paths::dir(batchFile, style_));
  }
  if (s.CheckBox_VD_MakeJobs && s.CheckBox_Execute_VD) {
    frontEnd_.launch(firstProgram, kLaunchParameters, {});
    if (s.CheckBox_2VD && n > 1) frontEnd_.launch(s.Edit_VD2, kLaunchParameters, {});
  }
}

}  // namespace twinlens
