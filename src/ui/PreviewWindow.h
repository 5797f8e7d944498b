#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "ui/QtSoundOutput.h"
#include "window/PreviewModel.h"
#include "window/PreviewView.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace twinlens::ui {

// The preview window: the picture scaled to fit, the slider over the clip's frames with play,
// pause and step (the buttons, the space bar and the arrow keys), the mode choice, the clip's name
// and frame, the measured geometry and the notes; the sound plays through the system's sound
// output. It shows what the
// preview's behaviour tells it and hands its controls' changes to that behaviour.
class PreviewWindow : public QWidget {
  Q_OBJECT

 public:
  PreviewWindow(window::PreviewModel& model, QWidget* parent);
  ~PreviewWindow() override;

  void showState(const window::PreviewState& state);
  // A BMP file's bytes; empty for none.
  void showPicture(const std::string& bmp);
  const QImage& picture() const { return picture_; }
  window::SoundOutput* sound() { return &sound_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  window::PreviewModel& model_;
  QImage picture_;
  QWidget* canvas_;
  QSlider* slider_;
  QComboBox* mode_;
  QWidget* look_;  // the headset view's sliders
  QSlider* yaw_;
  QSlider* pitch_;
  QLabel* clip_;
  QLabel* figures_;
  QLabel* message_;
  QPushButton* choose_;
  QPushButton* play_;
  QtSoundOutput sound_;
  bool updating_ = false;  // the controls are being set from the state
};

}  // namespace twinlens::ui
