#include "run/ProgressReport.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/IntegerText.h"

namespace twinlens {

void ProgressReport::take(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::int64_t> numbers;
  if (readNumbersAs(line, "frame=#", numbers)) {
    frame_ = numbers[0];
  } else if (line.starts_with("fps=")) {
    // Read the same in every locale.
    double rate = 0;
    std::from_chars(line.data() + 4, line.data() + line.size(), rate);
    if (rate > 0) framesPerSecond_ = rate;
  }
}

void ProgressReport::readFile() {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file_, error);
  if (error) return;
  // The next encode starts the file anew.
  if (size < read_) {
    read_ = 0;
    partLine_.clear();
  }
  if (size == read_) return;
  std::ifstream in(file_, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(read_));
  std::string text(static_cast<std::size_t>(size - read_), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  read_ += text.size();
  partLine_ += text;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = partLine_.find('\n', start);
    if (end == std::string::npos) break;
    take(std::string_view(partLine_).substr(start, end - start));
    start = end + 1;
  }
  partLine_.erase(0, start);
}

void ProgressReport::restart() {
  read_ = 0;
  partLine_.clear();
  frame_ = 0;
  framesPerSecond_ = 0;
}

}  // namespace twinlens
