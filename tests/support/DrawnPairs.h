// A pair measurer that draws the pairs instead of reading them: a generated scene, and the right
// view through a known rig, measured by the real estimator. A left file whose name starts with
// "flat" is a grey picture.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/GeometryEstimator.h"
#include "base/Error.h"
#include "model/PairMeasurer.h"
#include "support/SyntheticPair.h"

namespace twinlens::test {

class DrawnPairs : public PairMeasurer {
 public:
  synthetic::Rig rig{8, 0.5, 1, 0, 0};
  std::vector<recipe::InputLayout> layouts;  // each measurement's

  GeometryReport measure(recipe::InputLayout layout, const std::string& left, const std::string&,
                         MediaProbe&) override {
    layouts.push_back(layout);
    const GrayImage scene = synthetic::texture(11);
    GrayImage shown = scene;
    if (std::filesystem::path(left).filename().string().starts_with("flat")) {
      for (float& pixel : shown.pixels) pixel = 128;
    }
    GeometryEstimator estimator;
    estimator.add(shown, synthetic::rightView(scene, rig));
    GeometryReport report;
    try {
      report = estimator.report(synthetic::kWidth);
    } catch (const Error& error) {
      throw Error("Cannot measure the geometry of \"" + left + "\": " + error.what());
    }
    report.viewWidth = synthetic::kWidth;
    report.viewHeight = synthetic::kHeight;
    return report;
  }
};

}  // namespace twinlens::test
