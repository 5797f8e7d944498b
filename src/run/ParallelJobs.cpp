#include "run/ParallelJobs.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "base/IntegerText.h"
#include "base/Paths.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPath.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the messages are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

constexpr PathStyle kPosix = PathStyle::Posix;
constexpr int kReachTimeoutMs = 20000;
// How often a job is tried on another computer after it failed.
constexpr const char* kRetries = "2";

// A file as rsync sends it into a job's own folder: a file of the run's folder under its name
// there, any other under its whole path ("/./" starts what the job's folder holds).
std::string sent(const std::string& file, const std::string& folder) {
  if (paths::dir(file, kPosix) == folder) return folder + "./" + paths::name(file, kPosix);
  return "/." + file;
}

}  // namespace

ParallelJobs::ParallelJobs(ProgramStart start) : ClusterJobs(std::move(start)) {}

ParallelJobs::~ParallelJobs() {
  cancel();
  std::error_code ignored;
  if (!jobList_.empty()) std::filesystem::remove(jobList_, ignored);
}

std::vector<std::string> ParallelJobs::reachable() {
  struct Try {
    std::string login;  // as the list has it ("2/studio1")
    std::string host;
    std::unique_ptr<platform::ChildProcess> ssh = std::make_unique<platform::ChildProcess>();
  };
  std::vector<Try> tries;
  for (const std::string& login : fieldsOf(start_.computers, ',')) {
    const std::size_t slash = login.find('/');
    tries.push_back({login, slash == std::string::npos ? login : login.substr(slash + 1)});
  }
  // Every computer is asked at once.
  platform::ChildProcess::Options merged;
  merged.mergeErrors = true;
  for (Try& t : tries) {
    t.ssh->start({"ssh", "-o", "BatchMode=yes", "-o", "ConnectTimeout=10", t.host, "true"}, merged);
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReachTimeoutMs);
  std::vector<std::string> answering;
  for (Try& t : tries) {
    while (t.ssh->poll(100) && std::chrono::steady_clock::now() < until) {
    }
    if (t.ssh->running()) t.ssh->stop();
    if (t.ssh->exitCode() == 0) {
      answering.push_back(t.login);
      continue;
    }
    std::string why = t.ssh->output();
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
    why = why.substr(why.rfind('\n') == std::string::npos ? 0 : why.rfind('\n') + 1);
    if (why.empty()) why = "it did not answer";
    status_.notes.push_back("The computer \"" + t.host + "\" cannot be reached (" + why +
                            "): its clips are encoded on the others");
  }
  return answering;
}

std::string ParallelJobs::start() {
  status_.running = false;
  for (const char* program : {"parallel", "ssh", "rsync"}) {
    if (!platform::onSearchPath(program)) {
      return std::string("GNU parallel's encodes need ") + program +
             " on this computer (Debian: parallel, openssh-client and rsync), and ssh and rsync "
             "on every computer of the list";
    }
  }
  const std::vector<std::string> logins = reachable();
  if (logins.empty()) {
    return "None of the computers can be reached through ssh: " + start_.computers;
  }

  // One line per clip: its script's name, the files it is sent and the outputs it brings back,
  // each list as long as the longest, the short ones repeating their first file.
  std::size_t sends = 1;
  std::size_t returns = 1;
  for (std::size_t i = 0; i < start_.jobs.size(); ++i) {
    sends = std::max(sends, start_.jobs[i].reads.size());
    if (i < start_.encodes.size()) returns = std::max(returns, start_.encodes[i].size());
  }
  std::string lines;
  const std::string& folder = start_.workingFolder;
  for (std::size_t i = 0; i < start_.jobs.size(); ++i) {
    const ProgramStart::Job& job = start_.jobs[i];
    // A clip whose file has gone cannot be sent: it fails here, the others go on.
    const auto missing = std::find_if(job.reads.begin(), job.reads.end(), [](const std::string& f) {
      return !platform::fileExists(f);
    });
    if (missing != job.reads.end()) {
      ends(i, true, *missing + ": No such file or directory");
      continue;
    }
    sequence_.push_back(i);
    std::string line = std::to_string(i + 1) + "\t" + paths::name(job.script, kPosix);
    for (std::size_t k = 0; k < sends; ++k) {
      line += "\t" + sent(k < job.reads.size() ? job.reads[k] : job.reads.front(), folder);
    }
    const std::vector<std::string>& outputs = start_.encodes[i];
    for (std::size_t k = 0; k < returns; ++k) {
      line += "\t" + sent(k < outputs.size() ? outputs[k] : outputs.front(), folder);
    }
    lines += line + "\n";
  }
  if (sequence_.empty()) {
    show();
    return {};
  }
  std::random_device random;
  jobList_ = (std::filesystem::temp_directory_path() /
              ("twinlens-jobs-" + std::to_string(random()) + ".txt"))
                 .string();
  {
    std::ofstream out(jobList_, std::ios::binary);
    out << lines;
    if (!out.flush()) return "Cannot write the job list \"" + jobList_ + "\"";
  }
  std::error_code ignored;
  std::filesystem::remove(start_.jobLog, ignored);
  for (const ProgramStart::Job& job : start_.jobs) std::filesystem::remove(job.log, ignored);

  std::string computers;
  for (const std::string& login : logins) computers += (computers.empty() ? "" : ",") + login;
  std::vector<std::string> command{
      "parallel", "--will-cite", "--sshlogin",  computers,       "--retries",
      kRetries,   "--joblog",    start_.jobLog, "--line-buffer", "--tagstring",
      "{1}",      "--colsep",    "\t",          "--workdir",     "..."};
  for (std::size_t k = 0; k < sends; ++k) {
    command.insert(command.end(), {"--transferfile", "{" + std::to_string(k + 3) + "}"});
  }
  for (std::size_t k = 0; k < returns; ++k) {
    command.insert(command.end(), {"--return", "{" + std::to_string(k + 3 + sends) + "}"});
  }
  // The job reads the files outside the run's folder under their paths inside its own, and
  // reports its encode's progress among what it says.
  command.insert(command.end(), {"--cleanup", "env", "TWINLENS_ROOT=.", "TWINLENS_PROGRESS=pipe:1",
                                 "sh", "{2}", "::::", jobList_});
  platform::ChildProcess::Options options;
  options.workingFolder = folder;
  options.ownGroup = true;
  options.mergeErrors = true;
  if (std::string failure = parallel_.start(command, options); !failure.empty()) return failure;
  show();
  return {};
}

void ParallelJobs::appendLog(std::size_t index, const std::string& line) {
  std::ofstream log(start_.jobs[index].log, std::ios::binary | std::ios::app);
  log << line << '\n';
}

void ParallelJobs::takeLines(bool ended) {
  std::string& output = parallel_.output();
  std::size_t start = 0;
  for (;;) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) {
      if (!ended || start >= output.size()) break;
      end = output.size();
    }
    std::string line = output.substr(start, end - start);
    start = std::min(end + 1, output.size());
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "3\t<what clip 3 said>"; parallel's own lines have no tag.
    const std::size_t tab = line.find('\t');
    const std::optional<std::int32_t> clip =
        tab == std::string::npos ? std::nullopt : tryToInteger(line.substr(0, tab));
    if (!clip || *clip < 1 || static_cast<std::size_t>(*clip) > clips_.size()) {
      if (!line.empty()) status_.notes.push_back(line);
      continue;
    }
    const auto index = static_cast<std::size_t>(*clip - 1);
    const std::string said = line.substr(tab + 1);
    runs(index, {});
    Clip& c = clips_[index];
    if (said.starts_with("frame=") || said.starts_with("fps=")) {
      c.progress.take(said);
    } else if (said.find('=') == std::string::npos || tellsWhy(said)) {
      if (tellsWhy(said)) c.errorLine = said;
      appendLog(index, said);
    }
  }
  output.erase(0, start);
}

void ParallelJobs::readJobLog() {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(start_.jobLog, error);
  if (error || size <= jobLogRead_) return;
  std::ifstream in(start_.jobLog, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(jobLogRead_));
  std::string text(static_cast<std::size_t>(size - jobLogRead_), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  // Whole lines alone; the rest is read once it is complete.
  const std::size_t complete = text.rfind('\n');
  if (complete == std::string::npos) return;
  jobLogRead_ += complete + 1;
  std::size_t start = 0;
  while (start <= complete) {
    const std::size_t end = text.find('\n', start);
    const std::vector<std::string> fields = fieldsOf(text.substr(start, end - start), '\t');
    start = end + 1;
    // Seq, Host, Starttime, JobRuntime, Send, Receive, Exitval, Signal, Command.
    if (fields.size() < 8) continue;
    // Job N is the Nth line of the job list.
    const std::optional<std::int32_t> seq = tryToInteger(fields[0]);
    if (!seq || *seq < 1 || static_cast<std::size_t>(*seq) > sequence_.size()) continue;
    const std::size_t index = sequence_[static_cast<std::size_t>(*seq - 1)];
    runs(index, fields[1]);
    if (fields[6] == "0" && fields[7] == "0") {
      ends(index, false);
    } else {
      lastTry_[index] = {fields[1],
                         fields[7] != "0" ? "signal " + fields[7] : "status " + fields[6]};
    }
  }
}

bool ParallelJobs::poll(int waitMs) {
  if (!status_.running) return false;
  const bool running = parallel_.running() && parallel_.poll(waitMs);
  takeLines(!running);
  readJobLog();
  if (!running) {
    // What the job log has not told as done has failed on every computer it was tried on.
    for (std::size_t i = 0; i < clips_.size(); ++i) {
      if (clips_[i].state == State::Ended) continue;
      const auto tried = lastTry_.find(i);
      std::string why = clips_[i].errorLine;
      if (tried != lastTry_.end()) {
        clips_[i].where = tried->second.first;
        if (why.empty()) why = "The job ended with " + tried->second.second;
      }
      if (why.empty()) why = "GNU parallel did not run the job";
      ends(i, true, why);
    }
  }
  show();
  return status_.running;
}

void ParallelJobs::cancel() {
  if (!status_.running) return;
  // parallel ends its jobs on the computers running them before it ends itself.
  parallel_.stopGently(5000);
  endCancelled();
}

}  // namespace twinlens
