#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "platform/ChildProcess.h"
#include "run/ProgressReport.h"

namespace twinlens {

class ClusterJobs;

// Where the ffmpeg engine's runner stands: which clip of how many, how far its encode is, and how
// each clip before it ended.
struct EncodeStatus {
  struct Result {
    std::vector<std::string> outputs;  // the clip's encoded files
    bool failed = false;
    std::string error;       // ffmpeg's last line before the clip failed
    std::size_t clip = 0;    // counted from 1
    std::string where = {};  // the computer it ran on, where a job engine ran it
  };
  std::size_t clip = 0;  // the clip being encoded, counted from 1; 0 before the first
  std::size_t clips = 0;
  std::vector<std::string> outputs;  // of the clip being encoded
  std::int64_t clipFrames = 0;       // of the clip being encoded, as its graph tells
  std::int64_t frame = 0;            // frames of it encoded
  std::int64_t framesBefore = 0;     // of the clips before it
  std::int64_t totalFrames = 0;      // of every clip
  double framesPerSecond = 0;        // the encode's speed, as ffmpeg last told it
  bool running = false;
  bool cancelled = false;
  std::vector<Result> results;  // of the clips that ended, in order
  // With a job engine, clips run at once: `clip` is the first of `runningClips` (every clip
  // running, counted from 1), the frames encoded of the others are `framesAlongside`, and
  // `framesPerSecond` is their speed together; `queued` clips wait for a computer.
  std::vector<std::size_t> runningClips;
  std::int64_t framesAlongside = 0;
  std::size_t queued = 0;
  // What the user should know of the run ("The computer ... cannot be reached ...").
  std::vector<std::string> notes;
  // The encodes are being handed to a job engine; or why they could not be, nothing handed over.
  bool handingOver = false;
  std::string refused;

  // How far the clip being encoded, and the whole run, are: 0 to 1.
  double clipFraction() const;
  double fraction() const;
  // The time the frames still to encode take at the encode's speed; none before it is known.
  std::optional<double> secondsLeft() const;
  // "1:05 left"; empty while unknown.
  std::string timeLeft() const;
  // What a progress line says: "Clip 2 of 5: 43 %, all 61 %, 1:05 left", or how the run ended.
  std::string line() const;
  // The failed clips' count.
  std::size_t failures() const;
};

// The ffmpeg engine's runner started and followed, or its clips' jobs handed to the job engine
// it names (ClusterJobs) and followed as they run there: its output read as it comes (which clip,
// and whether one failed with which error line), and ffmpeg's progress reports read from the file
// the runner is told of (TWINLENS_PROGRESS). Cancelling stops the runner and ffmpeg and removes
// what the clip being encoded left unfinished, so no partial output stays.
class EncodeRun {
 public:
  explicit EncodeRun(PathStyle style = nativePathStyle());
  ~EncodeRun();  // a runner still running is cancelled
  EncodeRun(const EncodeRun&) = delete;
  EncodeRun& operator=(const EncodeRun&) = delete;

  // Starts the runner in its folder. Returns the reason it could not be started, else "".
  // `stoppable`: the runner and ffmpeg form a group of their own that `cancel` ends; otherwise
  // they stay in the caller's group, which a terminal's Ctrl+C ends as a whole. Encodes for a job
  // engine are handed over on a thread of their own (the cluster's tools and ssh may take their
  // time): the polls tell when it is done, or why it could not be (`refused`).
  std::string start(const ProgramStart& runner, bool stoppable = true);
  // Takes in what the runner said and ffmpeg reported, waiting up to `waitMs` milliseconds for
  // the runner to say something (-1: until it ends). Returns whether it still runs.
  bool poll(int waitMs = 0);
  void cancel();

  const EncodeStatus& status() const;
  // The runner's folder, where its outputs lie.
  const std::string& folder() const { return runner_.workingFolder; }

 private:
  void takeLines(bool ended);
  void takeLine(const std::string& line);
  void readProgress();
  void endClip(bool failed);
  void removeUnfinished();

  PathStyle style_;
  ProgramStart runner_;
  // The job engine the encodes were handed to, where they do not run here, and its hand-over
  // while it goes on: the engine is not read until it has ended.
  std::unique_ptr<ClusterJobs> cluster_;
  std::future<std::string> handOver_;
  // Waits up to `waitMs` (-1: as long as it takes) for the hand-over; whether it has ended.
  bool handedOver(int waitMs);
  platform::ChildProcess process_;
  ProgressReport progress_;     // of the clip being encoded
  std::string lastOutputLine_;  // the runner's last line that is none of its own
  bool clipOpen_ = false;       // the current clip has not ended yet
  EncodeStatus status_;
};

}  // namespace twinlens
