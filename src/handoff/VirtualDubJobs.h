#pragma once

#include <cstdint>
#include <string>

#include "engine/ConversionSettings.h"
#include "engine/Paths.h"
#include "engine/TextFile.h"

namespace twinlens {

// The scripts one clip's jobs open (full paths).
struct ClipJobScripts {
  std::string leftDeinterlaceScript;
  std::string rightDeinterlaceScript;
  std::string leftOutputScript;
  std::string rightOutputScript;
  std::string sideBySideScript;
  std::string overUnderScript;
};

// The one or two VirtualDub job lists of a run.
class VirtualDubJobs {
 public:
  // Reads the three configuration files (VcfDeint, VcfSeparate, VcfLR; a file that cannot be
  // opened raises `Cannot open file "<path>". <reason>`) and writes the headers for `clipCount`
  // clips.
  VirtualDubJobs(const ConversionSettings& settings, int clipCount,
                 PathStyle style = nativePathStyle());

  // The jobs of clip `index` (1-based), to the second list when two VirtualDubs are used and the
  // index is even, else to the first.
  void addClip(int index, const ClipJobScripts& scripts);

  // Appends "// $done" to both lists.
  void finish();

  const TextFile& firstList() const { return first_; }
  const TextFile& secondList() const { return second_; }

 private:
  // Implementation details are the implementer's.
  const ConversionSettings& settings_;
  PathStyle style_;
  TextFile first_;
  TextFile second_;
};

}  // namespace twinlens
