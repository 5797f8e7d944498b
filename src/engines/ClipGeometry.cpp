#include "engines/ClipGeometry.h"

#include <string>

namespace twinlens {

std::optional<GeometryReport> measureClip(const ConversionSettings& settings,
                                          PairMeasurer& measurer, const ClipRecipe& conversion,
                                          const ClipNames& clip, std::size_t index,
                                          std::size_t count, EngineOutput& output) {
  if (!measuresViews(settings) || conversion.input == recipe::InputLayout::Mono) {
    return std::nullopt;
  }
  output.progress("Measuring the geometry of clip " + std::to_string(index + 1) + " of " +
                  std::to_string(count) + ": \"" + clip.leftFile + "\"");
  return measurer.measure(conversion.input, clip.leftFile,
                          conversion.twoFiles() ? clip.rightFile : clip.leftFile);
}

}  // namespace twinlens
