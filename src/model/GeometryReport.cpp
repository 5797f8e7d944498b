#include "model/GeometryReport.h"

#include "base/DecimalText.h"

namespace twinlens {

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
      "Vertical offset: " + fixedText(verticalOffsetPx, 2) + " px (the right view lower)",
      "Roll: " + fixedText(rollDeg, 3) + " degrees (the right view turned clockwise)",
      "Zoom: " + fixedText(zoomPercent, 3) + " % (the right view larger)",
      "Toe-in: " + fixedText(toeInDeg, 3) + " degrees, tilt: " + fixedText(tiltDeg, 3) +
          " degrees (for a field of view of " + fixedText(fieldOfViewDeg, 0) + " degrees)",
      "Vertical error: " + fixedText(verticalBefore.mean, 2) + " px mean, " +
          fixedText(verticalBefore.p95, 2) + " px at the 95th percentile; once aligned " +
          fixedText(verticalAfter.mean, 2) + " px and " + fixedText(verticalAfter.p95, 2) + " px",
      "Parallax: near " + fixedText(parallaxNearPermille, 1) + " per mille, far " +
          fixedText(parallaxFarPermille, 1) + " per mille of the width (range " +
          fixedText(parallaxFarPermille - parallaxNearPermille, 1) +
          "): " + depthVerdictName(depthVerdict(parallaxNearPermille, parallaxFarPermille)),
      "Automatic convergence: a shift of " + fixedText(shift, 1) + " per mille gives near " +
          fixedText(parallaxNearPermille + shift, 1) + ", far " +
          fixedText(parallaxFarPermille + shift, 1) + ": " +
          depthVerdictName(depthVerdict(parallaxNearPermille + shift, parallaxFarPermille + shift)),
      "Confidence: " + fixedText(confidence, 2) + " (" + std::to_string(correspondences) +
          " matches in " + std::to_string(frames) + (frames == 1 ? " frame)" : " frames)") +
          (matchedShare >= kMinMatchedShare
               ? "; the depth from " + fixedText(100 * matchedShare, 0) + " % of the picture"
               : "; only " + fixedText(100 * matchedShare, 0) +
                     " % of the picture matched: the depth from the pieces"),
  };
}

std::string GeometryReport::json() const {
  auto error = [](const Error& e) {
    return "{\"mean\": " + fixedText(e.mean, 3) + ", \"p95\": " + fixedText(e.p95, 3) + "}";
  };
  return "{\"vertical_offset_px\": " + fixedText(verticalOffsetPx, 3) +
         ", \"roll_deg\": " + fixedText(rollDeg, 4) +
         ", \"zoom_percent\": " + fixedText(zoomPercent, 4) +
         ", \"toe_in_deg\": " + fixedText(toeInDeg, 4) +
         ", \"tilt_deg\": " + fixedText(tiltDeg, 4) +
         ", \"field_of_view_deg\": " + fixedText(fieldOfViewDeg, 1) +
         ", \"vertical_error_before_px\": " + error(verticalBefore) +
         ", \"vertical_error_after_px\": " + error(verticalAfter) +
         ", \"parallax_near_permille\": " + fixedText(parallaxNearPermille, 2) +
         ", \"parallax_far_permille\": " + fixedText(parallaxFarPermille, 2) +
         ", \"depth_verdict\": \"" +
         depthVerdictName(depthVerdict(parallaxNearPermille, parallaxFarPermille)) +
         "\", \"automatic_convergence_permille\": " +
         fixedText(automaticConvergence(parallaxNearPermille, parallaxFarPermille), 2) +
         ", \"confidence\": " + fixedText(confidence, 3) +
         ", \"matched_share\": " + fixedText(matchedShare, 3) +
         ", \"frames\": " + std::to_string(frames) +
         ", \"correspondences\": " + std::to_string(correspondences) + "}";
}

}  // namespace twinlens
