// The scripts of a run of 1000 clips, composed in memory (no disk), with few and with many
// options on. The time should grow linearly with the clip count.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engines/avisynth/ScriptBuilder.h"
#include "model/ClipNames.h"

namespace {

using namespace twinlens;

ConversionSettings manyOptions() {
  ConversionSettings s;
  s.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  s.Edit_Offset = "3";
  s.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  s.Edit_Audio_Frames_Cut = "2";
  s.CheckBox_Input_SF = true;
  s.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
  s.ComboBox_Blend = choices::BlendFrames::Frames128;  // the longest scripts there are
  s.CheckBox_Input_HW = true;
  s.CheckBox_HML = true;
  s.CheckBox_change_final_HV = true;
  s.Edit_Blur = "0.5";
  s.RadioGroup_Repeat = choices::Repeat::Repeat2_5;
  s.RadioGroup_FrameRates = choices::FrameRates::Pal;
  s.RadioGroup_Pitch = choices::Pitch::Change;
  s.ComboBox_Colour = choices::Colour::YV12;
  s.CheckBox_Reverse_LR = true;
  s.CheckBox_Deshake = true;
  s.CheckBox_Output_DI = true;
  return s;
}

void buildRun(benchmark::State& state, const ConversionSettings& settings) {
  const auto clips = static_cast<int>(state.range(0));
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < clips; ++i) {
    const std::string n = std::to_string(i);
    files.emplace_back("C:\\shoot\\left\\clip" + n + "_L.avi",
                       "C:\\shoot\\right\\clip" + n + "_R.avi");
  }
  const ScriptBuilder builder(PathStyle::Windows);
  for (auto _ : state) {
    TextFile histogram;
    std::size_t lines = 0;
    for (const auto& [left, right] : files) {
      const ClipNames names = deriveClipNames(settings, left, right, PathStyle::Windows);
      for (const auto& script : builder.build(makeClipRecipe(settings, names, {}), histogram))
        lines += script.lines.size();
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(state.iterations() * clips);
}

void BM_FewOptions(benchmark::State& state) {
  buildRun(state, ConversionSettings{});
}

void BM_ManyOptions(benchmark::State& state) {
  buildRun(state, manyOptions());
}

BENCHMARK(BM_FewOptions)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyOptions)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
