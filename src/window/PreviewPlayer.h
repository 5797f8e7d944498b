#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "platform/ChildProcess.h"
#include "run/FramePreview.h"
#include "window/SoundOutput.h"

namespace twinlens::window {

// The preview playing: one ffmpeg run from the start frame on, its pictures read as they come and
// each shown once its time has come (by the sound heard where there is sound, else by the clock),
// so that a picture that comes too late is skipped for the newer one rather than queued. What
// ffmpeg writes ahead is bounded: it waits while a few pictures are unread.
class PreviewPlayer {
 public:
  using Clock = std::chrono::steady_clock;

  struct Shown {
    std::string picture;  // a BMP file's bytes
    std::int64_t frame = 0;
  };

  PreviewPlayer() = default;
  PreviewPlayer(const PreviewPlayer&) = delete;
  PreviewPlayer& operator=(const PreviewPlayer&) = delete;

  // Starts the run of `job`, whose pictures are no larger than `pictureBytes`, its sound played
  // on `sound` where both have it. Returns why it could not start, else empty.
  std::string start(PreviewJob job, std::size_t pictureBytes, SoundOutput* sound);
  // The newest picture due at `now`, where one is; raises Error where the run failed before its
  // first picture.
  std::optional<Shown> advance(Clock::time_point now = Clock::now());
  // The run goes on, or has pictures left to show.
  bool playing() const { return playing_; }
  // Why the sound is not heard, once, after the start where it is not.
  std::string soundProblem();
  // Ends the run and the sound.
  void stop();

 private:
  // Moves what ffmpeg has written of the sound on to the sound output.
  void feedSound();
  double position(Clock::time_point now);

  std::optional<PreviewJob> job_;
  platform::ChildProcess run_;
  SoundOutput* sound_ = nullptr;
  bool playing_ = false;
  bool soundStarted_ = false;
  std::string soundProblem_;
  std::ifstream soundIn_;
  std::string soundWaiting_;         // read from the file, not yet taken by the sound output
  std::optional<std::string> next_;  // the next picture, not yet due
  std::int64_t taken_ = 0;           // pictures taken out of ffmpeg's output
  std::optional<Clock::time_point> startedAt_;
  double lastHeard_ = -1;  // what the sound said it had played, and when that last changed
  Clock::time_point heardAt_;
};

}  // namespace twinlens::window
