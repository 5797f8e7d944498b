#include "model/ClipNames.h"

#include <array>
#include <limits>
#include <string_view>

#include "base/Error.h"
#include "model/Choices.h"

namespace twinlens {

namespace {

// The markers that tell a left file from its partner, in the order they are removed.
constexpr std::array<std::string_view, 10> kLeftMarkers = {
    "-l.", "-L.", "_l.", "_L.", "-left.", "-Left.", "-LEFT.", "_left.", "_Left.", "_LEFT."};
constexpr std::string_view kPlaceholder = "_$#.";

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t pos = text.find(from); pos != std::string_view::npos;
       pos = text.find(from, start)) {
    result.append(text.substr(start, pos - start)).append(to);
    start = pos + from.size();
  }
  result.append(text.substr(start));
  return result;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The frame-number digits of a picture path: [first, last] as indices into the path.
struct DigitRun {
  std::size_t first;
  std::size_t last;
};

DigitRun frameNumberDigits(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) throw Error::notAnInteger(path);
  std::size_t end = dot;  // one past the digit being looked for
  while (end > 0 && !isDigit(path[end - 1])) --end;
  if (end == 0) throw Error::notAnInteger(path);
  std::size_t begin = end - 1;
  while (begin > 0 && isDigit(path[begin - 1])) --begin;
  return {begin, end - 1};
}

std::int64_t frameNumber(const std::string& path, DigitRun digits) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (std::size_t i = digits.first; i <= digits.last; ++i) {
    const int digit = path[i] - '0';
    if (value > (kMax - digit) / 10) throw Error::notAnInteger(path);
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

std::string stemPathOf(const std::string& leftFile) {
  std::string stem = leftFile;
  for (const auto marker : kLeftMarkers) stem = replaceAll(stem, marker, kPlaceholder);
  return replaceAll(stem, kPlaceholder, ".");
}

ClipNames deriveClipNames(const ConversionSettings& settings, const std::string& leftFile,
                          const std::string& rightFile, PathStyle style) {
  using paths::dir;
  using paths::name;
  using paths::noext;

  const choices::OutputFormat output = settings.RadioGroup_Output_Format;
  const bool mono = output == choices::OutputFormat::Mono;

  ClipNames names;
  names.leftFile = leftFile;
  names.rightFile = rightFile;
  // Mono output keeps the marker: the single script is named after the left file as it is.
  names.stemPath = mono ? leftFile : stemPathOf(leftFile);
  names.base = noext(settings.Prefix + name(names.stemPath, style), style);

  const std::string leftFolder = dir(leftFile, style);
  const std::string rightFolder = dir(rightFile, style);
  const std::string leftDi = noext("DI_" + name(leftFile, style), style);
  const std::string rightDi = noext("DI_" + name(rightFile, style), style);
  // Both views of a single file would otherwise share one deinterlace script and one
  // intermediate, the right view's overwriting the left's.
  const bool oneFile = paths::sameName(leftFile, rightFile, style);
  const std::string leftTag = oneFile ? "_L" : "";
  const std::string rightTag = oneFile ? "_R" : "";
  names.leftDeinterlaceScript = leftFolder + leftDi + leftTag + ".avs";
  names.rightDeinterlaceScript = rightFolder + rightDi + rightTag + ".avs";
  names.leftIntermediate = leftDi + leftTag + ".avi";
  names.rightIntermediate = rightDi + rightTag + ".avi";

  const std::string stemFolder = dir(names.stemPath, style);
  // VR players tell a half sphere from a flat picture by the name.
  const choices::Projection sphere = settings.RadioGroup_Projection;
  const std::string projection = !settings.CheckBox_Player_Tags           ? ""
                                 : sphere == choices::Projection::VR180   ? "_180"
                                 : sphere == choices::Projection::Full360 ? "_360"
                                                                          : "";
  names.leftOutputScript = leftFolder + names.base + (mono ? "" : "_L") + projection + ".avs";
  names.rightOutputScript = rightFolder + names.base + (mono ? "" : "_R") + projection + ".avs";
  names.sideBySideScript = stemFolder + names.base + "_LR" + projection + ".avs";
  names.overUnderScript = stemFolder + names.base + "_OU" + projection + ".avs";
  names.anaglyphScript = stemFolder + names.base + "_Anaglyph.avs";
  switch (output) {
    case choices::OutputFormat::SideBySide:
      names.primaryScript = names.sideBySideScript;
      break;
    case choices::OutputFormat::OverUnder:
    case choices::OutputFormat::Interlaced:
      names.primaryScript = names.overUnderScript;
      break;
    case choices::OutputFormat::AnaglyphDubois:
    case choices::OutputFormat::AnaglyphHalfColour:
    case choices::OutputFormat::AnaglyphGrey:
      names.primaryScript = names.anaglyphScript;
      break;
    default:
      names.primaryScript = names.leftOutputScript;
      break;
  }
  names.rightFolderPrefix = paths::relativeFolder(leftFolder, rightFolder, style);
  return names;
}

PictureSequence pictureSequence(const std::string& firstFile, const std::string& lastFile) {
  const DigitRun firstDigits = frameNumberDigits(firstFile);
  const DigitRun lastDigits = frameNumberDigits(lastFile);

  PictureSequence sequence;
  sequence.first = frameNumber(firstFile, firstDigits);
  sequence.last = frameNumber(lastFile, lastDigits);
  const std::size_t width = lastDigits.last - lastDigits.first + 1;
  sequence.pattern = lastFile.substr(0, lastDigits.first) + "%0" + std::to_string(width) + "d" +
                     lastFile.substr(lastDigits.last + 1);
  return sequence;
}

}  // namespace twinlens
