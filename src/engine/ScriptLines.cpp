#include "engine/ScriptLines.h"

#include <array>
#include <string_view>

#include "engine/Choices.h"

namespace twinlens::scriptlines {

namespace {

constexpr int kBlendFrames = 1;
constexpr int kTimeLapse = 2;
constexpr int kChangePitch = 1;

// "SelectEvery(<cycle>,<offsets>)" of a repeat choice.
std::string selectionLine(const choices::FrameSelection& selection) {
  std::string line = "SelectEvery(" + std::to_string(selection.cycle);
  for (int i = 0; i < selection.count; ++i) {
    line.append(",").append(std::to_string(selection.offsets[static_cast<std::size_t>(i)]));
  }
  return line + ")";
}

std::string assumeFps(std::int64_t num, std::int64_t den) {
  std::string line = "AssumeFPS(" + std::to_string(num);
  return line.append(", ").append(std::to_string(den)).append(", true)");
}

bool repeats(const ConversionSettings& s) {
  return s.RadioGroup_Repeat >= 1 &&
         s.RadioGroup_Repeat < static_cast<int>(choices::kRepeatSelections.size());
}

bool changesFrameRate(const ConversionSettings& s) {
  return s.RadioGroup_FrameRates >= 1 && s.RadioGroup_FrameRates <= choices::kUserDefinedFrameRate;
}

std::string overlay(const std::string& a, const std::string& b) {
  return "Overlay(" + a + ", " + b + ", mode=\"blend\", opacity=0.5)";
}

std::string clipName(int level, int index) {
  std::string name = "c";
  name.append(std::to_string(level)).append(std::to_string(index));
  return name;
}

// The sound the view's sound line names: the chosen one where the script has set it, else the
// view's own.
// Which view's sound names are set before a view's sound line.
struct SoundsSet {
  bool left;
  bool right;
};

std::string soundSource(View view, const ConversionSettings& s, SoundsSet set) {
  const std::string own = view == View::Left ? "al" : "ar";
  const std::string chosen = s.CheckBox_Blend_RightSound ? "ar" : "al";
  const bool chosenIsSet =
      chosen == own || (chosen == "al" && set.left) || (chosen == "ar" && set.right);
  return chosenIsSet ? chosen : own;
}

void blendFrames(TextFile& out, View view, const ConversionSettings& s, int k, SoundsSet set,
                 bool hasSound) {
  const int frames = 1 << (k + 1);
  for (int i = 1; i <= frames; ++i) {
    out.add(clipName(0, i) + "=Trim(last, " + std::to_string(i - 1) + ", 0)");
  }
  out.add((view == View::Left ? "al=" : "ar=") + clipName(0, frames / 2));
  for (int level = 1; level <= k; ++level) {
    const int count = 1 << (k + 1 - level);
    for (int n = 1; n <= count; ++n) {
      out.add(clipName(level, n) + "=" +
              overlay(clipName(level - 1, 2 * n - 1), clipName(level - 1, 2 * n)));
    }
  }
  out.add(s.CheckBox_180 ? clipName(k, 1) : overlay(clipName(k, 1), clipName(k, 2)));
  // AudioDub refuses a clip without sound.
  if (hasSound) out.add("AudioDub (last," + soundSource(view, s, set) + ")");
}

void timeLapse(TextFile& out, View view, const ConversionSettings& s, int k, SoundsSet set) {
  // The left view sets the rate and length that the right view reads after it; a right view
  // standing alone sets its own.
  const bool setsRateAndLength = view == View::Left || !set.left;
  if (setsRateAndLength) out.add("fr = FrameRate()");
  const int halvings = s.CheckBox_180 ? k : k + 1;
  for (int i = 0; i < halvings; ++i) {
    out.add("c1=selectevery(last, 2, 0)");
    out.add("c2=selectevery(last, 2, 1)");
    out.add(overlay("c1", "c2"));
  }
  if (s.CheckBox_180) out.add("SelectEven");
  if (setsRateAndLength) out.add("fn = FrameCount()");
  out.add("AssumeFPS(fr)");
  out.add(view == View::Left ? "al=last" : "ar=last");
  out.add("AudioDubEx (last," + soundSource(view, s, set) + ")");
  out.add("Trim(1, fn)");
}

int sizeFactor(bool inputHalf, bool outputHalf) {
  if (inputHalf && !outputHalf) return 4;
  if (!inputHalf && outputHalf) return 1;
  return 2;
}

}  // namespace

void timeShift(TextFile& out, View view, std::int64_t offset) {
  if (offset > 0) {
    if (view == View::Left) {
      out.add("f = Framecount()");
      out.add("Trim(0,f-" + std::to_string(offset + 1) + ")");
    } else {
      out.add("Trim(" + std::to_string(offset) + ",0)");
    }
  } else if (offset < 0) {
    if (view == View::Left) {
      out.add("Trim(" + std::to_string(-offset) + ",0)");
    } else {
      out.add("g = Framecount()");
      out.add("Trim(0,g" + std::to_string(offset - 1) + ")");
    }
  }
}

void audioCut(TextFile& out, const std::string& frames) {
  out.add("v_tmp=last");
  out.add("a_tmp=trim(0,FrameCount()-" + frames + ")");
  out.add("AudioDub(v_tmp, a_tmp)");
}

void fieldLines(TextFile& out, const ConversionSettings& s) {
  if (s.CheckBox_Input_SF && !s.CheckBox_Output_SF) {
    out.add("AssumeFieldBased()");
    out.add("Weave()");
    out.add("SwapFields()");
  } else if (!s.CheckBox_Input_SF && s.CheckBox_Output_SF) {
    out.add("AssumeTFF()");
    out.add("SeparateFields()");
  }
}

bool blendsOrLapses(const ConversionSettings& s) {
  const int k = s.ComboBox_Blend;
  return k >= 0 && k < static_cast<int>(choices::kBlend.size()) &&
         (s.RadioGroup_Blend_TL == kBlendFrames || s.RadioGroup_Blend_TL == kTimeLapse);
}

void blendOrTimeLapse(TextFile& out, View view, const ConversionSettings& s, bool leftViewBefore,
                      bool rightSoundBefore, bool hasSound) {
  if (!blendsOrLapses(s)) return;
  const int k = s.ComboBox_Blend;
  const SoundsSet set{leftViewBefore, rightSoundBefore};
  if (s.RadioGroup_Blend_TL == kBlendFrames) blendFrames(out, view, s, k, set, hasSound);
  if (s.RadioGroup_Blend_TL == kTimeLapse) timeLapse(out, view, s, k, set);
}

void sizeLines(TextFile& out, const ConversionSettings& s) {
  const int width = sizeFactor(s.CheckBox_Input_HW, s.CheckBox_Output_HW);
  const int height = sizeFactor(s.CheckBox_Input_HH, s.CheckBox_Output_HH);
  if (width == 2 && height == 2) return;
  out.add("ClipWidth = Width()");
  out.add("ClipHeight = Height()");
  out.add("K_Width = " + std::to_string(width));
  out.add("K_Height = " + std::to_string(height));
  out.add("Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)");
}

void splitLines(TextFile& out, View view, const ConversionSettings& s) {
  const bool left = view == View::Left;
  if (s.RadioGroup_Input_Format == choices::kInputSideBySide) {
    out.add("ClipWidth = Width()");
    out.add(left ? "Crop (0,0,-ClipWidth/2,-0)" : "Crop (ClipWidth/2,0,-0,-0)");
  } else if (s.RadioGroup_Input_Format == choices::kInputOverUnder) {
    out.add("ClipHeight = Height()");
    out.add(left ? "CropBottom (Height/2)" : "Crop (0,Height/2,-0,-0)");
  }
}

void mirrorLines(TextFile& out, View view, const ConversionSettings& s) {
  const bool left = view == View::Left;
  if (left ? s.CheckBox_HML : s.CheckBox_HMR) out.add("FlipHorizontal()");
  if (left ? s.CheckBox_VML : s.CheckBox_VMR) out.add("FlipVertical()");
}

void finalSize(TextFile& out, const ConversionSettings& s) {
  if (!s.CheckBox_change_final_HV) return;
  if (s.Edit_Blur != "0") out.add("Blur(" + s.Edit_Blur + ")");
  out.add("Lanczos4Resize(" + s.Edit_final_H + "," + s.Edit_final_V + ")");
}

void rateTail(TextFile& out, const ConversionSettings& s) {
  const bool keepPitch = s.RadioGroup_Pitch == kChangePitch && (repeats(s) || changesFrameRate(s));
  if (keepPitch) out.add("AR= Audiorate(last)");
  if (repeats(s)) {
    out.add("Frn=FrameRateNumerator()");
    out.add("Frd=FrameRateDenominator()");
    out.add(
        selectionLine(choices::kRepeatSelections[static_cast<std::size_t>(s.RadioGroup_Repeat)]));
    // With "No change" the clip gets its old rate back, so it runs longer or shorter; no chosen
    // rate at all adds nothing.
    if (s.RadioGroup_FrameRates == 0) out.add("AssumeFPS(Frn, FRd, true)");
  }
  if (s.RadioGroup_FrameRates == choices::kUserDefinedFrameRate) {
    out.add(assumeFps(s.UserFrNum, s.UserFrDen));
  } else if (changesFrameRate(s)) {
    const auto& rate = choices::kFrameRateValues[static_cast<std::size_t>(s.RadioGroup_FrameRates)];
    out.add(assumeFps(rate.num, rate.den));
  }
  if (keepPitch) out.add("ResampleAudio(AR)");
}

std::string colourLine(const ConversionSettings& s) {
  const int item = s.ComboBox_Colour;
  if (item < 1 || item >= static_cast<int>(choices::kColour.size())) return {};
  return "ConvertTo" + std::string(choices::kColour[item]);
}

}  // namespace twinlens::scriptlines
