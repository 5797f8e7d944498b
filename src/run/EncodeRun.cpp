#include "run/EncodeRun.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "base/IntegerText.h"
#include "engines/EncodedNames.h"
#include "engines/RunnerLines.h"
#include "run/ParallelJobs.h"
#include "run/SlurmJobs.h"

namespace twinlens {

namespace {

// "1:05" or "1:02:05".
std::string clockText(double seconds) {
  const auto whole = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

std::string percentText(double fraction) {
  return std::to_string(static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100))) + " %";
}

}  // namespace

double EncodeStatus::clipFraction() const {
  if (clipFrames <= 0) return 0;
  return std::clamp(static_cast<double>(frame) / static_cast<double>(clipFrames), 0.0, 1.0);
}

double EncodeStatus::fraction() const {
  if (totalFrames <= 0) return clips == 0 ? 0 : static_cast<double>(results.size()) / clips;
  return std::clamp(
      static_cast<double>(framesBefore + framesAlongside + std::min(frame, clipFrames)) /
          static_cast<double>(totalFrames),
      0.0, 1.0);
}

std::optional<double> EncodeStatus::secondsLeft() const {
  if (framesPerSecond <= 0 || totalFrames <= 0) return std::nullopt;
  const std::int64_t left =
      totalFrames - framesBefore - framesAlongside - std::min(frame, clipFrames);
  return static_cast<double>(std::max<std::int64_t>(left, 0)) / framesPerSecond;
}

std::string EncodeStatus::timeLeft() const {
  const auto left = secondsLeft();
  return left ? clockText(*left) + " left" : std::string();
}

std::size_t EncodeStatus::failures() const {
  return static_cast<std::size_t>(std::count_if(
      results.begin(), results.end(), [](const Result& result) { return result.failed; }));
}

std::string EncodeStatus::line() const {
  const std::string of = std::to_string(clips);
  if (!refused.empty()) return "Cannot hand the encodes over. " + refused;
  if (handingOver)
    return "Handing the encodes of " + of + (clips == 1 ? " clip" : " clips") + " over";
  if (cancelled) {
    if (clip == 0) return "Cancelled before clip 1 of " + of;
    return "Cancelled during clip " + std::to_string(clip) + " of " + of;
  }
  if (!running && (clip > 0 || !results.empty())) {
    if (failures() == 0) return "All " + of + " clips encoded";
    return std::to_string(failures()) + " of " + of + " clips failed";
  }
  if (clip == 0 && queued > 0) {
    return "Waiting for a computer: " + std::to_string(queued) + " of " + of +
           (clips == 1 ? " clip" : " clips") + " queued";
  }
  if (clip == 0) return "Starting the encodes of " + of + (clips == 1 ? " clip" : " clips");
  if (runningClips.size() > 1) {
    std::string text = "Clips ";
    for (std::size_t i = 0; i < runningClips.size(); ++i) {
      text += (i == 0 ? "" : ", ") + std::to_string(runningClips[i]);
    }
    text += " of " + of + ": all " + percentText(fraction());
    if (!timeLeft().empty()) text += ", " + timeLeft();
    return text;
  }
  std::string text =
      "Clip " + std::to_string(clip) + " of " + of + ": " + percentText(clipFraction());
  if (clips > 1) text += ", all " + percentText(fraction());
  if (!timeLeft().empty()) text += ", " + timeLeft();
  return text;
}

EncodeRun::EncodeRun(PathStyle style) : style_(style) {}

EncodeRun::~EncodeRun() {
  cancel();
  std::error_code ignored;
  if (!progress_.file().empty()) std::filesystem::remove(progress_.file(), ignored);
}

std::string EncodeRun::start(const ProgramStart& runner, bool stoppable) {
  cancel();
  cluster_.reset();
  runner_ = runner;
  if (runner.on == choices::EncodeOn::Slurm) cluster_ = std::make_unique<SlurmJobs>(runner);
  if (runner.on == choices::EncodeOn::Parallel) cluster_ = std::make_unique<ParallelJobs>(runner);
  status_ = {};
  if (cluster_) {
    status_.clips = runner.jobs.size();
    status_.running = true;
    status_.handingOver = true;
    handOver_ =
        std::async(std::launch::async, [cluster = cluster_.get()] { return cluster->start(); });
    return {};
  }
  status_.clips = runner.encodes.size();
  clipOpen_ = false;
  lastOutputLine_.clear();
  if (progress_.file().empty()) {
    std::random_device random;
    progress_ = ProgressReport((std::filesystem::temp_directory_path() /
                                ("twinlens-progress-" + std::to_string(random()) + ".txt"))
                                   .string());
  }
  progress_.restart();
  std::error_code ignored;
  std::filesystem::remove(progress_.file(), ignored);

  const std::string extension = extensionOf(runner.file, style_);
  const bool batch = extension == ".bat" || extension == ".cmd";
  std::vector<std::string> command = batch ? std::vector<std::string>{"cmd", "/c", runner.file}
                                           : std::vector<std::string>{"sh", runner.file};
  platform::ChildProcess::Options options;
  options.workingFolder = runner.workingFolder;
  options.environment = {{"TWINLENS_PROGRESS", progress_.file()}};
  // Cancelling ends ffmpeg too, not the runner alone.
  options.ownGroup = stoppable;
  options.mergeErrors = true;
  std::string failure = process_.start(command, options);
  status_.running = failure.empty();
  return failure;
}

const EncodeStatus& EncodeRun::status() const {
  return cluster_ && !status_.handingOver && status_.refused.empty() ? cluster_->status() : status_;
}

bool EncodeRun::handedOver(int waitMs) {
  if (!status_.handingOver) return true;
  if (waitMs < 0) {
    handOver_.wait();
  } else if (handOver_.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready) {
    return false;
  }
  status_.handingOver = false;
  status_.refused = handOver_.get();
  if (!status_.refused.empty()) status_.running = false;
  return true;
}

bool EncodeRun::poll(int waitMs) {
  if (cluster_) {
    if (!handedOver(waitMs)) return true;
    if (!status_.refused.empty()) return false;
    return cluster_->poll(status_.handingOver ? 0 : waitMs);
  }
  if (!status_.running) return false;
  const bool running = process_.poll(waitMs);
  takeLines(!running);
  readProgress();
  if (!running) {
    if (clipOpen_) endClip(process_.exitCode() != 0 && status_.failures() == 0);
    status_.running = false;
  }
  return running;
}

void EncodeRun::cancel() {
  if (cluster_) {
    // What is being handed over is cancelled once it has been.
    handedOver(-1);
    if (status_.refused.empty()) cluster_->cancel();
    return;
  }
  if (!status_.running) return;
  process_.stop();
  status_.running = false;
  status_.cancelled = true;
  removeUnfinished();
  if (clipOpen_) {
    lastOutputLine_ = "Cancelled";
    endClip(true);
  }
}

void EncodeRun::takeLines(bool ended) {
  std::string& output = process_.output();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = output.find_first_of("\r\n", start);
    if (end == std::string::npos) break;
    takeLine(output.substr(start, end - start));
    start = end + 1;
  }
  output.erase(0, start);
  if (ended && !output.empty()) {
    takeLine(output);
    output.clear();
  }
}

void EncodeRun::takeLine(const std::string& line) {
  if (line.empty()) return;
  const runnerlines::Line said = runnerlines::read(line);
  switch (said.kind) {
    case runnerlines::Line::Kind::ClipStarts: {
      if (clipOpen_) endClip(false);
      const auto clip = static_cast<std::size_t>(said.clip);
      status_.clip = clip;
      status_.outputs =
          clip <= runner_.encodes.size() ? runner_.encodes[clip - 1] : std::vector<std::string>{};
      status_.clipFrames = said.frames;
      status_.frame = 0;
      progress_.forget();
      clipOpen_ = true;
      lastOutputLine_.clear();
      return;
    }
    case runnerlines::Line::Kind::Total:
      status_.totalFrames = said.frames;
      return;
    case runnerlines::Line::Kind::ClipFailed:
      if (clipOpen_) endClip(true);
      return;
    case runnerlines::Line::Kind::Ended:
      return;
    case runnerlines::Line::Kind::Other:
      break;
  }
  // ffmpeg's closing words tell nothing of why.
  if (line == "Conversion failed!") return;
  lastOutputLine_ = line;
}

void EncodeRun::readProgress() {
  progress_.readFile();
  if (!clipOpen_) return;
  status_.frame = progress_.frame();
  if (progress_.framesPerSecond() > 0) status_.framesPerSecond = progress_.framesPerSecond();
}

void EncodeRun::endClip(bool failed) {
  const std::size_t index = status_.clip - 1;
  EncodeStatus::Result result;
  if (index < runner_.encodes.size()) result.outputs = runner_.encodes[index];
  result.clip = status_.clip;
  result.failed = failed;
  if (failed) result.error = lastOutputLine_;
  status_.results.push_back(std::move(result));
  status_.framesBefore += status_.clipFrames;
  status_.frame = 0;
  clipOpen_ = false;
}

void EncodeRun::removeUnfinished() {
  if (!clipOpen_ || status_.clip == 0 || status_.clip > runner_.unfinished.size()) return;
  for (const std::string& file : runner_.unfinished[status_.clip - 1]) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  }
}

}  // namespace twinlens
