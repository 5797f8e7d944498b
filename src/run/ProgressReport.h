#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace twinlens {

// What ffmpeg's -progress reports tell of an encode, read line by line as they come: the frames
// encoded and the speed. A report file may be read as it grows; one started anew is read from its
// start.
class ProgressReport {
 public:
  ProgressReport() = default;
  explicit ProgressReport(std::string file) : file_(std::move(file)) {}

  // Takes in one line ("frame=120", "fps=31.5").
  void take(std::string_view line);
  // Takes in what the file gained since the last read.
  void readFile();
  // Forgets what was read: the next encode starts its report anew.
  void restart();
  // Forgets the frames and speed told so far, and reads on from where it is.
  void forget() {
    frame_ = 0;
    framesPerSecond_ = 0;
  }

  std::int64_t frame() const { return frame_; }
  double framesPerSecond() const { return framesPerSecond_; }
  const std::string& file() const { return file_; }

 private:
  std::string file_;
  std::uintmax_t read_ = 0;  // how much of the file was read
  std::string partLine_;     // its last line not yet complete
  std::int64_t frame_ = 0;
  double framesPerSecond_ = 0;
};

}  // namespace twinlens
