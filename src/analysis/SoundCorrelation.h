#pragma once

#include <vector>

namespace twinlens {

// Where one sound is found in another.
struct SoundLag {
  double seconds = 0;     // how much later the sound comes in the second track than in the first
  double confidence = 0;  // the correlation peak against the next best one apart from it
};

// The lag between two mono tracks of one sample rate, from their cross-correlation over FFTs with
// phase weighting (each frequency counts alike, so gain, colour and loudness differences between
// the microphones do not move the peak), refined between samples by a parabola through the peak.
// Lags up to `maxLagSeconds` either way are considered.
SoundLag correlateSounds(const std::vector<float>& first, const std::vector<float>& second,
                         double sampleRate, double maxLagSeconds);

// The root mean square of a track.
double rmsOf(const std::vector<float>& samples);

}  // namespace twinlens
