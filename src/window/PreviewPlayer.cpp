#include "window/PreviewPlayer.h"

#include <algorithm>
#include <utility>

#include "base/Error.h"
#include "engines/FrameRenderer.h"

namespace twinlens::window {

namespace {

// How much of the sound is read ahead of the sound output.
constexpr std::size_t kSoundAhead = kPreviewSoundRate * 4 / 2;  // half a second
// How long the sound may stay still before the clock keeps the time.
constexpr auto kSoundStall = std::chrono::milliseconds(500);
// How many pictures ffmpeg may write ahead of the one shown.
constexpr std::size_t kPicturesAhead = 3;

}  // namespace

std::string PreviewPlayer::start(PreviewJob job, std::size_t pictureBytes, SoundOutput* sound) {
  stop();
  platform::ChildProcess::Options options;
  options.ownGroup = true;
  options.outputLimit = pictureBytes * kPicturesAhead;
  const std::string failure = run_.start(job.command, options);
  if (!failure.empty()) return "Cannot start ffmpeg: " + failure;
  job_ = std::move(job);
  sound_ = job_->soundFile ? sound : nullptr;
  soundProblem_.clear();
  if (job_->soundFile && sound == nullptr) soundProblem_ = "This window cannot play sound";
  playing_ = true;
  return {};
}

std::string PreviewPlayer::soundProblem() {
  return std::exchange(soundProblem_, std::string());
}

void PreviewPlayer::stop() {
  run_.stop();
  if (soundStarted_) sound_->stop();
  soundStarted_ = false;
  sound_ = nullptr;
  soundIn_.close();
  soundWaiting_.clear();
  next_.reset();
  taken_ = 0;
  startedAt_.reset();
  lastHeard_ = -1;
  playing_ = false;
  job_.reset();
}

void PreviewPlayer::feedSound() {
  if (!soundStarted_) return;
  if (!soundIn_.is_open()) soundIn_.open(*job_->soundFile, std::ios::binary);
  if (soundIn_.is_open() && soundWaiting_.size() < kSoundAhead) {
    // What ffmpeg has written since the last read; the file grows as it goes.
    soundIn_.clear();
    char buffer[65536];
    soundIn_.read(buffer, static_cast<std::streamsize>(
                              std::min(sizeof buffer, kSoundAhead - soundWaiting_.size())));
    soundWaiting_.append(buffer, static_cast<std::size_t>(soundIn_.gcount()));
  }
  const std::size_t whole = soundWaiting_.size() / 4 * 4;
  if (whole > 0)
    soundWaiting_.erase(0, sound_->write(std::string_view(soundWaiting_).substr(0, whole)));
}

double PreviewPlayer::position(Clock::time_point now) {
  if (!soundStarted_) return std::chrono::duration<double>(now - *startedAt_).count();
  const double heard = sound_->heardSeconds();
  if (heard != lastHeard_ || !soundWaiting_.empty()) {
    lastHeard_ = heard;
    heardAt_ = now;
    return heard;
  }
  // The sound has stopped with nothing more to play (it ends before the picture, or comes too
  // slowly): the clock goes on from where it was, so the picture never waits on it for good.
  const auto stalled = now - heardAt_;
  if (stalled < kSoundStall) return heard;
  return heard + std::chrono::duration<double>(stalled - kSoundStall).count();
}

std::optional<PreviewPlayer::Shown> PreviewPlayer::advance(Clock::time_point now) {
  if (!playing_) return std::nullopt;
  const bool running = run_.poll(0);
  if (!next_) {
    next_ = job_->takePicture(run_.output());
    if (next_) ++taken_;
  }
  if (next_ && !startedAt_) {
    // The first picture is shown at once, and the sound starts with it.
    startedAt_ = now;
    if (sound_ != nullptr) {
      const std::string failure = sound_->start(kPreviewSoundRate);
      soundStarted_ = failure.empty();
      if (!soundStarted_) soundProblem_ = failure;
    }
  }
  feedSound();
  std::optional<Shown> shown;
  if (startedAt_) {
    const double due = position(now) * job_->frameRate.value() + 1e-9;
    // Every picture due is taken; the newest is shown.
    while (next_ && static_cast<double>(taken_ - 1) <= due) {
      shown = Shown{std::move(*next_), job_->frame + taken_ - 1};
      next_ = job_->takePicture(run_.output());
      if (next_) ++taken_;
    }
  }
  if (!running && !next_) {
    // The run has ended and everything it made is shown.
    const bool failed = taken_ == 0;
    const PreviewJob job = *job_;
    const int exitCode = run_.exitCode();
    const std::string errors = run_.errors();
    stop();
    if (failed) job.picture(true, exitCode, {}, errors);
  }
  return shown;
}

}  // namespace twinlens::window
