#pragma once

#include <QIODevice>
#include <memory>

#include "window/SoundOutput.h"

class QAudioSink;

namespace twinlens::ui {

// The preview's sound through Qt Multimedia: the system's default sound output, fed as the
// preview reads the sound.
class QtSoundOutput : public window::SoundOutput {
 public:
  QtSoundOutput();
  ~QtSoundOutput() override;

  std::string start(int sampleRate) override;
  std::size_t write(std::string_view samples) override;
  double heardSeconds() override;
  void stop() override;

 private:
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;  // the sink's, while it plays
};

}  // namespace twinlens::ui
