#include "run/EngineList.h"

#include <array>

#include "engines/avisynth/AviSynthEngine.h"
#include "engines/ffmpeg/FfmpegEngine.h"
#include "engines/ffmpeg/FilterGraphBuilder.h"
#include "model/Choices.h"

namespace twinlens {

namespace {

using Maker = std::unique_ptr<Engine> (*)(const ConversionSettings&, PathStyle,
                                          const EngineServices&);

// Every engine, in the order of the "Engine" choice's captions.
constexpr std::array<Maker, 2> kEngines = {
    [](const ConversionSettings& s, PathStyle style, const EngineServices&) {
      return std::unique_ptr<Engine>(std::make_unique<AviSynthEngine>(s, style));
    },
    [](const ConversionSettings& s, PathStyle style, const EngineServices& services) {
      return std::unique_ptr<Engine>(
          std::make_unique<FfmpegEngine>(s, style, services.colourMatcher));
    },
};
static_assert(kEngines.size() == choices::kEngine.size(), "one engine for every caption");

}  // namespace

choices::Engine firstStartEngine() {
#ifdef _WIN32
  return choices::Engine::AviSynth;
#else
  return choices::Engine::Ffmpeg;
#endif
}

std::unique_ptr<FrameRenderer> makeFrameRenderer() {
  return std::make_unique<FilterGraphBuilder>();
}

std::unique_ptr<Engine> makeEngine(const ConversionSettings& settings, PathStyle style,
                                   const EngineServices& services) {
  const int choice = choices::itemIndex(settings.RadioGroup_Engine);
  const bool known = choice >= 0 && choice < static_cast<int>(kEngines.size());
  return kEngines[known ? static_cast<std::size_t>(choice) : 0](settings, style, services);
}

}  // namespace twinlens
