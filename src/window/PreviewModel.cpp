#include "window/PreviewModel.h"

#include <algorithm>
#include <array>
#include <limits>

#include "base/DecimalText.h"
#include "base/Paths.h"
#include "model/ConversionPlan.h"
#include "platform/FileSystem.h"

namespace twinlens::window {

namespace {

constexpr std::array<const char*, 5> kModeNames = {"Output", "Anaglyph (red-cyan)",
                                                   "Difference of the views",
                                                   "Overlay with level lines", "Headset view"};
static_assert(kModeNames.size() == static_cast<std::size_t>(PreviewMode::Headset) + 1);

// The measured geometry in one line.
std::string figuresOf(const GeometryReport& report) {
  return "Right view " + fixedText(report.verticalOffsetPx, 2) + " px lower, roll " +
         fixedText(report.rollDeg, 3) + " degrees, zoom " + fixedText(report.zoomPercent, 2) +
         " %, toe-in " + fixedText(report.toeInDeg, 2) + " and tilt " +
         fixedText(report.tiltDeg, 2) + " degrees; depth near " +
         fixedText(report.parallaxNearPermille, 1) + ", far " +
         fixedText(report.parallaxFarPermille, 1) + " per mille: " +
         depthVerdictName(depthVerdict(report.parallaxNearPermille, report.parallaxFarPermille));
}

// `line` on a line of its own below `text`.
void addLine(std::string& text, const std::string& line) {
  if (!text.empty()) text.push_back('\n');
  text += line;
}

std::string joinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) addLine(text, line);
  return text;
}

}  // namespace

PreviewModel::PreviewModel(const ConversionSettings& settings, Prompter& prompter,
                           PreviewView& view, ClipScan& scan)
    : settings_(settings),
      prompter_(prompter),
      view_(view),
      prepared_(settings),
      frames_(prepared_, scan) {}

// The reading thread is waited for (by its future) before what it reads goes.
PreviewModel::~PreviewModel() {
  if (preparing_.valid()) preparing_.wait();
}

std::span<const char* const> PreviewModel::modeNames() {
  return kModeNames;
}

void PreviewModel::Preview1Click() {
  open_ = true;
  view_.showPreviewWindow();
  if (left_.empty()) {
    show();
    Button_Preview_ClipClick();
    return;
  }
  requestAt(Clock::now());
}

void PreviewModel::Button_Preview_ClipClick() {
  const bool twoFiles = ConversionPlan(settings_).twoFiles();
  const auto left =
      prompter_.openFiles(twoFiles ? "Select the left camera's clip" : "Select the clip to preview",
                          {}, settings_.PathLeft, false);
  if (!left || left->empty()) return;
  std::optional<std::vector<std::string>> right;
  if (twoFiles) {
    right = prompter_.openFiles("Select the right camera's clip", {}, settings_.PathRight, false);
    if (!right || right->empty()) return;
  }
  setClip(left->front(), right ? right->front() : std::string());
}

void PreviewModel::setClip(const std::string& left, const std::string& right,
                           const std::optional<GeometryReport>& measured) {
  const bool same = left == left_ && right == right_;
  left_ = left;
  right_ = right;
  if (measured || !same) measured_ = measured;
  if (!same) {
    state_.frame = 0;
    state_.frames = 0;
  }
  if (open_) requestAt(Clock::now());
}

void PreviewModel::setFrame(std::int64_t frame) {
  if (frame == state_.frame) return;
  state_.frame = std::max<std::int64_t>(frame, 0);
  requestAt(Clock::now());
}

void PreviewModel::setMode(int mode) {
  if (mode == state_.mode || mode < 0 || mode >= static_cast<int>(kModeNames.size())) return;
  state_.mode = mode;
  state_.looks = static_cast<PreviewMode>(mode) == PreviewMode::Headset;
  requestAt(Clock::now());
}

void PreviewModel::setLook(int yawDeg, int pitchDeg) {
  yawDeg = std::clamp(yawDeg, -kMostYawDeg, kMostYawDeg);
  pitchDeg = std::clamp(pitchDeg, -kMostPitchDeg, kMostPitchDeg);
  if (yawDeg == state_.yawDeg && pitchDeg == state_.pitchDeg) return;
  state_.yawDeg = yawDeg;
  state_.pitchDeg = pitchDeg;
  if (state_.looks) requestAt(Clock::now());
}

void PreviewModel::settingsChanged(Clock::time_point now) {
  if (open_) requestAt(now + kTypingPause);
}

void PreviewModel::Button_Preview_PlayClick() {
  if (state_.playing) {
    pause();
    return;
  }
  if (!open_ || left_.empty() || state_.frames == 0) return;
  if (state_.frame >= state_.frames - 1) state_.frame = 0;
  state_.playing = true;
  requestAt(Clock::now());
}

void PreviewModel::Button_Preview_StepClick(int frames) {
  if (state_.playing) pause();
  // Within the clip, where its length is known.
  const std::int64_t last =
      state_.frames > 0 ? state_.frames - 1 : std::numeric_limits<std::int64_t>::max();
  setFrame(std::clamp<std::int64_t>(state_.frame + frames, 0, last));
}

void PreviewModel::setPictureBox(int width, int height) {
  if (width <= 0 || height <= 0) return;
  boxWidth_ = width;
  boxHeight_ = height;
}

void PreviewModel::pause() {
  player_.stop();
  state_.playing = false;
  state_.rendering = busy();
  show();
}

void PreviewModel::closed() {
  open_ = false;
  pending_ = false;
  player_.stop();
  state_.playing = false;
  rendering_.stop();
  job_.reset();
  state_.rendering = preparing_.valid();
}

bool PreviewModel::busy() const {
  return pending_ || preparing_.valid() || rendering_.running();
}

void PreviewModel::requestAt(Clock::time_point when) {
  if (!open_ || left_.empty()) return;
  // What plays is started anew from the frame shown.
  player_.stop();
  pending_ = true;
  due_ = when;
  state_.rendering = true;
  show();
}

void PreviewModel::tick(Clock::time_point now) {
  if (preparing_.valid() &&
      preparing_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    try {
      job_ = preparing_.get();
      if (!open_ || (preparingPlay_ && !state_.playing)) {
        job_.reset();
      } else if (preparingPlay_) {
        takeIn(*job_);
        // A BMP's rows are padded to whole 4 bytes.
        const std::size_t pictureBytes =
            static_cast<std::size_t>((boxWidth_ * 3 + 3) / 4 * 4) * boxHeight_ + 1024;
        const std::string failure =
            player_.start(std::move(*job_), pictureBytes, view_.previewSound());
        job_.reset();
        if (!failure.empty()) {
          state_.playing = false;
          fail(failure);
        }
      } else {
        startRendering();
      }
    } catch (const std::exception& error) {
      job_.reset();
      if (preparingPlay_) state_.playing = false;
      fail(error.what());
    }
  }
  if (player_.playing()) advancePlaying(now);
  if (rendering_.running() && !rendering_.poll(0)) finishRendering();
  // The newest request is started once what runs is done, so a dragged slider shows frames as
  // fast as they come and ends on the frame it was left at.
  if (pending_ && now >= due_ && !preparing_.valid() && !rendering_.running()) startPreparing();
}

void PreviewModel::startPreparing() {
  pending_ = false;
  // The thread reads its own copy of the settings, made while no thread reads it.
  prepared_ = settings_;
  const std::string left = left_;
  const std::string right = right_;
  const FramePreview::Where where{state_.frame, std::nullopt};
  const PreviewLook look(static_cast<PreviewMode>(state_.mode), state_.yawDeg, state_.pitchDeg);
  Stretch stretch;
  stretch.width = boxWidth_;
  stretch.height = boxHeight_;
  preparingPlay_ = state_.playing;
  if (preparingPlay_) {
    stretch.frames = 0;
    stretch.playsSound = true;
  }
  preparing_ = std::async(std::launch::async, [this, left, right, where, look, stretch] {
    return frames_.prepare(left, right, where, look, PictureFormat::Bmp, stretch);
  });
}

void PreviewModel::advancePlaying(Clock::time_point now) {
  try {
    if (const std::optional<PreviewPlayer::Shown> shown = player_.advance(now)) {
      state_.frame = shown->frame;
      state_.rendering = busy();
      state_.clip = clipCaption();
      view_.showPreviewPicture(shown->picture);
      view_.showPreviewState(state_);
    }
  } catch (const std::exception& error) {
    state_.playing = false;
    fail(error.what());
    return;
  }
  if (const std::string problem = player_.soundProblem(); !problem.empty() && soundNote_.empty()) {
    soundNote_ = "The sound is not played: " + problem;
    addLine(state_.message, soundNote_);
    view_.showPreviewState(state_);
  }
  if (!player_.playing()) {
    // The clip has ended.
    state_.playing = false;
    show();
  }
}

void PreviewModel::takeIn(const PreviewJob& job) {
  state_.frames = job.frames;
  state_.figures = job.geometry ? figuresOf(*job.geometry)
                   : measured_  ? figuresOf(*measured_)
                                : std::string();
  state_.message = joinedLines(job.notes);
  if (preparingPlay_ && !soundNote_.empty()) {
    addLine(state_.message, soundNote_);
  }
}

void PreviewModel::startRendering() {
  const std::string failure = rendering_.start(job_->command);
  if (!failure.empty()) fail("Cannot start ffmpeg: " + failure);
}

void PreviewModel::finishRendering() {
  if (!job_) return;
  const PreviewJob job = std::move(*job_);
  job_.reset();
  std::string picture;
  try {
    picture = job.picture(true, rendering_.exitCode(), rendering_.output(), rendering_.errors());
  } catch (const std::exception& error) {
    state_.frames = job.frames;
    fail(error.what());
    return;
  }
  takeIn(job);
  state_.rendering = busy();
  state_.clip = clipCaption();
  view_.showPreviewPicture(picture);
  view_.showPreviewState(state_);
}

void PreviewModel::fail(const std::string& message) {
  state_.rendering = busy();
  state_.message = message;
  state_.clip = clipCaption();
  view_.showPreviewPicture({});
  view_.showPreviewState(state_);
}

void PreviewModel::show() {
  state_.clip = clipCaption();
  if (left_.empty()) state_.message = "Choose a clip to preview";
  view_.showPreviewState(state_);
}

std::string PreviewModel::clipCaption() const {
  if (left_.empty()) return {};
  std::string caption = paths::name(left_) + ": frame " + std::to_string(state_.frame);
  if (state_.frames > 0) caption += " of " + std::to_string(state_.frames);
  return caption;
}

}  // namespace twinlens::window
