#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engines/Engine.h"
#include "run/EncodeRun.h"
#include "run/ProgressReport.h"

namespace twinlens {

// A run's clips handed to a job engine as jobs of their own (ProgramStart::jobs), followed until
// each has ended: which clips wait, which run where and how far, and how each ended. What the
// engines share lives here; each engine submits, follows and cancels in its own way.
class ClusterJobs {
 public:
  explicit ClusterJobs(ProgramStart start);
  virtual ~ClusterJobs() = default;
  ClusterJobs(const ClusterJobs&) = delete;
  ClusterJobs& operator=(const ClusterJobs&) = delete;

  // Hands the jobs over. Returns the reason they could not be, with nothing handed over, else "".
  virtual std::string start() = 0;
  // Takes in how the jobs stand, waiting up to `waitMs` milliseconds (-1: until every one has
  // ended). Returns whether any still waits or runs.
  virtual bool poll(int waitMs) = 0;
  // Ends every job and removes what the unfinished ones left.
  virtual void cancel() = 0;

  const EncodeStatus& status() const { return status_; }

 protected:
  enum class State { Queued, Running, Ended };
  struct Clip {
    State state = State::Queued;
    std::string where;
    ProgressReport progress;
    std::string errorLine;  // the last line it said that tells why it failed
  };

  // Clip `index` (counted from 0) runs on `where`, or has ended.
  void runs(std::size_t index, const std::string& where);
  void ends(std::size_t index, bool failed, const std::string& error = {});
  // Every clip not ended has ended as `why` ("Cancelled"), and what it left unfinished is removed.
  void endAll(const std::string& why);
  // The run is cancelled: every clip not ended is, and the status tells during which clip.
  void endCancelled();
  // Sets the status from the clips; whether any still waits or runs.
  bool show();
  // Whether a line of what a job says tells why it failed (none of the runner's own lines).
  static bool tellsWhy(std::string_view line);
  // The last such line of a job's log file.
  static std::string lastReasonIn(const std::string& log);
  // The fields of a line the job engines' tools write ("12|3|RUNNING|node1").
  static std::vector<std::string> fieldsOf(const std::string& line, char separator);

  ProgramStart start_;
  std::vector<Clip> clips_;
  EncodeStatus status_;
};

}  // namespace twinlens
