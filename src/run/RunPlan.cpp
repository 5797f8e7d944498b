#include "run/RunPlan.h"

#include <stdexcept>

#include "base/ShellWords.h"
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

// A clip's files are numbered within its block of numbers; the run's own files follow the last
// clip's block.
constexpr std::uint32_t kFilesPerClip = 256;

}  // namespace

RunPlan::RunPlan(const ConversionSettings& settings, PathStyle style, std::vector<std::string> left,
                 std::vector<std::string> right, std::size_t n, std::size_t m, Engine& engine)
    : s_(settings),
      style_(style),
      left_(std::move(left)),
      right_(std::move(right)),
      n_(n),
      m_(m),
      engine_(engine) {
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
}

void RunPlan::scanned(std::vector<ClipFacts> facts) {
  facts_ = std::move(facts);
  engine_.begin({n_, written_, [this](std::size_t i) { return clip(i); },
                 [this](std::size_t i) { return recipe(i); }});
}

ClipRecipe RunPlan::recipe(std::size_t i) const {
  return makeClipRecipe(s_, clip(i), i < facts_.size() ? facts_[i] : ClipFacts{});
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
  if (s_.RadioGroup_Import_Options == choices::ImportOptions::Pictures) {
    const bool separateInput = s_.RadioGroup_Input_Format == choices::InputFormat::Separate;
    names.leftPictures = pictureSequence(left_.front(), left_.back());
    names.rightPictures = (separateInput && !right_.empty())
                              ? pictureSequence(right_.front(), right_.back())
                              : names.leftPictures;
  }
  return names;
}

std::vector<RunPlan::File> RunPlan::filesOf(std::size_t i) const {
  std::vector<File> files;
  if (i >= n_) {
    for (RunFile& file : engine_.runFiles()) {
      files.push_back({std::move(file.path), Use::Written, {}, {}, std::move(file.title)});
    }
    return files;
  }
  const ClipRecipe made = recipe(i);
  const ClipNames& names = made.names;
  // A file read twice is one input.
  auto read = [&](const std::string& path) {
    for (const File& earlier : files) {
      if (paths::sameName(earlier.path, path, style_)) return;
    }
    files.push_back({path, Use::Read, {}, {}, {}});
  };
  read(names.leftFile);
  read(names.rightFile);
  read(left_[i]);
  if (i < right_.size()) read(right_[i]);

  for (std::string& path : engine_.clipFiles(made)) {
    files.push_back({std::move(path), Use::Written, {}, {}, {}});
  }
  for (EncodedFile& file : engine_.encodedFiles(made)) {
    files.push_back({std::move(file.path),
                     Use::Encoded,
                     std::move(file.maker),
                     std::move(file.source),
                     {},
                     file.video});
  }
  if (files.size() > kFilesPerClip) throw std::length_error("too many files for one clip");
  return files;
}

void RunPlan::checkClashes() const {
  RunFileIndex index(style_);
  const Shell shell = engine_.commandShell();
  auto add = [&](std::size_t clip) {
    const std::vector<File> files = filesOf(clip);
    for (std::uint32_t i = 0; i < files.size(); ++i) {
      // Every file is named on a command line or in a script's string.
      if (const auto fault = shellwords::unsafe(files[i].path, shell)) {
        throw Error("\"" + files[i].path +
                    "\" cannot be named on the run's command lines: it holds " + fault->what +
                    " at character " + std::to_string(fault->at));
      }
      // A folder of an encode's name would take the encoded file into it, or refuse it after
      // hours of encoding. (The system refuses the run's own files at once.)
      if (files[i].use == Use::Encoded && platform::folderExists(files[i].path)) {
        throw Error::cannotCreate(files[i].path, "A folder of that name is in its place");
      }
      index.add(files[i].path, static_cast<std::uint32_t>(clip) * kFilesPerClip + i);
    }
    // Every clip has about as many files as the first.
    if (clip == 0) index.reserve(written_ * (files.size() + 1) + kFilesPerClip);
  };
  for (std::size_t i = 0; i < written_; ++i) add(i);
  if (complete()) add(n_);  // the run's own files

  // The files of the clip looked at last, since the files of a clash lie in one or two clips.
  std::size_t cachedClip = n_ + 1;
  std::vector<File> cached;
  auto fileOf = [&](std::uint32_t number) -> const File& {
    if (number / kFilesPerClip != cachedClip) {
      cachedClip = number / kFilesPerClip;
      cached = filesOf(cachedClip);
    }
    return cached[number % kFilesPerClip];
  };
  auto owner = [&](std::uint32_t number) -> std::string {
    if (number / kFilesPerClip < n_) return "the clip \"" + left_[number / kFilesPerClip] + "\"";
    return fileOf(number).title;
  };

  const auto groups = index.sharedFiles([&](std::uint32_t number) { return fileOf(number).path; });
  for (const std::vector<std::uint32_t>& group : groups) {
    // The first two files of each use in the group; a file may be read twice.
    std::vector<std::uint32_t> read;
    std::vector<std::uint32_t> written;
    std::vector<std::uint32_t> encoded;
    for (const std::uint32_t number : group) {
      switch (fileOf(number).use) {
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
    const File first = fileOf(encoded.empty() ? written[0] : encoded[0]);
    const std::string& path = first.path;
    // A file the runner makes on its way is named by what makes it.
    std::string maker = first.maker;
    if (!maker.empty()) maker[0] = 'T';  // every maker's text begins with "the" or "ffmpeg"
    const bool video = encoded.empty() || fileOf(encoded[0]).video;
    if (!encoded.empty() && !read.empty()) {
      throw Error::cannotCreate(
          path, video ? "The encoded video would replace the input clip; set a file prefix "
                        "or choose another video extension"
                      : maker + " would replace the input clip; set a file prefix");
    }
    if (!written.empty() && !read.empty()) {
      throw Error::cannotCreate(path, "It is one of the input files");
    }
    if (encoded.size() > 1) {
      const std::string firstMaker = fileOf(encoded[0]).maker;
      const std::string secondMaker = fileOf(encoded[1]).maker;
      throw Error::cannotCreate(path, "Both " + firstMaker + " and " + secondMaker +
                                          " would write it; set a file prefix or choose another "
                                          "video extension");
    }
    if (!encoded.empty()) {
      throw Error::cannotCreate(
          path, video ? "The encoded video of \"" + first.source +
                            "\" would replace a file the run writes; choose another video "
                            "extension"
                      : maker + " would replace a file the run writes; set another file prefix");
    }
    if (written[0] / kFilesPerClip == written[1] / kFilesPerClip) {
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
