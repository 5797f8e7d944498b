#include "window/EncodeModel.h"

#include <cmath>

#include "base/Paths.h"

namespace twinlens::window {

namespace {

int percentOf(double fraction) {
  return static_cast<int>(std::floor(fraction * 100));
}

}  // namespace

std::string EncodeModel::start(const ProgramStart& runner) {
  // The encodes under way are not given up for new ones.
  if (running()) {
    return "The encodes of the last conversion are still running: wait for them to end or cancel "
           "them";
  }
  const std::string failure = run_.start(runner);
  if (!failure.empty()) return failure;
  view_.showEncodeWindow();
  show();
  return {};
}

void EncodeModel::tick() {
  if (!run_.status().running) return;
  run_.poll(0);
  show();
}

void EncodeModel::Button_CancelClick() {
  run_.cancel();
  show();
}

void EncodeModel::Button_Open_FolderClick() {
  if (!run_.folder().empty()) view_.openFolder(run_.folder());
}

void EncodeModel::show() {
  const EncodeStatus& status = run_.status();
  EncodeState state;
  state.running = status.running;
  state.clip = status.line();
  if (status.running && status.runningClips.size() > 1) {
    // Clips that run at once elsewhere: which, and the run's progress.
    state.clip = status.line().substr(0, status.line().find(':'));
  } else if (status.running && status.clip > 0) {
    state.clip = "Clip " + std::to_string(status.clip) + " of " + std::to_string(status.clips);
    for (std::size_t i = 0; i < status.outputs.size(); ++i) {
      state.clip += (i == 0 ? ": " : ", ") + paths::name(status.outputs[i]);
    }
  }
  state.clipPercent = percentOf(status.clipFraction());
  state.percent = percentOf(status.fraction());
  if (status.running) state.timeLeft = status.timeLeft();
  state.results = status.notes;
  for (const EncodeStatus::Result& result : status.results) {
    const std::string where = result.where.empty() ? "" : " on " + result.where;
    for (const std::string& output : result.outputs) {
      state.results.push_back(result.failed
                                  ? "Failed " + paths::name(output) + where + ": " + result.error
                                  : "Encoded " + paths::name(output) + where);
    }
  }
  if (state == state_) return;
  state_ = std::move(state);
  view_.showEncodeState(state_);
}

}  // namespace twinlens::window
