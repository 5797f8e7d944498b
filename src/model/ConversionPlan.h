#pragma once

#include "model/ClipRecipe.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// What every clip of a run does, decided from the settings alone before any file is read: for
// checking the settings, choosing the dialogs, asking the scan what to read and naming the run's
// own files. It is no recipe and renders nothing: the steps that need the files' facts (their
// conforming, their alignment, their sound and stereo tags) are not decided yet; a clip's recipe
// is made from what the scan read (makeClipRecipe).
class ConversionPlan {
 public:
  // Raises Error for a number of the settings the user must mend, as makeClipRecipe does.
  explicit ConversionPlan(const ConversionSettings& settings);

  recipe::Source source() const { return draft_.source; }
  recipe::InputLayout input() const { return draft_.input; }
  recipe::OutputLayout layout() const { return draft_.layout; }
  bool reversed() const { return draft_.reversed; }
  bool twoFiles() const { return draft_.twoFiles(); }
  bool pictures() const { return draft_.source == recipe::Source::Pictures; }
  // Whether the views are given a step of the settings' own (not a conform or an align step).
  template <typename T>
  bool has(View view) const {
    return draft_.has<T>(view);
  }
  bool matchesColours() const {
    return has<recipe::ColourMatch>(View::Left) || has<recipe::ColourMatch>(View::Right);
  }
  // Whether the settings align or converge the views of two-view clips, and whether that needs
  // each clip's pictures measured.
  bool aligns() const { return aligns_; }
  bool measures() const { return measures_; }
  // Whether each clip's lens circles are found: a dual-fisheye recording's.
  bool findsLensCircles() const { return draft_.input == recipe::InputLayout::DualFisheye; }

 private:
  ClipRecipe draft_;  // a recipe without names or facts
  bool aligns_ = false;
  bool measures_ = false;
};

}  // namespace twinlens
