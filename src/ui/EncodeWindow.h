#pragma once

#include <QWidget>

#include "window/EncodeModel.h"
#include "window/EncodeView.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace twinlens::ui {

// The encoding window: which clip of how many, the clip's and the whole run's progress, the time
// left, Cancel; at the end each output's result and a button that opens their folder. Closing it
// while ffmpeg encodes cancels the encodes.
class EncodeWindow : public QWidget {
  Q_OBJECT

 public:
  EncodeWindow(window::EncodeModel& model, QWidget* parent);

  void showState(const window::EncodeState& state);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  window::EncodeModel& model_;
  QLabel* clip_;
  QProgressBar* clipBar_;
  QProgressBar* allBar_;
  QLabel* timeLeft_;
  QListWidget* results_;
  QPushButton* cancel_;
  QPushButton* openFolder_;
  QPushButton* close_;
};

}  // namespace twinlens::ui
