#include "engines/avisynth/ScriptLines.h"

#include <array>
#include <string_view>

#include "base/DecimalText.h"
#include "model/AlignWarp.h"
#include "model/Choices.h"

namespace twinlens::scriptlines {

namespace {

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

std::string overlay(const std::string& a, const std::string& b) {
  return "Overlay(" + a + ", " + b + ", mode=\"blend\", opacity=0.5)";
}

std::string clipName(int level, int index) {
  std::string name = "c";
  name.append(std::to_string(level)).append(std::to_string(index));
  return name;
}

// Which view's sound names are set before a view's sound line.
struct SoundsSet {
  bool left;
  bool right;
};

// The sound the view's sound line names: the chosen one where the script has set it, else the
// view's own.
std::string soundSource(View view, const recipe::Motion& m, SoundsSet set) {
  const std::string own = view == View::Left ? "al" : "ar";
  const std::string chosen = m.rightSound ? "ar" : "al";
  const bool chosenIsSet =
      chosen == own || (chosen == "al" && set.left) || (chosen == "ar" && set.right);
  return chosenIsSet ? chosen : own;
}

void blendFrames(TextFile& out, View view, const recipe::Motion& m, SoundsSet set, bool hasSound) {
  const int k = m.level;
  const int frames = m.frames();
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
  out.add(m.halfShutter ? clipName(k, 1) : overlay(clipName(k, 1), clipName(k, 2)));
  // AudioDub refuses a clip without sound.
  if (hasSound) out.add("AudioDub (last," + soundSource(view, m, set) + ")");
}

void timeLapse(TextFile& out, View view, const recipe::Motion& m, SoundsSet set) {
  // The left view sets the rate and length that the right view reads after it; a right view
  // standing alone sets its own.
  const bool setsRateAndLength = view == View::Left || !set.left;
  if (setsRateAndLength) out.add("fr = FrameRate()");
  const int halvings = m.halfShutter ? m.level : m.level + 1;
  for (int i = 0; i < halvings; ++i) {
    out.add("c1=selectevery(last, 2, 0)");
    out.add("c2=selectevery(last, 2, 1)");
    out.add(overlay("c1", "c2"));
  }
  if (m.halfShutter) out.add("SelectEven");
  if (setsRateAndLength) out.add("fn = FrameCount()");
  out.add("AssumeFPS(fr)");
  out.add(view == View::Left ? "al=last" : "ar=last");
  out.add("AudioDubEx (last," + soundSource(view, m, set) + ")");
  out.add("Trim(1, fn)");
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

void fieldLines(TextFile& out, const recipe::Fields& fields) {
  if (fields.change == recipe::Fields::Change::WeaveInput) {
    out.add("AssumeFieldBased()");
    out.add("Weave()");
    out.add("SwapFields()");
  } else {
    out.add("AssumeTFF()");
    out.add("SeparateFields()");
  }
}

void blendOrTimeLapse(TextFile& out, View view, const recipe::Motion& motion, bool leftViewBefore,
                      bool rightSoundBefore, bool hasSound) {
  const SoundsSet set{leftViewBefore, rightSoundBefore};
  if (motion.kind == recipe::Motion::Kind::Blend) {
    blendFrames(out, view, motion, set, hasSound);
  } else {
    timeLapse(out, view, motion, set);
  }
}

void sizeLines(TextFile& out, const recipe::SizeFactors& size) {
  out.add("ClipWidth = Width()");
  out.add("ClipHeight = Height()");
  out.add("K_Width = " + std::to_string(size.width));
  out.add("K_Height = " + std::to_string(size.height));
  out.add("Lanczos4Resize(ClipWidth*K_Width/2,ClipHeight*K_Height/2)");
}

void splitLines(TextFile& out, View view, const recipe::Split& split) {
  const bool left = view == View::Left;
  if (split.layout == recipe::InputLayout::SideBySide) {
    out.add("ClipWidth = Width()");
    out.add(left ? "Crop (0,0,-ClipWidth/2,-0)" : "Crop (ClipWidth/2,0,-0,-0)");
  } else if (split.layout == recipe::InputLayout::OverUnder) {
    out.add("ClipHeight = Height()");
    out.add(left ? "CropBottom (Height/2)" : "Crop (0,Height/2,-0,-0)");
  }
}

void mirrorLines(TextFile& out, const recipe::Mirror& mirror) {
  if (mirror.horizontal) out.add("FlipHorizontal()");
  if (mirror.vertical) out.add("FlipVertical()");
}

void alignLines(TextFile& out, View view, const recipe::Align& align) {
  const AlignWarp warp(align, false);
  const AlignWarp::Point first = warp.source(view, {0, 0});
  const AlignWarp::Point last =
      warp.source(view, {static_cast<double>(align.width), static_cast<double>(align.height)});
  auto decimal = [](double value) { return fixedText(value, 4); };
  out.add("Lanczos4Resize(Width(), Height(), " + decimal(first.x * align.stretchX) + ", " +
          decimal(first.y * align.stretchY) + ", " + decimal((last.x - first.x) * align.stretchX) +
          ", " + decimal((last.y - first.y) * align.stretchY) + ")");
}

void finalSize(TextFile& out, const recipe::FinalSize& size) {
  if (size.blur) out.add("Blur(" + *size.blur + ")");
  out.add("Lanczos4Resize(" + size.width + "," + size.height + ")");
}

void rateTail(TextFile& out, const recipe::FrameSelection* selection,
              const recipe::RateChange* rate) {
  const bool keepPitch = rate != nullptr && rate->keepPitch;
  if (keepPitch) out.add("AR= Audiorate(last)");
  if (selection != nullptr) {
    out.add("Frn=FrameRateNumerator()");
    out.add("Frd=FrameRateDenominator()");
    out.add(selectionLine(selection->pattern));
    // With "No change" the clip gets its old rate back, so it runs longer or shorter.
    if (rate != nullptr && rate->restore) out.add("AssumeFPS(Frn, FRd, true)");
  }
  if (rate != nullptr && rate->rate) out.add(assumeFps(rate->rate->num, rate->rate->den));
  if (keepPitch) out.add("ResampleAudio(AR)");
}

std::string colourLine(recipe::ColourSpace colour) {
  if (colour == recipe::ColourSpace::Keep) return {};
  return "ConvertTo" + std::string(choices::kColour[static_cast<std::size_t>(colour)]);
}

}  // namespace twinlens::scriptlines
