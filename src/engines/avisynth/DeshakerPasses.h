#pragma once

#include "model/ConversionPlan.h"

namespace twinlens {

// Deshaker runs on the view scripts of separate and mono output only; such a clip gets pass-1
// and pass-2 scripts in place of its plain output scripts.
inline bool deshakerPassesApply(const ConversionPlan& clip) {
  return clip.has<recipe::Stabilise>(View::Left) &&
         (clip.layout() == recipe::OutputLayout::Separate ||
          clip.layout() == recipe::OutputLayout::Mono);
}

// A deshaked mono clip of a two-view input shows its right view when reversed, and its pass
// scripts then take the right output script's names, in the right clip's folder.
inline bool monoPassesTakeRightNames(const ConversionPlan& clip) {
  return deshakerPassesApply(clip) && clip.layout() == recipe::OutputLayout::Mono &&
         clip.reversed() && clip.input() != recipe::InputLayout::Mono;
}

}  // namespace twinlens
