#include "engines/ffmpeg/FfmpegJobScripts.h"

#include <algorithm>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/Paths.h"
#include "model/Choices.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the messages are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

constexpr PathStyle kPosix = PathStyle::Posix;

bool isWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

bool isWord(std::string_view text) {
  return !text.empty() && text.front() != '-' &&
         std::all_of(text.begin(), text.end(), isWordCharacter);
}

// A whole number of at least 1, as typed.
bool isCount(const std::string& text) {
  const std::optional<std::int32_t> number = tryToInteger(text);
  return number && *number >= 1 && text.find_first_not_of("0123456789") == std::string::npos;
}

// Memory as sbatch --mem takes it: a number of megabytes, or one with its unit.
bool isMemory(const std::string& text) {
  if (text.empty()) return false;
  std::string digits = text;
  if (std::string_view("KMGT").find(digits.back()) != std::string_view::npos) digits.pop_back();
  return isCount(digits);
}

// "2/studio1": the clips at once, then the ssh name ("user@host" too).
bool isComputer(std::string_view entry) {
  const std::size_t slash = entry.find('/');
  if (slash != std::string_view::npos) {
    if (!isCount(std::string(entry.substr(0, slash)))) return false;
    entry.remove_prefix(slash + 1);
  }
  const std::size_t at = entry.find('@');
  if (at != std::string_view::npos) {
    if (!isWord(entry.substr(0, at))) return false;
    entry.remove_prefix(at + 1);
  }
  return isWord(entry);
}

// Slurm's job name: the run's name in the characters every Slurm tool shows as they are.
std::string jobName(const std::string& runnerName) {
  std::string name = paths::noext(runnerName, kPosix);
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !isWordCharacter(c); }, '_');
  return "twinlens-" + name;
}

}  // namespace

FfmpegJobScripts::FfmpegJobScripts(const ConversionSettings& settings, const FfmpegRunner& runner)
    : settings_(settings), runner_(runner) {}

void FfmpegJobScripts::checkSettings(const ConversionSettings& s) {
  if (s.RadioGroup_Encode_On == choices::EncodeOn::Slurm) {
    if (!s.Edit_Slurm_Partition.empty() && !isWord(s.Edit_Slurm_Partition)) {
      throw Error("The Slurm partition (Edit_Slurm_Partition) must be a partition's name, not \"" +
                  s.Edit_Slurm_Partition + "\"");
    }
    if (!isCount(s.Edit_Slurm_Clips_At_Once)) {
      throw Error(
          "The clips at once (Edit_Slurm_Clips_At_Once) must be a whole number from 1, not \"" +
          s.Edit_Slurm_Clips_At_Once + "\"");
    }
    if (!s.Edit_Slurm_CPUs.empty() && !isCount(s.Edit_Slurm_CPUs)) {
      throw Error("The CPUs per clip (Edit_Slurm_CPUs) must be a whole number from 1, not \"" +
                  s.Edit_Slurm_CPUs + "\"");
    }
    if (!s.Edit_Slurm_Memory.empty() && !isMemory(s.Edit_Slurm_Memory)) {
      throw Error(
          "The memory per clip (Edit_Slurm_Memory) must be megabytes, or a number with K, M, G "
          "or T (4G), not \"" +
          s.Edit_Slurm_Memory + "\"");
    }
  }
  if (s.RadioGroup_Encode_On == choices::EncodeOn::Parallel) {
    const std::string& list = s.Edit_Parallel_Computers;
    if (list.empty()) {
      throw Error(
          "Name the computers GNU parallel encodes on under \"Computers\" "
          "(Edit_Parallel_Computers): "
          "their ssh names, comma separated, N/name for N clips at once");
    }
    std::size_t from = 0;
    for (;;) {
      const std::size_t comma = list.find(',', from);
      const std::string entry =
          list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
      if (!isComputer(entry)) {
        throw Error("\"" + entry +
                    "\" is no computer of the list (Edit_Parallel_Computers): each is an ssh "
                    "name (host or user@host), N/name for N clips at once");
      }
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
  }
}

std::string FfmpegJobScripts::scriptFor(const std::string& graphPath, const std::string& folder) {
  return folder + paths::name(paths::noext(graphPath, kPosix), kPosix) + ".job.sh";
}

std::string FfmpegJobScripts::progressFor(const std::string& script) {
  return paths::noext(paths::noext(script, kPosix), kPosix) + ".progress";
}

std::string FfmpegJobScripts::logFor(const std::string& script) {
  return paths::noext(script, kPosix) + ".log";
}

std::string FfmpegJobScripts::batchFileFor(const std::string& runnerPath) {
  return paths::noext(runnerPath, kPosix) + ".sbatch";
}

std::string FfmpegJobScripts::jobLogFor(const std::string& runnerPath) {
  return paths::noext(runnerPath, kPosix) + ".joblog";
}

TextFile FfmpegJobScripts::script(std::size_t number, std::size_t clips, const FfmpegClipJob& job,
                                  const std::vector<std::string>& outputFiles,
                                  const std::string& folder, const std::string& runnerName) const {
  const FfmpegRunner::ClipSteps steps =
      runner_.steps(number, clips, job, outputFiles, folder, /*portable=*/true);
  const std::string name = paths::name(scriptFor(job.graphPath, folder), kPosix);
  TextFile lines{"#!/bin/sh",
                 "# Clip " + std::to_string(number) + " of " + std::to_string(clips) + " of \"" +
                     runnerName + "\", encoded by ffmpeg on the computer that runs it.",
                 "# \"sh " + name +
                     " first-pass\" makes what its encode reads first (colour "
                     "tables, motion analysis), \"sh " +
                     name + " encode\" the rest; bare, both.",
                 "cd \"$(dirname \"$0\")\" || exit 1",
                 "case \"${1-}\" in \"\" | first-pass | encode) ;; *) echo \"No such part: $1\" "
                 ">&2; exit 2 ;; esac"};
  if (!steps.firstPass.empty()) {
    lines.add("if [ \"${1-}\" != encode ]; then " + FfmpegRunner::chained(steps.firstPass) +
              " || { " + steps.failed + "; exit 1; }; fi");
  }
  lines.add("[ \"${1-}\" != first-pass ] || exit 0");
  lines.add(steps.starts);
  lines.add("if " + FfmpegRunner::chained(steps.encode) + "; then :; else rm -f" +
            steps.unfinished + "; " + steps.failed + "; exit 1; fi");
  return lines;
}

TextFile FfmpegJobScripts::slurmBatch(const std::vector<std::string>& scripts,
                                      const std::string& folder,
                                      const std::string& runnerName) const {
  const std::string count = std::to_string(scripts.size());
  const std::string self = paths::name(batchFileFor(runnerName), kPosix);
  const std::string atOnce = settings_.Edit_Slurm_Clips_At_Once;
  TextFile lines{"#!/bin/sh",
                 "# The encodes of the " + count + " clips of \"" + runnerName +
                     "\" as Slurm job arrays, task N running clip N.",
                 "# Submitted in its folder: first=$(sbatch --parsable --array=1-" + count + "%" +
                     atOnce + " " + self + " first-pass)",
                 "# then: sbatch --array=1-" + count + "%" + atOnce +
                     " --dependency=aftercorr:$first --kill-on-invalid-dep=yes " + self + " encode",
                 "#SBATCH --job-name=" + jobName(runnerName)};
  if (!settings_.Edit_Slurm_Partition.empty()) {
    lines.add("#SBATCH --partition=" + settings_.Edit_Slurm_Partition);
  }
  if (!settings_.Edit_Slurm_CPUs.empty()) {
    lines.add("#SBATCH --cpus-per-task=" + settings_.Edit_Slurm_CPUs);
  }
  if (!settings_.Edit_Slurm_Memory.empty())
    lines.add("#SBATCH --mem=" + settings_.Edit_Slurm_Memory);
  // Slurm runs a copy of this file: the clips are found through the folder's own name.
  lines.add("cd " + runner_.quote(folder) + " || exit 1");
  lines.add("case \"${SLURM_ARRAY_TASK_ID-}\" in");
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    lines.add("  " + std::to_string(i + 1) +
              ") job=" + runner_.quote(paths::name(scripts[i], kPosix)) + " ;;");
  }
  lines.add("  *) echo \"No clip ${SLURM_ARRAY_TASK_ID-} in " + self + "\" >&2; exit 2 ;;");
  lines.add("esac");
  lines.add("stem=${job%.job.sh}");
  lines.add(
      "TWINLENS_PROGRESS=$stem.progress exec sh \"./$job\" \"${1-}\" >>\"$stem.job.log\" 2>&1");
  return lines;
}

}  // namespace twinlens
