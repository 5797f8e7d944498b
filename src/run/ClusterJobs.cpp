#include "run/ClusterJobs.h"

#include <filesystem>

#include "engines/RunnerLines.h"
#include "platform/FileSystem.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the messages are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

ClusterJobs::ClusterJobs(ProgramStart start) : start_(std::move(start)) {
  clips_.resize(start_.jobs.size());
  for (std::size_t i = 0; i < clips_.size(); ++i) {
    clips_[i].progress = ProgressReport(start_.jobs[i].progress);
  }
  status_.clips = clips_.size();
  for (const ProgramStart::Job& job : start_.jobs) status_.totalFrames += job.frames;
}

void ClusterJobs::runs(std::size_t index, const std::string& where) {
  if (index >= clips_.size() || clips_[index].state == State::Ended) return;
  clips_[index].state = State::Running;
  if (!where.empty()) clips_[index].where = where;
}

void ClusterJobs::ends(std::size_t index, bool failed, const std::string& error) {
  if (index >= clips_.size() || clips_[index].state == State::Ended) return;
  Clip& clip = clips_[index];
  clip.state = State::Ended;
  EncodeStatus::Result result;
  result.clip = index + 1;
  if (index < start_.encodes.size()) result.outputs = start_.encodes[index];
  result.failed = failed;
  result.where = clip.where;
  if (failed) {
    result.error = !error.empty() ? error : clip.errorLine;
    // What a stopped encode leaves is never taken for an output.
    if (index < start_.unfinished.size()) {
      for (const std::string& file : start_.unfinished[index]) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
      }
    }
  }
  status_.results.push_back(std::move(result));
}

void ClusterJobs::endAll(const std::string& why) {
  for (std::size_t i = 0; i < clips_.size(); ++i) ends(i, true, why);
}

void ClusterJobs::endCancelled() {
  const std::size_t clip = status_.clip;
  status_.cancelled = true;
  endAll("Cancelled");
  show();
  status_.clip = clip;
  status_.running = false;
}

bool ClusterJobs::show() {
  EncodeStatus& s = status_;
  s.runningClips.clear();
  s.queued = 0;
  s.framesBefore = 0;
  s.framesAlongside = 0;
  s.clip = 0;
  s.outputs.clear();
  s.clipFrames = 0;
  s.frame = 0;
  double speed = 0;
  for (std::size_t i = 0; i < clips_.size(); ++i) {
    const Clip& clip = clips_[i];
    const std::int64_t frames = start_.jobs[i].frames;
    switch (clip.state) {
      case State::Queued:
        ++s.queued;
        break;
      case State::Ended:
        s.framesBefore += frames;
        break;
      case State::Running:
        s.runningClips.push_back(i + 1);
        speed += clip.progress.framesPerSecond();
        if (s.clip == 0) {
          s.clip = i + 1;
          s.clipFrames = frames;
          s.frame = std::min(clip.progress.frame(), frames);
          if (i < start_.encodes.size()) s.outputs = start_.encodes[i];
        } else {
          s.framesAlongside += std::min(clip.progress.frame(), frames);
        }
        break;
    }
  }
  if (speed > 0) s.framesPerSecond = speed;
  s.running = s.queued > 0 || !s.runningClips.empty();
  return s.running;
}

bool ClusterJobs::tellsWhy(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  // ffmpeg's closing words tell nothing of why.
  return !line.empty() && line != "Conversion failed!" &&
         runnerlines::read(line).kind == runnerlines::Line::Kind::Other &&
         !line.starts_with("frame=") && !line.starts_with("progress=");
}

std::string ClusterJobs::lastReasonIn(const std::string& log) {
  std::string text;
  try {
    text = platform::readFile(log);
  } catch (const std::exception&) {
    return {};
  }
  std::string reason;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    if (tellsWhy(line)) reason = line;
    start = end + 1;
  }
  return reason;
}

std::vector<std::string> ClusterJobs::fieldsOf(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    fields.push_back(
        line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

}  // namespace twinlens
