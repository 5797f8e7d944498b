#include "media/FfmpegSoundSource.h"

#include <cstring>

#include "base/Error.h"
#include "media/FfprobeMediaProbe.h"
#include "platform/ProgramOutput.h"

namespace twinlens {

namespace {

std::string seconds(double value) {
  return std::to_string(value);
}

}  // namespace

FfmpegSoundSource::FfmpegSoundSource(const ConversionSettings& settings)
    : settings_(settings), program_(FfprobeMediaProbe::ffmpegFor(settings.FfmpegLocation)) {}

ClipTiming FfmpegSoundSource::timing(const std::string& file) {
  const MediaInfo info = FfprobeMediaProbe(settings_).probe(file);
  ClipTiming timing;
  timing.frameRate = info.frameRate;
  timing.seconds = static_cast<double>(info.frames) / info.frameRate.value();
  timing.hasSound = info.hasAudio;
  return timing;
}

// The window is cut after decoding (-ss after -i): seeking in the input lands on a packet of the
// sound, some tens of milliseconds away, which would show as clock drift.
std::vector<float> FfmpegSoundSource::sound(const std::string& file, double start, double length,
                                            int sampleRate) {
  const platform::ProgramOutput result = platform::runProgram(
      {program_, "-v", "error", "-nostdin", "-i", file, "-map", "0:a:0", "-ss", seconds(start),
       "-t", seconds(length), "-ac", "1", "-ar", std::to_string(sampleRate), "-f", "f32le", "-"});
  if (!result.started) throw Error("Cannot decode the sound of \"" + file + "\": " + result.errors);
  if (result.exitCode != 0) {
    throw Error("Cannot decode the sound of \"" + file + "\": " + result.lastErrorLine());
  }
  std::vector<float> samples(result.output.size() / sizeof(float));
  std::memcpy(samples.data(), result.output.data(), samples.size() * sizeof(float));
  return samples;
}

}  // namespace twinlens
