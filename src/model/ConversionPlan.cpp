#include "model/ConversionPlan.h"

#include "base/Error.h"

namespace twinlens {

ConversionPlan::ConversionPlan(const ConversionSettings& settings)
    : draft_(makeClipRecipe(settings, {}, {})) {
  const bool pair = draft_.input != recipe::InputLayout::Mono;
  aligns_ = pair && alignsViews(settings);
  measures_ = pair && measuresViews(settings);
  if (findsLensCircles() && settings.RadioGroup_Projection == choices::Projection::Full360) {
    throw Error(
        "A dual-fisheye recording shows half a sphere: choose \"VR180\", or \"Flat\" for a window "
        "into it, under \"Projection\"");
  }
  const bool oneFileOfViews = draft_.input == recipe::InputLayout::SideBySide ||
                              draft_.input == recipe::InputLayout::OverUnder;
  if (!findsLensCircles() && !oneFileOfViews &&
      settings.RadioGroup_Projection != choices::Projection::Flat) {
    throw Error(
        "VR180 and 360 video is made from a dual-fisheye recording or from a VR file whose views "
        "lie side by side or over-under: choose one of those under \"Input Format\", or \"Flat\" "
        "under \"Projection\"");
  }
  if (findsLensCircles() && matchesColours()) {
    throw Error(
        "The colours of a dual-fisheye recording's views cannot be matched yet: choose \"No "
        "change\" under \"Colo(u)r match reference\"");
  }
}

}  // namespace twinlens
