#pragma once

#include "model/Choices.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// Deshaker runs on the view scripts of separate and mono output only; such a clip gets pass-1
// and pass-2 scripts in place of its plain output scripts.
inline bool deshakerPassesApply(const ConversionSettings& settings) {
  const int format = settings.RadioGroup_Output_Format;
  return settings.CheckBox_Deshake &&
         (format == choices::kOutputSeparate || format == choices::kOutputMono);
}

// A deshaked mono clip of a two-view input shows its right view when reversed, and its pass
// scripts then take the right output script's names, in the right clip's folder.
inline bool monoPassesTakeRightNames(const ConversionSettings& settings) {
  return deshakerPassesApply(settings) &&
         settings.RadioGroup_Output_Format == choices::kOutputMono &&
         settings.CheckBox_Reverse_LR && settings.RadioGroup_Input_Format != choices::kInputMono;
}

}  // namespace twinlens
