#pragma once

#include <cstdint>
#include <string>

#include "base/Paths.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// A numbered picture sequence: the path of a picture with its frame-number digits replaced by a
// "%0<w>d" field, and the numbers of the first and the last picture.
struct PictureSequence {
  std::string pattern;
  std::int64_t first = 0;
  std::int64_t last = 0;
  friend bool operator==(const PictureSequence&, const PictureSequence&) = default;
};

// Every name of one clip, derived from the settings and the clip's left and right file.
struct ClipNames {
  std::string leftFile;   // L, full path
  std::string rightFile;  // R, full path (L itself for single-file input)
  std::string stemPath;   // L with its left marker removed (L itself for mono output)
  std::string base;       // X: noext(Prefix + name(stem path))

  std::string leftDeinterlaceScript;   // full path
  std::string rightDeinterlaceScript;  // full path
  std::string leftIntermediate;        // bare file name
  std::string rightIntermediate;       // bare file name
  std::string leftOutputScript;        // full path
  std::string rightOutputScript;       // full path
  std::string sideBySideScript;        // full path
  std::string overUnderScript;         // full path
  std::string anaglyphScript;          // full path
  std::string primaryScript;           // one of the output scripts above, by output format
  std::string rightFolderPrefix;       // dir(R) relative to dir(L); empty when they share one

  PictureSequence leftPictures;   // picture import only
  PictureSequence rightPictures;  // picture import only

  friend bool operator==(const ClipNames&, const ClipNames&) = default;
};

// The stem path of a left file: every "-l.", "-L.", "_l.", "_L.", "-left.", "-Left.", "-LEFT.",
// "_left.", "_Left.", "_LEFT." in the whole path becomes ".".
std::string stemPathOf(const std::string& leftFile);

// The names of one clip (the picture sequences are left empty; see pictureSequence()). When the
// left and right file are one file, its two views deinterlace into "DI_<base>_L" and
// "DI_<base>_R" scripts and intermediates, so neither replaces the other.
ClipNames deriveClipNames(const ConversionSettings& settings, const std::string& leftFile,
                          const std::string& rightFile, PathStyle style = nativePathStyle());

// The picture pattern of `lastFile` with the first number taken from `firstFile` and the last
// from `lastFile`. A path with no dot, or no digit before its last dot, raises
// "'<path>' is not a valid integer value".
PictureSequence pictureSequence(const std::string& firstFile, const std::string& lastFile);

}  // namespace twinlens
