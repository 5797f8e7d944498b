#pragma once

#include <memory>
#include <string>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "engines/FrameRenderer.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// What an engine may draw on besides the settings.
struct EngineServices {
  std::string colourMatcher;  // the twinlens-cli that makes colour tables
};

// The engine a first start chooses, with no settings file yet: the one whose files run on this
// system (AviSynth scripts need Windows).
choices::Engine firstStartEngine();

// What renders the preview's frames, whichever engine is chosen: the ffmpeg engine's graphs.
std::unique_ptr<FrameRenderer> makeFrameRenderer();

// The engine the settings' "Engine" choice names (an unknown choice: the first engine).
std::unique_ptr<Engine> makeEngine(const ConversionSettings& settings, PathStyle style,
                                   const EngineServices& services);

}  // namespace twinlens
