#include "analysis/OffsetDetector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "analysis/SoundCorrelation.h"
#include "base/Error.h"

namespace twinlens {

namespace {

// Sound below this level (about -80 dBFS) is silence.
constexpr double kSilence = 1e-4;
// Pieces placed over less than this time tell no drift.
constexpr double kShortestForDrift = 20;
// How far a piece may lie from the line through the others and still count.
constexpr double kResidualSeconds = 0.003;
// How far the exact search looks around the coarse offset.
constexpr double kSearchSeconds = 0.25;

std::string fixed(double value, int decimals, bool sign) {
  char text[64];
  std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", decimals, value);
  return text;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// A clip's sound, kept as one or two decoded stretches.
class Track {
 public:
  Track(SoundSource& source, const std::string& file, double seconds, double needed) {
    // Short clips are decoded whole; long ones as much as the start and the end need.
    if (seconds <= 2 * needed) {
      stretches_.push_back({0, source.sound(file, 0, seconds, OffsetDetector::kSampleRate)});
    } else {
      stretches_.push_back({0, source.sound(file, 0, needed, OffsetDetector::kSampleRate)});
      stretches_.push_back({seconds - needed, source.sound(file, seconds - needed, needed,
                                                           OffsetDetector::kSampleRate)});
    }
    double loudest = 0;
    for (const auto& stretch : stretches_) loudest = std::max(loudest, rmsOf(stretch.samples));
    if (loudest < kSilence) {
      throw Error("The sound of \"" + file + "\" is silent; the offset cannot be measured");
    }
  }

  // The samples from `start` for `length` seconds, clipped to what was decoded; empty when the
  // piece lies outside.
  std::vector<float> piece(double start, double length, double& actualStart) const {
    for (const auto& stretch : stretches_) {
      const double rate = OffsetDetector::kSampleRate;
      const auto count = static_cast<std::ptrdiff_t>(stretch.samples.size());
      auto first = static_cast<std::ptrdiff_t>(std::floor((start - stretch.start) * rate));
      auto last = static_cast<std::ptrdiff_t>(std::floor((start + length - stretch.start) * rate));
      first = std::max<std::ptrdiff_t>(first, 0);
      last = std::min(last, count);
      if (last - first < static_cast<std::ptrdiff_t>(rate)) continue;
      actualStart = stretch.start + static_cast<double>(first) / rate;
      return {stretch.samples.begin() + first, stretch.samples.begin() + last};
    }
    return {};
  }

 private:
  struct Stretch {
    double start;
    std::vector<float> samples;
  };
  std::vector<Stretch> stretches_;
};

// One piece of the left sound placed in the right one.
struct Placement {
  double time;    // where the piece lies in the left clip
  double offset;  // the right clip's time minus the left clip's
  double confidence;
};

// Looks for the left piece at `time` in the right sound within `search` of `expected`.
std::optional<Placement> place(const Track& left, const Track& right, double time, double expected,
                               double search) {
  double leftStart = 0;
  double rightStart = 0;
  const std::vector<float> piece = left.piece(time, OffsetDetector::kPieceSeconds, leftStart);
  const std::vector<float> around = right.piece(
      leftStart + expected - search, OffsetDetector::kPieceSeconds + 2 * search, rightStart);
  if (piece.empty() || around.empty() || rmsOf(piece) < kSilence) return std::nullopt;
  // A lag k puts the piece at around[k]: the right clip's time is rightStart + k.
  const SoundLag lag = correlateSounds(piece, around, OffsetDetector::kSampleRate,
                                       OffsetDetector::kPieceSeconds + 2 * search);
  const double offset = rightStart + lag.seconds - leftStart;
  if (std::abs(offset - expected) > search) return std::nullopt;
  return Placement{leftStart + OffsetDetector::kPieceSeconds / 2, offset, lag.confidence};
}

}  // namespace

std::vector<std::string> OffsetReport::lines() const {
  std::vector<std::string> out{"Offset frames: " + std::to_string(frames),
                               "Remainder: " + fixed(remainderMs, 1, true) + " ms",
                               "Confidence: " + fixed(confidence, 1, false)};
  if (!driftMeasured) {
    out.push_back("Drift: not measured (the clips are too short or their ends do not match)");
    return out;
  }
  out.push_back("Drift: " + fixed(driftMs, 1, true) + " ms over the clip (" +
                fixed(driftPpm, 1, true) + " ppm)");
  if (driftWarning) {
    out.push_back(
        "Warning: the cameras' clocks drift apart by more than half a frame over the "
        "clip; the end will be out of sync");
  }
  return out;
}

OffsetDetector::OffsetDetector(SoundSource& source, double windowSeconds)
    : source_(source), windowSeconds_(windowSeconds) {}

OffsetReport OffsetDetector::detect(const std::string& left, const std::string& right) {
  const ClipTiming leftTiming = source_.timing(left);
  const ClipTiming rightTiming = source_.timing(right);
  for (const auto& [file, timing] : {std::pair{&left, &leftTiming}, {&right, &rightTiming}}) {
    if (!timing->hasSound) {
      throw Error("\"" + *file + "\" has no sound to measure the offset from");
    }
  }
  const double window = windowSeconds_;
  const double needed = window + 2 * kMaxOffsetSeconds + kPieceSeconds;
  const Track leftTrack(source_, left, leftTiming.seconds, needed);
  const Track rightTrack(source_, right, rightTiming.seconds, needed);

  // Coarse: pieces after the first kMaxOffsetSeconds (so that an early right clip still holds
  // them), each looked for over the whole range; the offset most of them agree on.
  std::vector<Placement> coarse;
  const double firstTime = std::min(kMaxOffsetSeconds, leftTiming.seconds / 3);
  for (int i = 0; i < 5; ++i) {
    const double time = firstTime + i * kPieceSeconds;
    if (time + kPieceSeconds > leftTiming.seconds) break;
    if (auto found = place(leftTrack, rightTrack, time, 0, kMaxOffsetSeconds)) {
      coarse.push_back(*found);
    }
  }
  std::vector<double> confidences;
  std::vector<double> offsets;
  for (const Placement& p : coarse) {
    confidences.push_back(p.confidence);
    offsets.push_back(p.offset);
  }
  const double confidence = median(confidences);
  const double estimate = median(offsets);
  // Most pieces must agree on the place, each found on its own.
  const auto agreeing = std::count_if(offsets.begin(), offsets.end(), [&](double offset) {
    return std::abs(offset - estimate) <= kSearchSeconds / 10;
  });
  if (coarse.empty() || confidence < kMinConfidence ||
      2 * agreeing <= static_cast<std::ptrdiff_t>(offsets.size())) {
    throw Error("The two clips' sounds do not match clearly (confidence " +
                fixed(confidence, 1, false) + "); the offset is not changed");
  }

  // Exact: every piece of the first and the last window near that offset.
  std::vector<Placement> placed;
  auto placeFrom = [&](double from, double to) {
    for (double time = std::max(from, 0.0); time + kPieceSeconds <= to; time += kPieceSeconds) {
      auto found = place(leftTrack, rightTrack, time, estimate, kSearchSeconds);
      if (found && found->confidence >= kMinConfidence) placed.push_back(*found);
    }
  };
  const double end = leftTiming.seconds;
  if (end <= 2 * window) {
    placeFrom(0, end);
  } else {
    placeFrom(0, window);
    placeFrom(end - window, end);
  }
  if (placed.empty()) placed = coarse;

  // The line through the placements, refitted without those far off it.
  double intercept = estimate;
  double slope = 0;
  auto fit = [&](const std::vector<Placement>& points) {
    double meanT = 0;
    double meanO = 0;
    for (const Placement& p : points) {
      meanT += p.time;
      meanO += p.offset;
    }
    meanT /= static_cast<double>(points.size());
    meanO /= static_cast<double>(points.size());
    double covariance = 0;
    double variance = 0;
    for (const Placement& p : points) {
      covariance += (p.time - meanT) * (p.offset - meanO);
      variance += (p.time - meanT) * (p.time - meanT);
    }
    slope = variance > 0 ? covariance / variance : 0;
    intercept = meanO - slope * meanT;
  };
  fit(placed);
  std::vector<Placement> kept;
  for (const Placement& p : placed) {
    if (std::abs(p.offset - (intercept + slope * p.time)) <= kResidualSeconds) kept.push_back(p);
  }
  if (kept.size() >= 2) fit(kept);
  double spread = 0;
  if (!kept.empty()) {
    spread =
        std::max_element(kept.begin(), kept.end(), [](auto& a, auto& b) { return a.time < b.time; })
            ->time -
        std::min_element(kept.begin(), kept.end(), [](auto& a, auto& b) {
          return a.time < b.time;
        })->time;
  }

  const double rate = leftTiming.frameRate.value();
  OffsetReport report;
  report.confidence = confidence;
  report.driftMeasured = spread >= kShortestForDrift;
  if (!report.driftMeasured) {
    // Too little time between the pieces for a slope: the offset they agree on.
    std::vector<double> agreed;
    for (const Placement& p : kept.empty() ? placed : kept) agreed.push_back(p.offset);
    intercept = median(agreed);
  }
  report.frames = std::llround(intercept * rate);
  report.remainderMs = (intercept - static_cast<double>(report.frames) / rate) * 1000;
  if (report.driftMeasured) {
    report.driftPpm = slope * 1e6;
    report.driftMs = slope * leftTiming.seconds * 1000;
    report.driftWarning = std::abs(report.driftMs) > 500 / rate;
  }
  return report;
}

}  // namespace twinlens
