#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace twinlens {

// The lines the ffmpeg engine's runner says between ffmpeg's own, as its writer writes them and
// its follower (EncodeRun) reads them: one definition of each.
namespace runnerlines {

// "Encoding 3 clips, 750 frames": the first line.
std::string total(std::size_t clips, std::int64_t frames);
// "Encoding clip 2 of 3 (250 frames): b_LR.mkv": before each clip's commands.
std::string clipStarts(std::size_t number, std::size_t clips, std::int64_t frames,
                       const std::string& outputs);
// "Clip 2 of 3 failed".
std::string clipFailed(std::size_t number, std::size_t clips);
// "All 3 clips encoded": the last line when none failed.
std::string allEncoded(std::size_t clips);
// " of 3 clips failed": the last line when some failed follows their count.
std::string failedCountTail(std::size_t clips);

// What a line of the runner says.
struct Line {
  enum class Kind { Total, ClipStarts, ClipFailed, Ended, Other };
  Kind kind = Kind::Other;
  std::int64_t clip = 0;    // ClipStarts, ClipFailed: counted from 1
  std::int64_t clips = 0;   // Total, ClipStarts
  std::int64_t frames = 0;  // Total: of every clip; ClipStarts: of that clip's primary output
};
Line read(std::string_view line);

}  // namespace runnerlines
}  // namespace twinlens
