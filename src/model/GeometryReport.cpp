#include "model/GeometryReport.h"

#include <cstdio>

namespace twinlens {

namespace {

std::string number(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

DepthVerdict depthVerdict(double nearPermille, double farPermille) {
  if (nearPermille >= -10 && farPermille <= 20) return DepthVerdict::Green;
  if (nearPermille >= -25 && farPermille <= 40 && farPermille - nearPermille <= 30) {
    return DepthVerdict::Amber;
  }
  return DepthVerdict::Red;
}

const char* depthVerdictName(DepthVerdict verdict) {
  switch (verdict) {
    case DepthVerdict::Green:
      return "green";
    case DepthVerdict::Amber:
      return "amber";
    case DepthVerdict::Red:
      break;
  }
  return "red";
}

double automaticConvergence(double nearPermille, double farPermille) {
  const double shift = 3 - nearPermille;
  return farPermille + shift > 20 ? 20 - farPermille : shift;
}

std::vector<std::string> GeometryReport::lines() const {
  const double shift = automaticConvergence(parallaxNearPermille, parallaxFarPermille);
  return {
      "Vertical offset: " + number(verticalOffsetPx, 2) + " px (the right view lower)",
      "Roll: " + number(rollDeg, 3) + " degrees (the right view turned clockwise)",
      "Zoom: " + number(zoomPercent, 3) + " % (the right view larger)",
      "Toe-in: " + number(toeInDeg, 3) + " degrees, tilt: " + number(tiltDeg, 3) +
          " degrees (for a field of view of " + number(fieldOfViewDeg, 0) + " degrees)",
      "Vertical error: " + number(verticalBefore.mean, 2) + " px mean, " +
          number(verticalBefore.p95, 2) + " px at the 95th percentile; once aligned " +
          number(verticalAfter.mean, 2) + " px and " + number(verticalAfter.p95, 2) + " px",
      "Parallax: near " + number(parallaxNearPermille, 1) + " per mille, far " +
          number(parallaxFarPermille, 1) + " per mille of the width (range " +
          number(parallaxFarPermille - parallaxNearPermille, 1) +
          "): " + depthVerdictName(depthVerdict(parallaxNearPermille, parallaxFarPermille)),
      "Automatic convergence: a shift of " + number(shift, 1) + " per mille gives near " +
          number(parallaxNearPermille + shift, 1) + ", far " +
          number(parallaxFarPermille + shift, 1) + ": " +
          depthVerdictName(depthVerdict(parallaxNearPermille + shift, parallaxFarPermille + shift)),
      "Confidence: " + number(confidence, 2) + " (" + std::to_string(correspondences) +
          " matches in " + std::to_string(frames) + (frames == 1 ? " frame)" : " frames)"),
  };
}

std::string GeometryReport::json() const {
  auto error = [](const Error& e) {
    return "{\"mean\": " + number(e.mean, 3) + ", \"p95\": " + number(e.p95, 3) + "}";
  };
  return "{\"vertical_offset_px\": " + number(verticalOffsetPx, 3) +
         ", \"roll_deg\": " + number(rollDeg, 4) + ", \"zoom_percent\": " + number(zoomPercent, 4) +
         ", \"toe_in_deg\": " + number(toeInDeg, 4) + ", \"tilt_deg\": " + number(tiltDeg, 4) +
         ", \"field_of_view_deg\": " + number(fieldOfViewDeg, 1) +
         ", \"vertical_error_before_px\": " + error(verticalBefore) +
         ", \"vertical_error_after_px\": " + error(verticalAfter) +
         ", \"parallax_near_permille\": " + number(parallaxNearPermille, 2) +
         ", \"parallax_far_permille\": " + number(parallaxFarPermille, 2) +
         ", \"depth_verdict\": \"" +
         depthVerdictName(depthVerdict(parallaxNearPermille, parallaxFarPermille)) +
         "\", \"automatic_convergence_permille\": " +
         number(automaticConvergence(parallaxNearPermille, parallaxFarPermille), 2) +
         ", \"confidence\": " + number(confidence, 3) + ", \"frames\": " + std::to_string(frames) +
         ", \"correspondences\": " + std::to_string(correspondences) + "}";
}

}  // namespace twinlens
