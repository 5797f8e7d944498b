#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Paths.h"
#include "base/TextFile.h"
#include "model/ConversionPlan.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The scripts one clip's jobs open (full paths).
struct ClipJobScripts {
  std::string leftDeinterlaceScript;
  std::string rightDeinterlaceScript;
  std::string leftOutputScript;
  std::string rightOutputScript;
  std::string sideBySideScript;
  std::string overUnderScript;
  std::string anaglyphScript;
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

  // Where the VirtualDubs are: the first in the folder of the first VCF field that names a file
  // (empty when none does), the second as chosen. Their job lists lie beside them; the folder
  // texts already end in a separator, and the doubled one is harmless.
  static std::string firstProgram(const ConversionSettings& settings, PathStyle style);
  static std::string firstListPath(const ConversionSettings& settings, PathStyle style);
  static std::string secondListPath(const ConversionSettings& settings, PathStyle style);

  const TextFile& firstList() const { return first_; }
  const TextFile& secondList() const { return second_; }

  // The lines of each list made since the last call, handed over so that a long run keeps none
  // of them.
  TextFile takeFirstList() { return std::exchange(first_, TextFile{}); }
  TextFile takeSecondList() { return std::exchange(second_, TextFile{}); }

  // A video a final-output job saves, and the script it opens.
  struct SavedVideo {
    std::string video;
    std::string script;
  };
  // The videos the final-output jobs of one clip save (Deshaker's analysis passes save none).
  std::vector<SavedVideo> savedVideos(const ClipJobScripts& scripts) const;

 private:
  // Job identifiers continue VirtualDub's own numbering; the first job gets the next value.
  static constexpr std::uint64_t kFirstIdentifierCounter = 540647;  // 0x83FE7

  // A final-output job: the script it encodes and the configuration it carries.
  struct FinalJob {
    std::string script;
    const TextFile* config;
  };

  bool deinterlaces() const { return conversion_.has<recipe::Deinterlace>(View::Left); }
  int jobsPerClip() const;
  std::vector<FinalJob> finalJobs(const ClipJobScripts& scripts) const;
  std::string aviBeside(const std::string& script) const;
  std::string passScript(const std::string& script, int pass) const;
  static void addHeader(TextFile& list, long long jobCount);
  // One job block; `nullPass` runs the script without saving (Deshaker's analysis pass).
  void addJob(TextFile& list, int& jobNumber, const std::string& script, const std::string& video,
              const TextFile& config, bool nullPass);

  const ConversionSettings& settings_;
  ConversionPlan conversion_;  // what every clip of the run does
  PathStyle style_;
  TextFile deinterlaceConfig_;
  TextFile separateConfig_;
  TextFile sideBySideConfig_;
  TextFile first_;
  TextFile second_;
  int firstJobNumber_ = 0;
  int secondJobNumber_ = 0;
  std::uint64_t identifierCounter_ = kFirstIdentifierCounter;
};

}  // namespace twinlens
