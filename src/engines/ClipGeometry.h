#pragma once

#include <cstddef>
#include <optional>

#include "engines/Engine.h"
#include "model/ClipRecipe.h"
#include "model/GeometryReport.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// The geometry of clip `index` of `count` measured from its pictures, where "Align views" or
// "Convergence" asks for it and the clip has a pair; the output is told which clip is measured.
// Raises Error when the clip cannot be measured.
std::optional<GeometryReport> measureClip(const ConversionSettings& settings,
                                          PairMeasurer& measurer, const ClipRecipe& conversion,
                                          const ClipNames& clip, std::size_t index,
                                          std::size_t count, EngineOutput& output);

}  // namespace twinlens
