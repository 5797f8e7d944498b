// Any bytes as ffprobe's report of a clip: the probe reads a clip the run can use or refuses it,
// never anything in between. Reports are read whole (every packet) or by their streams' headers.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Error.h"
#include "media/FfprobeMediaProbe.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace twinlens;
  const std::string report(reinterpret_cast<const char*>(data), size);
  MediaInfo info;
  try {
    info = FfprobeMediaProbe::parseReport("clip.mp4", report);
  } catch (const Error&) {
    return 0;
  }
  check(info.frameRate.num > 0 && info.frameRate.den > 0);
  check(info.frames >= 0 && info.width >= 0 && info.height >= 0);
  check(!info.hasAudio || info.sampleRate > 0);
  check(info.pixelAspect.num > 0 && info.pixelAspect.den > 0);
  check(info.rotation == 0 || info.rotation == 90 || info.rotation == 180 || info.rotation == 270);
  check(info.bitDepth >= 0 && info.bitDepth <= 64);
  // The pixel format's name goes into filter graphs: nothing but a name's own characters.
  check(info.pixelFormat.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") ==
        std::string::npos);
  return 0;
}
