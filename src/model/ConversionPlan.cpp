#include "model/ConversionPlan.h"

namespace twinlens {

ConversionPlan::ConversionPlan(const ConversionSettings& settings)
    : draft_(makeClipRecipe(settings, {}, {})) {
  const bool pair = draft_.input != recipe::InputLayout::Mono;
  aligns_ = pair && alignsViews(settings);
  measures_ = pair && measuresViews(settings);
}

}  // namespace twinlens
