#pragma once

#include <memory>
#include <string>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "model/ConversionSettings.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"

namespace twinlens {

// What an engine may draw on besides the settings.
struct EngineServices {
  MediaProbe* probe = nullptr;       // reads the clips; null: each engine's own way
  std::string colourMatcher;         // the twinlens-cli that makes colour tables
  PairMeasurer* measurer = nullptr;  // measures the clips' geometry where the settings ask
};

// The engine a first start chooses, with no settings file yet: the one whose files run on this
// system (AviSynth scripts need Windows).
int firstStartEngine();

// The engine the settings' "Engine" choice names (an unknown choice: the first engine).
std::unique_ptr<Engine> makeEngine(const ConversionSettings& settings, PathStyle style,
                                   const EngineServices& services);

}  // namespace twinlens
