#include "ui/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>

namespace twinlens::ui {

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
  stop();
}

std::string QtSoundOutput::start(int sampleRate) {
  stop();
  const QAudioDevice output = QMediaDevices::defaultAudioOutput();
  if (output.isNull()) return "No sound output is found";
  QAudioFormat format;
  format.setSampleRate(sampleRate);
  format.setChannelCount(2);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!output.isFormatSupported(format)) {
    return "\"" + output.description().toStdString() + "\" does not play 16-bit stereo at " +
           std::to_string(sampleRate) + " Hz";
  }
  sink_ = std::make_unique<QAudioSink>(output, format);
  device_ = sink_->start();
  if (device_ == nullptr || sink_->error() != QAudio::NoError) {
    sink_.reset();
    device_ = nullptr;
    return "\"" + output.description().toStdString() + "\" cannot be opened";
  }
  return {};
}

std::size_t QtSoundOutput::write(std::string_view samples) {
  if (device_ == nullptr) return 0;
  const qint64 room = std::min<qint64>(sink_->bytesFree(), static_cast<qint64>(samples.size()));
  if (room <= 0) return 0;
  const qint64 taken = device_->write(samples.data(), room / 4 * 4);
  return taken > 0 ? static_cast<std::size_t>(taken) : 0;
}

double QtSoundOutput::heardSeconds() {
  return sink_ ? static_cast<double>(sink_->processedUSecs()) / 1e6 : 0;
}

void QtSoundOutput::stop() {
  if (sink_) sink_->stop();
  sink_.reset();
  device_ = nullptr;
}

}  // namespace twinlens::ui
