#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"
#include "run/ClusterJobs.h"

namespace twinlens {

// The clips' jobs as Slurm job arrays: task N of the batch file runs clip N, the encodes tied to
// their first passes task by task (aftercorr), at most the settings' number at once. They are
// followed through squeue once a second and each clip's progress file on the shared folder, and
// cancelled with scancel. Nothing is submitted when sbatch is missing, the partition does not
// exist or the cluster's computers cannot see the outputs' folder.
class SlurmJobs : public ClusterJobs {
 public:
  explicit SlurmJobs(ProgramStart start);
  ~SlurmJobs() override;

  std::string start() override;
  bool poll(int waitMs) override;
  void cancel() override;

  // The array jobs submitted, in order (the first passes first).
  const std::vector<std::string>& jobIds() const { return jobIds_; }

 private:
  // The reason the jobs cannot be submitted, else "".
  std::string refusal() const;
  // Submits the batch file's array for `part` ("first-pass", "encode"); the job's id, or raises.
  std::string submit(const std::string& part, const std::string& after);
  void startQuery();
  // Takes in what squeue told: whether it answered.
  bool takeQuery();
  // Takes in squeue's lines of the array tasks; of the encodes that completed alone, where asked.
  void takeStates(const std::string& told, bool completedOnly = false);
  std::string jobList() const;

  std::vector<std::string> jobIds_;
  platform::ChildProcess query_;
  std::chrono::steady_clock::time_point lastQuery_{};
  int failedQueries_ = 0;
};

}  // namespace twinlens
