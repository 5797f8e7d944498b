#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"
#include "run/ClusterJobs.h"

namespace twinlens {

// The clips' jobs spread over computers reached through ssh by GNU parallel: each job is sent its
// script, graphs and clips into a folder of its own on the computer that runs it, and its outputs
// are brought back into the run's folder once it is done. It is followed through parallel's job
// log and what each job says, tagged with its clip (its encode's progress among it); a job that
// fails is tried again on another computer; a computer that cannot be reached is told and left
// out. Cancelling ends parallel, which ends its jobs.
class ParallelJobs : public ClusterJobs {
 public:
  explicit ParallelJobs(ProgramStart start);
  ~ParallelJobs() override;

  std::string start() override;
  bool poll(int waitMs) override;
  void cancel() override;

 private:
  // The computers of the list that answer through ssh; the others are told in the notes.
  std::vector<std::string> reachable();
  void takeLines(bool ended);
  void readJobLog();
  void appendLog(std::size_t index, const std::string& line);

  platform::ChildProcess parallel_;
  std::string jobList_;                // the jobs' lines that parallel reads, in a temporary file
  std::vector<std::size_t> sequence_;  // the clip (counted from 0) of each line
  std::uintmax_t jobLogRead_ = 0;
  // How each clip's last try ended, as the job log tells: its computer and exit status.
  std::map<std::size_t, std::pair<std::string, std::string>> lastTry_;
};

}  // namespace twinlens
