#include "engines/RunnerLines.h"

#include <vector>

#include "base/IntegerText.h"

namespace twinlens::runnerlines {

namespace {

std::string count(std::size_t number) {
  return std::to_string(number);
}

}  // namespace

std::string total(std::size_t clips, std::int64_t frames) {
  return "Encoding " + count(clips) + (clips == 1 ? " clip, " : " clips, ") +
         std::to_string(frames) + " frames";
}

std::string clipStarts(std::size_t number, std::size_t clips, std::int64_t frames,
                       const std::string& outputs) {
  return "Encoding clip " + count(number) + " of " + count(clips) + " (" + std::to_string(frames) +
         " frames): " + outputs;
}

std::string clipFailed(std::size_t number, std::size_t clips) {
  return "Clip " + count(number) + " of " + count(clips) + " failed";
}

std::string allEncoded(std::size_t clips) {
  return "All " + count(clips) + " clips encoded";
}

std::string failedCountTail(std::size_t clips) {
  return " of " + count(clips) + " clips failed";
}

Line read(std::string_view line) {
  std::vector<std::int64_t> numbers;
  Line read;
  if (readNumbersAs(line, "Encoding clip # of # (# frames)", numbers) && numbers[0] > 0) {
    return {Line::Kind::ClipStarts, numbers[0], numbers[1], numbers[2]};
  }
  if (readNumbersAs(line, "Encoding # clip", numbers) && line.ends_with(" frames")) {
    const std::int64_t clips = numbers[0];
    const std::size_t comma = line.rfind(", ");
    if (comma != std::string_view::npos &&
        readNumbersAs(line.substr(comma), ", # frames", numbers)) {
      return {Line::Kind::Total, 0, clips, numbers[0]};
    }
  }
  if (readNumbersAs(line, "Clip # of # failed", numbers) && line.ends_with(" failed")) {
    return {Line::Kind::ClipFailed, numbers[0], numbers[1], 0};
  }
  if ((line.starts_with("All ") && line.ends_with(" clips encoded")) ||
      line.ends_with(" clips failed")) {
    read.kind = Line::Kind::Ended;
  }
  return read;
}

}  // namespace twinlens::runnerlines
