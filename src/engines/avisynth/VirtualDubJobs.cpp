#include "engines/avisynth/VirtualDubJobs.h"

#include "engines/avisynth/DeshakerPasses.h"
#include "platform/TextFiles.h"

namespace twinlens {

namespace {

// A path inside a Sylia string literal: backslashes start escapes there, so they are doubled. A
// double quote cannot occur in a Windows path but can in a POSIX one, and would end the string.
std::string escaped(const std::string& path) {
  std::string text;
  text.reserve(path.size() + 8);
  for (char c : path) {
    if (c == '\\' || c == '"') text.push_back('\\');
    text.push_back(c);
  }
  return text;
}

std::string upperHex(std::uint64_t value, std::size_t minimumDigits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  if (digits.size() < minimumDigits) digits.insert(0, minimumDigits - digits.size(), '0');
  return digits;
}

const std::string& firstVcfField(const ConversionSettings& s) {
  for (const std::string* field : {&s.Edit_vcf_deint, &s.Edit_vcf_separate, &s.Edit_vcf_LR}) {
    if (!field->empty()) return *field;
  }
  return s.Edit_vcf_deint;
}

std::string besideWith(const std::string& folder, PathStyle style, const char* name) {
  return folder + paths::separator(style) + name;
}

}  // namespace

std::string VirtualDubJobs::firstProgram(const ConversionSettings& settings, PathStyle style) {
  const std::string& vcf = firstVcfField(settings);
  return vcf.empty() ? std::string() : besideWith(paths::dir(vcf, style), style, "VirtualDub.exe");
}

std::string VirtualDubJobs::firstListPath(const ConversionSettings& settings, PathStyle style) {
  return besideWith(paths::dir(firstVcfField(settings), style), style, "VirtualDub.jobs");
}

std::string VirtualDubJobs::secondListPath(const ConversionSettings& settings, PathStyle style) {
  return besideWith(paths::dir(settings.Edit_VD2, style), style, "VirtualDub.jobs");
}

VirtualDubJobs::VirtualDubJobs(const ConversionSettings& settings, int clipCount, PathStyle style)
    : settings_(settings),
      conversion_(settings),
      style_(style),
      // All three are read even when no job of the run needs one: a missing file stops the run
      // before anything is written.
      deinterlaceConfig_(platform::loadTextFile(settings.VcfDeint)),
      separateConfig_(platform::loadTextFile(settings.VcfSeparate)),
      sideBySideConfig_(platform::loadTextFile(settings.VcfLR)) {
  const long long clips = clipCount > 0 ? clipCount : 0;
  const long long perClip = jobsPerClip();
  if (settings_.CheckBox_2VD) {
    addHeader(first_, (clips + 1) / 2 * perClip);
    addHeader(second_, clips / 2 * perClip);
  } else {
    addHeader(first_, clips * perClip);
  }
}

std::vector<VirtualDubJobs::FinalJob> VirtualDubJobs::finalJobs(
    const ClipJobScripts& scripts) const {
  switch (conversion_.layout()) {
    case recipe::OutputLayout::Separate:
      return {{scripts.leftOutputScript, &separateConfig_},
              {scripts.rightOutputScript, &separateConfig_}};
    case recipe::OutputLayout::SideBySide:
      return {{scripts.sideBySideScript, &sideBySideConfig_}};
    case recipe::OutputLayout::OverUnder:
    case recipe::OutputLayout::Interlaced:
      return {{scripts.overUnderScript, &sideBySideConfig_}};
    case recipe::OutputLayout::AnaglyphDubois:
    case recipe::OutputLayout::AnaglyphHalfColour:
    case recipe::OutputLayout::AnaglyphGrey:
      return {{scripts.anaglyphScript, &sideBySideConfig_}};
    case recipe::OutputLayout::Mono:
      return {{monoPassesTakeRightNames(conversion_) ? scripts.rightOutputScript
                                                     : scripts.leftOutputScript,
               &separateConfig_}};
    case recipe::OutputLayout::None:
      break;
  }
  // No output format chosen: there is no script to encode.
  return {};
}

int VirtualDubJobs::jobsPerClip() const {
  int jobs = deinterlaces() ? 2 : 0;
  if (!settings_.CheckBox_Output_DI_Phase) {
    // A deshaked script needs an analysis job before its encoding job.
    jobs += static_cast<int>(finalJobs(ClipJobScripts{}).size()) *
            (deshakerPassesApply(conversion_) ? 2 : 1);
  }
  return jobs;
}

void VirtualDubJobs::addHeader(TextFile& list, long long jobCount) {
  list.add("// VirtualDub job list (Sylia script format) done by Twinlens");
  list.add("// This is a program generated file -- edit at your own risk.");
  list.add("//");
  list.add("// $signature 0 1");
  list.add("// $numjobs " + std::to_string(jobCount));
  list.add("//");
  list.add("");
}

void VirtualDubJobs::addJob(TextFile& list, int& jobNumber, const std::string& script,
                            const std::string& video, const TextFile& config, bool nullPass) {
  ++jobNumber;
  ++identifierCounter_;
  list.add("// $job \"Job " + std::to_string(jobNumber) + "\"");
  list.add("// $input \"" + script + "\"");
  list.add("// $output \"" + video + "\"");
  list.add("// $state 0");
  list.add("// $id 88527e6a" + upperHex(identifierCounter_, 8));
  list.add("// $start_time 00000000 00000000");
  list.add("// $end_time 00000000 00000000");
  list.add("// $script");
  list.add("");
  list.add("VirtualDub.Open(\"" + escaped(script) + "\",\"\",0);");
  list.append(config);
  list.add("VirtualDub.subset.Delete();");
  list.add("VirtualDub.project.ClearTextInfo();");
  list.add("  // -- $reloadstop --");
  list.add(nullPass ? "VirtualDub.RunNullVideoPass();"
                    : "VirtualDub.SaveAVI(\"" + escaped(video) + "\");");
  list.add("VirtualDub.audio.SetSource(1);");
  list.add("VirtualDub.Close();");
  list.add("");
  list.add("// $endjob");
  list.add("//");
  list.add("//--------------------------------------------------");
}

void VirtualDubJobs::addClip(int index, const ClipJobScripts& scripts) {
  // With two VirtualDubs the even clips go to the second one, so both work at once.
  const bool second = settings_.CheckBox_2VD && index % 2 == 0;
  TextFile& list = second ? second_ : first_;
  int& jobNumber = second ? secondJobNumber_ : firstJobNumber_;

  // Deinterlacing first: the clip's other scripts read its intermediates.
  if (deinterlaces()) {
    for (const std::string* script :
         {&scripts.leftDeinterlaceScript, &scripts.rightDeinterlaceScript}) {
      addJob(list, jobNumber, *script, aviBeside(*script), deinterlaceConfig_, false);
    }
  }
  if (settings_.CheckBox_Output_DI_Phase) return;

  for (const FinalJob& job : finalJobs(scripts)) {
    const std::string video = aviBeside(job.script);
    if (deshakerPassesApply(conversion_)) {
      // The plain script is not written; Deshaker's first pass only analyses (it writes
      // Deshaker.log), the second encodes into the plain script's video.
      addJob(list, jobNumber, passScript(job.script, 1), video, *job.config, true);
      addJob(list, jobNumber, passScript(job.script, 2), video, *job.config, false);
    } else {
      addJob(list, jobNumber, job.script, video, *job.config, false);
    }
  }
}

std::vector<VirtualDubJobs::SavedVideo> VirtualDubJobs::savedVideos(
    const ClipJobScripts& scripts) const {
  std::vector<SavedVideo> videos;
  if (settings_.CheckBox_Output_DI_Phase) return videos;
  const bool passes = deshakerPassesApply(conversion_);
  for (const FinalJob& job : finalJobs(scripts)) {
    videos.push_back({aviBeside(job.script), passes ? passScript(job.script, 2) : job.script});
  }
  return videos;
}

std::string VirtualDubJobs::aviBeside(const std::string& script) const {
  return paths::noext(script, style_) + ".avi";
}

std::string VirtualDubJobs::passScript(const std::string& script, int pass) const {
  return paths::dir(script, style_) + "Deshake_" + std::to_string(pass) + "_" +
         paths::name(script, style_);
}

void VirtualDubJobs::finish() {
  first_.add("// $done");
  second_.add("// $done");
}

}  // namespace twinlens
