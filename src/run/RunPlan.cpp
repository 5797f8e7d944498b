#include "run/RunPlan.h"

#include "engines/avisynth/FfmpegBatch.h"
#include "engines/avisynth/VirtualDubJobs.h"
#include "engines/ffmpeg/FfmpegRunner.h"
#include "model/Choices.h"
#include "platform/FileSystem.h"
#include "run/RunFileIndex.h"

namespace twinlens {

namespace {

// The separated views of an MVC clip lie beside it under one of these pairs of endings; both of
// a pair must exist.
constexpr std::array<std::pair<const char*, const char*>, 2> kMvcPartnerEndings = {
    {{"-l.avi", "-r.avi"}, {"_l.avi", "_r.avi"}}};

std::string mvcStem(const std::string& original, PathStyle style) {
  return paths::dir(original, style) + paths::noext(paths::name(original, style), style);
}

std::optional<std::pair<std::string, std::string>> findMvcPartners(const std::string& original,
                                                                   PathStyle style) {
  const std::string stem = mvcStem(original, style);
  for (const auto& [leftEnding, rightEnding] : kMvcPartnerEndings) {
    std::string left = stem + leftEnding;
    std::string right = stem + rightEnding;
    if (platform::fileExists(left) && platform::fileExists(right)) {
      return std::pair{std::move(left), std::move(right)};
    }
  }
  return std::nullopt;
}

Error missingMvcPartner(const std::string& original, PathStyle style) {
  const std::string stem = mvcStem(original, style);
  std::string message = "The separated views of \"" + original + "\" are missing: neither";
  for (std::size_t i = 0; i < kMvcPartnerEndings.size(); ++i) {
    message += (i == 0 ? " \"" : " nor \"") + stem + kMvcPartnerEndings[i].first + "\" and \"" +
               stem + kMvcPartnerEndings[i].second + "\"";
  }
  return Error(message + " exist");
}

enum class Use { Read, Written, Encoded };

// What the message of a clash says of an encoded file.
std::string producerOf(std::uint32_t role, const RunPlan::File& file) {
  switch (role) {
    case RunPlan::kBatchOutput:
    case RunPlan::kBatchRightOutput:
      return "ffmpeg's encode of \"" + file.source + "\"";
    case RunPlan::kJobOutput:
    case RunPlan::kSecondJobOutput:
      return "VirtualDub's job for \"" + file.source + "\"";
    default:
      return "VirtualDub's deinterlacing of \"" + file.source + "\"";
  }
}

}  // namespace

RunPlan::RunPlan(const ConversionSettings& settings, PathStyle style, std::vector<std::string> left,
                 std::vector<std::string> right, std::size_t n, std::size_t m,
                 const FfmpegBatch* batch, const VirtualDubJobs* jobs)
    : s_(settings),
      style_(style),
      left_(std::move(left)),
      right_(std::move(right)),
      n_(n),
      m_(m),
      batch_(batch),
      jobs_(jobs),
      builder_(style),
      graphs_(style) {
  // An MVC clip without its partners ends the run there: the clips before it are written, the
  // run's own files are not.
  written_ = n_;
  for (std::size_t i = 0; s_.CheckBox_MVC_Ref && i < n_; ++i) {
    if (!pairOf(i)) {
      written_ = i;
      missingPartner_ = missingMvcPartner(left_[i], style_);
      break;
    }
  }
  if (!complete() || n_ == 0) return;

  // The run's own files are named after its last clip.
  const ClipNames last = clip(n_ - 1);
  if (batch_ != nullptr) {
    runFiles_[kBatchFile] = ffmpegEngine() ? FfmpegRunner(s_, style_).pathFor(last.primaryScript)
                                           : paths::noext(last.primaryScript, style_) + ".bat";
  }
  if (jobs_ != nullptr) {
    runFiles_[kFirstJobList] = VirtualDubJobs::firstListPath(s_, style_);
    if (s_.CheckBox_2VD) runFiles_[kSecondJobList] = VirtualDubJobs::secondListPath(s_, style_);
  }
  if (s_.RadioGroup_Colour_Match > 0 && !ffmpegEngine()) {
    runFiles_[kHistogramScript] =
        paths::dir(last.leftFile, style_) +
        paths::noext("Hist_" + paths::name(last.leftFile, style_), style_) + ".avs";
  }
}

std::optional<std::pair<std::string, std::string>> RunPlan::pairOf(std::size_t i) const {
  std::string l = left_[i];
  if (s_.CheckBox_MVC_Ref) return findMvcPartners(l, style_);
  std::string r = (n_ == m_ && i < right_.size()) ? right_[i] : l;
  return std::pair{std::move(l), std::move(r)};
}

ClipNames RunPlan::clip(std::size_t i) const {
  const auto pair = pairOf(i);
  if (!pair) throw *missingPartner_;
  ClipNames names = deriveClipNames(s_, pair->first, pair->second, style_);
  if (s_.RadioGroup_Import_Options == choices::kImportPictures) {
    const bool separateInput = s_.RadioGroup_Input_Format == choices::kInputSeparate;
    names.leftPictures = pictureSequence(left_.front(), left_.back());
    names.rightPictures = (separateInput && !right_.empty())
                              ? pictureSequence(right_.front(), right_.back())
                              : names.leftPictures;
  }
  return names;
}

bool RunPlan::ffmpegEngine() const {
  return s_.RadioGroup_Engine == choices::kEngineFfmpeg;
}

ClipJobScripts RunPlan::jobScripts(const ClipNames& clip) {
  return {clip.leftDeinterlaceScript, clip.rightDeinterlaceScript, clip.leftOutputScript,
          clip.rightOutputScript,     clip.sideBySideScript,       clip.overUnderScript};
}

RunPlan::ClipFiles RunPlan::filesOf(std::size_t i) const {
  ClipFiles files;
  if (i >= n_) {
    for (std::uint32_t role = kBatchFile; role <= kHistogramScript; ++role) {
      files[role].path = runFiles_[role];
    }
    return files;
  }
  const ClipNames names = clip(i);
  // A file read twice is one input.
  auto read = [&](Role role, const std::string& path) {
    for (std::uint32_t earlier = kInputLeft; earlier < role; ++earlier) {
      if (paths::sameName(files[earlier].path, path, style_)) return;
    }
    files[role].path = path;
  };
  read(kInputLeft, names.leftFile);
  read(kInputRight, names.rightFile);
  read(kSelectedLeft, left_[i]);
  if (i < right_.size()) read(kSelectedRight, right_[i]);

  std::uint32_t role = kFirstScript;
  const ClipRecipe recipe = makeClipRecipe(s_, names);
  if (ffmpegEngine()) {
    for (std::string& graph : graphs_.plan(recipe)) files[role++].path = std::move(graph);
  } else {
    for (PlannedScript& script : builder_.plan(recipe)) files[role++].path = std::move(script.path);
  }

  // The encoders run only when the run writes the batch file and the job lists.
  if (batch_ != nullptr && complete()) {
    std::uint32_t output = kBatchOutput;
    for (auto& file :
         batch_->encodedFiles(names.primaryScript, names.rightOutputScript, batchFolder())) {
      files[output++] = {std::move(file.video), std::move(file.script)};
    }
  }
  if (jobs_ != nullptr && complete()) {
    std::uint32_t output = kJobOutput;
    for (auto& saved : jobs_->savedVideos(jobScripts(names))) {
      files[output++] = {std::move(saved.video), std::move(saved.script)};
    }
  }
  // The intermediates the scripts open, which VirtualDub's deinterlacing makes.
  // (ffmpeg deinterlaces within the graph, with no intermediates.)
  if (s_.CheckBox_Output_DI && !ffmpegEngine()) {
    files[kLeftIntermediate] = {paths::noext(names.leftDeinterlaceScript, style_) + ".avi",
                                names.leftDeinterlaceScript};
    files[kRightIntermediate] = {paths::noext(names.rightDeinterlaceScript, style_) + ".avi",
                                 names.rightDeinterlaceScript};
  }
  return files;
}

void RunPlan::checkClashes() const {
  RunFileIndex index(style_);
  auto add = [&](std::size_t clip) {
    const ClipFiles files = filesOf(clip);
    std::size_t count = 0;
    for (std::uint32_t role = 0; role < kRoles; ++role) {
      if (!files[role].path.empty()) {
        index.add(files[role].path, static_cast<std::uint32_t>(clip * kRoles + role));
        ++count;
      }
    }
    // Every clip has about as many files as the first.
    if (clip == 0) index.reserve(written_ * (count + 1) + kRoles);
  };
  for (std::size_t i = 0; i < written_; ++i) add(i);
  if (complete()) add(n_);  // the run's own files

  // The files of the clip looked at last, since the files of a clash lie in one or two clips.
  std::size_t cachedClip = n_ + 1;
  ClipFiles cached;
  auto fileOf = [&](std::uint32_t number) -> const File& {
    if (number / kRoles != cachedClip) {
      cachedClip = number / kRoles;
      cached = filesOf(cachedClip);
    }
    return cached[number % kRoles];
  };
  auto useOf = [&](std::uint32_t number) {
    const std::uint32_t role = number % kRoles;
    if (number / kRoles >= n_ || (role >= kFirstScript && role < kBatchOutput)) return Use::Written;
    return role < kFirstScript ? Use::Read : Use::Encoded;
  };
  auto owner = [&](std::uint32_t number) -> std::string {
    if (number / kRoles < n_) return "the clip \"" + left_[number / kRoles] + "\"";
    switch (number % kRoles) {
      case kBatchFile:
        return "the batch file";
      case kHistogramScript:
        return "the histogram script";
      default:
        return "the VirtualDub job list";
    }
  };

  const auto groups = index.sharedFiles([&](std::uint32_t number) { return fileOf(number).path; });
  for (const std::vector<std::uint32_t>& group : groups) {
    // The first two files of each use in the group; a file may be read twice.
    std::vector<std::uint32_t> read;
    std::vector<std::uint32_t> written;
    std::vector<std::uint32_t> encoded;
    for (const std::uint32_t number : group) {
      switch (useOf(number)) {
        case Use::Read:
          read.push_back(number);
          break;
        case Use::Written:
          written.push_back(number);
          break;
        case Use::Encoded:
          encoded.push_back(number);
          break;
      }
    }
    if (written.empty() && encoded.empty()) continue;
    const std::string path = fileOf(encoded.empty() ? written[0] : encoded[0]).path;
    if (!encoded.empty() && !read.empty()) {
      throw Error::cannotCreate(path,
                                "The encoded video would replace the input clip; set a file prefix "
                                "or choose another video extension");
    }
    if (!written.empty() && !read.empty()) {
      throw Error::cannotCreate(path, "It is one of the input files");
    }
    if (encoded.size() > 1) {
      const std::string first = producerOf(encoded[0] % kRoles, fileOf(encoded[0]));
      const std::string second = producerOf(encoded[1] % kRoles, fileOf(encoded[1]));
      throw Error::cannotCreate(path, "Both " + first + " and " + second +
                                          " would write it; set a file prefix or choose another "
                                          "video extension");
    }
    if (!encoded.empty()) {
      throw Error::cannotCreate(path, "The encoded video of \"" + fileOf(encoded[0]).source +
                                          "\" would replace a file the run writes; choose another "
                                          "video extension");
    }
    if (written[0] / kRoles == written[1] / kRoles) {
      throw Error::cannotCreate(path, "Two scripts of " + owner(written[0]) +
                                          " would get this name; set another file prefix");
    }
    std::string both = owner(written[0]) + " and " + owner(written[1]);
    both[0] = 'T';  // both texts begin with "the"
    throw Error::cannotCreate(path, both +
                                        " would both write it; set another file prefix or "
                                        "rename one of the clips");
  }
}

}  // namespace twinlens
