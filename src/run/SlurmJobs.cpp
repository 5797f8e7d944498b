#include "run/SlurmJobs.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

#include "base/Error.h"
#include "base/IntegerText.h"
#include "platform/Host.h"
#include "platform/ProgramOutput.h"
#include "platform/ProgramPath.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the messages are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCommandTimeoutMs = 30000;
constexpr auto kQueryPeriod = std::chrono::milliseconds(1000);

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string reasonOf(const platform::ProgramOutput& ran) {
  const std::string line = ran.lastErrorLine();
  return line.empty() ? "it ended with status " + std::to_string(ran.exitCode) : line;
}

// The states in which a job still waits or runs.
bool isLive(const std::string& state) {
  return state == "PENDING" || state == "RUNNING" || state == "CONFIGURING" ||
         state == "COMPLETING" || state == "REQUEUED" || state == "RESIZING" ||
         state == "SUSPENDED" || state == "STOPPED" || state == "SIGNALING" || state == "STAGE_OUT";
}

// What Slurm's end of a job says, for one that failed without a word of its own.
std::string slurmEnd(const std::string& state) {
  if (state == "TIMEOUT") return "Slurm ended the job at its time limit";
  if (state == "OUT_OF_MEMORY")
    return "Slurm ended the job: it needed more memory than it asked for";
  if (state == "NODE_FAIL") return "The computer running the job failed";
  if (state == "CANCELLED") return "The job was cancelled";
  return "Slurm ended the job as " + state;
}

}  // namespace

SlurmJobs::SlurmJobs(ProgramStart start) : ClusterJobs(std::move(start)) {}

SlurmJobs::~SlurmJobs() {
  cancel();
}

std::string SlurmJobs::refusal() const {
  for (const char* program : {"sbatch", "squeue", "scancel", "sinfo"}) {
    if (!platform::onSearchPath(program)) {
      return std::string("Slurm's ") + program +
             " is not found: the encodes are submitted from a computer of the cluster with the "
             "Slurm commands (Debian: slurm-client) and its configuration";
    }
  }
  const platform::ProgramOutput partitions =
      platform::runProgram({"sinfo", "--noheader", "--format=%R"}, kCommandTimeoutMs);
  if (partitions.exitCode != 0) return "The Slurm cluster does not answer: " + reasonOf(partitions);
  const std::vector<std::string> names = linesOf(partitions.output);
  if (!start_.partition.empty() &&
      std::find(names.begin(), names.end(), start_.partition) == names.end()) {
    std::string known;
    for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
    return "The Slurm partition \"" + start_.partition +
           "\" does not exist; the cluster has: " + known;
  }
  // Every computer of the partition must see the folder under the same name: it lies on a
  // shared file system, or the partition is this computer alone.
  if (!platform::onNetworkFileSystem(start_.workingFolder)) {
    std::vector<std::string> query{"sinfo", "--noheader", "--Node", "--format=%N"};
    if (!start_.partition.empty()) query.push_back("--partition=" + start_.partition);
    const platform::ProgramOutput nodes = platform::runProgram(query, kCommandTimeoutMs);
    if (nodes.exitCode != 0) return "The Slurm cluster does not answer: " + reasonOf(nodes);
    const std::string here = platform::hostName();
    for (const std::string& node : linesOf(nodes.output)) {
      if (node != here) {
        return "The cluster's computers (" + node + " and others) cannot see the folder \"" +
               start_.workingFolder +
               "\": it lies on this computer's own disk. Put the clips and the outputs on a "
               "folder the cluster shares (NFS, Lustre, ...), under the same name everywhere";
      }
    }
  }
  return {};
}

std::string SlurmJobs::submit(const std::string& part, const std::string& after) {
  std::string array = "--array=1-" + std::to_string(start_.jobs.size());
  array += "%" + std::to_string(std::max(start_.clipsAtOnce, 1));
  std::vector<std::string> command{"sbatch", "--parsable", array, "--chdir=" + start_.workingFolder,
                                   // What Slurm itself says of the jobs; each clip's own goes
                                   // into its log.
                                   "--output=" + start_.batchFile + ".log", "--open-mode=append"};
  if (!after.empty()) {
    command.push_back("--dependency=aftercorr:" + after);
    command.push_back("--kill-on-invalid-dep=yes");
  }
  command.push_back(start_.batchFile);
  command.push_back(part);
  const platform::ProgramOutput submitted = platform::runProgram(command, kCommandTimeoutMs);
  const std::vector<std::string> lines = linesOf(submitted.output);
  if (submitted.exitCode != 0 || lines.empty()) {
    throw Error("Slurm did not take the encodes: " + reasonOf(submitted));
  }
  // "12" or "12;cluster".
  return lines.back().substr(0, lines.back().find(';'));
}

std::string SlurmJobs::start() {
  status_.running = false;
  if (std::string refused = refusal(); !refused.empty()) return refused;
  // What an earlier run of the same clips left says nothing of this one.
  for (const ProgramStart::Job& job : start_.jobs) {
    std::error_code ignored;
    std::filesystem::remove(job.progress, ignored);
    std::filesystem::remove(job.log, ignored);
  }
  const bool firstPass = std::any_of(start_.jobs.begin(), start_.jobs.end(),
                                     [](const ProgramStart::Job& job) { return job.firstPass; });
  try {
    if (firstPass) jobIds_.push_back(submit("first-pass", ""));
    jobIds_.push_back(submit("encode", firstPass ? jobIds_.front() : ""));
  } catch (const Error& error) {
    if (!jobIds_.empty()) platform::runProgram({"scancel", jobIds_.front()}, kCommandTimeoutMs);
    jobIds_.clear();
    return error.what();
  }
  show();
  startQuery();
  return {};
}

std::string SlurmJobs::jobList() const {
  std::string list;
  for (const std::string& id : jobIds_) list += (list.empty() ? "" : ",") + id;
  return list;
}

void SlurmJobs::startQuery() {
  lastQuery_ = Clock::now();
  // One line per array task: its job, its index, its state and its computer.
  query_.start({"squeue", "--noheader", "--array", "--states=all", "--jobs=" + jobList(),
                "--format=%F|%K|%T|%N"});
}

bool SlurmJobs::takeQuery() {
  if (query_.exitCode() != 0) {
    // A cluster that stops answering for long has its jobs told as lost.
    if (++failedQueries_ >= 60) {
      endAll("The Slurm cluster stopped answering: " + query_.errors());
    }
    return false;
  }
  failedQueries_ = 0;
  takeStates(query_.output());
  query_.output().clear();
  return true;
}

void SlurmJobs::takeStates(const std::string& told, bool completedOnly) {
  const std::string encodeJob = jobIds_.back();
  // The first pass of a clip that failed tells why its encode never ran.
  std::map<std::size_t, std::string> firstPassEnds;
  for (const std::string& line : linesOf(told)) {
    const std::vector<std::string> fields = fieldsOf(line, '|');
    if (fields.size() < 4) continue;
    const std::optional<std::int32_t> task = tryToInteger(fields[1]);
    if (!task || *task < 1 || static_cast<std::size_t>(*task) > clips_.size()) continue;
    const auto index = static_cast<std::size_t>(*task - 1);
    const std::string& state = fields[2];
    const std::string& node = fields[3];
    if (completedOnly && !(fields[0] == encodeJob && state == "COMPLETED")) continue;
    if (fields[0] != encodeJob) {
      if (state == "RUNNING") runs(index, node);
      if (!isLive(state) && state != "COMPLETED") firstPassEnds[index] = state;
      continue;
    }
    if (state == "RUNNING" || state == "COMPLETING") {
      runs(index, node);
    } else if (state == "COMPLETED") {
      runs(index, node);
      ends(index, false);
    } else if (!isLive(state)) {
      if (!node.empty()) runs(index, node);
      std::string why = lastReasonIn(start_.jobs[index].log);
      if (why.empty()) {
        why = firstPassEnds.contains(index) ? slurmEnd(firstPassEnds[index]) : slurmEnd(state);
      }
      ends(index, true, why);
    }
  }
}

bool SlurmJobs::poll(int waitMs) {
  if (!status_.running) return false;
  const auto until =
      waitMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (!query_.running() && Clock::now() - lastQuery_ >= kQueryPeriod) startQuery();
    if (query_.running()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
      if (!query_.poll(
              waitMs < 0 ? 100 : static_cast<int>(std::clamp<long long>(left.count(), 0, 100)))) {
        takeQuery();
      }
    } else {
      const auto next = lastQuery_ + kQueryPeriod;
      const auto wake = std::min(next, until);
      if (wake > Clock::now())
        std::this_thread::sleep_until(
            std::min(wake, Clock::now() + std::chrono::milliseconds(100)));
    }
    for (Clip& clip : clips_) {
      if (clip.state == State::Running) clip.progress.readFile();
    }
    if (!show()) return false;
    if (Clock::now() >= until) return true;
  }
}

void SlurmJobs::cancel() {
  if (!status_.running || jobIds_.empty()) return;
  query_.stop();
  // Slurm asks every program of the jobs to end (SIGTERM), then kills what is left.
  std::vector<std::string> command{"scancel"};
  command.insert(command.end(), jobIds_.begin(), jobIds_.end());
  platform::runProgram(command, kCommandTimeoutMs);
  // The unfinished files are removed once nothing of the jobs runs any more.
  const auto until = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < until) {
    const platform::ProgramOutput left = platform::runProgram(
        {"squeue", "--noheader", "--array", "--jobs=" + jobList(), "--format=%T"},
        kCommandTimeoutMs);
    if (left.exitCode != 0 || linesOf(left.output).empty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  // Slurm tells a job ended before its computer has ended the job's programs: an encode is over
  // once its progress report has stood still for longer than it reports (twice a second).
  std::vector<std::uintmax_t> sizes(clips_.size(), 0);
  auto stillSince = Clock::now();
  while (Clock::now() < until && Clock::now() - stillSince < std::chrono::milliseconds(1500)) {
    for (std::size_t i = 0; i < clips_.size(); ++i) {
      if (clips_[i].state != State::Running) continue;
      std::error_code missing;
      const std::uintmax_t size = std::filesystem::file_size(start_.jobs[i].progress, missing);
      if (!missing && size != sizes[i]) {
        sizes[i] = size;
        stillSince = Clock::now();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // A clip that ended before it was cancelled keeps its end.
  const platform::ProgramOutput ended =
      platform::runProgram({"squeue", "--noheader", "--array", "--states=all",
                            "--jobs=" + jobList(), "--format=%F|%K|%T|%N"},
                           kCommandTimeoutMs);
  if (ended.exitCode == 0) takeStates(ended.output, /*completedOnly=*/true);
  endCancelled();
}

}  // namespace twinlens
