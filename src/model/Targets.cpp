#include "model/Targets.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <variant>

#include "base/DecimalText.h"
#include "base/Error.h"
#include "base/IntegerText.h"

namespace twinlens {

namespace {

using choices::Projection;

// H.264 for headsets: a key frame every second, the motion vectors within what level 5.2 allows
// (the headset maker's guidance: longer ones show as corruption), AAC sound.
constexpr std::string_view kHeadsetH264 =
    "-c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -x264-params mvrange=511 "
    "-force_key_frames expr:gte(t,n_forced) -c:a aac -b:a 192k";
constexpr std::string_view kWebH264 =
    "-c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -force_key_frames "
    "expr:gte(t,n_forced*0.5) -c:a aac -b:a 384k";
// Apple's players take HEVC tagged "hvc1".
constexpr std::string_view kAppleHevc =
    "-c:v libx265 -preset medium -crf 20 -pix_fmt yuv420p -tag:v hvc1 -force_key_frames "
    "expr:gte(t,n_forced) -c:a aac -b:a 256k";

// What the headset maker's 2019 guidance has Quest decode in H.264.
constexpr DecoderLimit kQuest[] = {{5760, 2880, 30}};
// Apple Vision Pro's players, HEVC up to 8K.
constexpr DecoderLimit kVisionPro[] = {{8192, 4320, 60}};
// YouTube takes up to 8K.
constexpr DecoderLimit kYouTube[] = {{8192, 4320, 60}};
// DeoVR's own advice for H.264.
constexpr DecoderLimit kDeoVr[] = {{4096, 4096, 30}, {4096, 2048, 60}};
// A 3D television's side-by-side half of full HD.
constexpr DecoderLimit kTelevision[] = {{1920, 1080, 60}};

// By item index of the choice, "Custom" first.
const std::array<std::optional<TargetSpec>, choices::kTarget.size()> kTargets = {{
    std::nullopt,
    TargetSpec{Projection::VR180, false, kQuest, "H.264", kHeadsetH264, ".mp4"},
    TargetSpec{Projection::Flat, false, kQuest, "H.264", kHeadsetH264, ".mp4"},
    TargetSpec{Projection::Flat, false, kVisionPro, "HEVC", kAppleHevc, ".mp4"},
    TargetSpec{Projection::VR180, false, kYouTube, "H.264", kWebH264, ".mp4"},
    TargetSpec{Projection::Flat, false, kYouTube, "H.264", kWebH264, ".mp4"},
    TargetSpec{Projection::VR180, false, kDeoVr, "H.264", kHeadsetH264, ".mp4"},
    TargetSpec{Projection::Flat, true, kTelevision, "H.264", kWebH264, ".mp4"},
}};

std::string captionOf(choices::Target target) {
  return std::string(choices::kTarget[static_cast<std::size_t>(target)]);
}

std::string limitText(const DecoderLimit& limit) {
  return std::to_string(limit.width) + "x" + std::to_string(limit.height) + " at " +
         fixedText(limit.rate, 0) + " frames a second";
}

}  // namespace

const TargetSpec* targetOf(choices::Target target) {
  const int index = choices::itemIndex(target);
  if (index < 0 || index >= static_cast<int>(kTargets.size())) return nullptr;
  const std::optional<TargetSpec>& spec = kTargets[static_cast<std::size_t>(index)];
  return spec ? &*spec : nullptr;
}

void applyTarget(ConversionSettings& s) {
  const TargetSpec* target = targetOf(s.ComboBox_Target);
  if (target == nullptr) return;
  s.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
  s.RadioGroup_Projection = target->projection;
  s.CheckBox_Output_HW = target->halfWidth;
  s.CheckBox_Output_HH = false;
  s.Edit_coding_presets = std::string(target->options);
  s.Edit_Video_Extension = std::string(target->extension);
}

PictureSize outputPictureSize(const ClipRecipe& r) {
  using namespace recipe;
  if (!r.leftMedia) return {};
  PictureSize view{r.leftMedia->width, r.leftMedia->height};
  bool known = true;
  const auto number = [&](const std::string& text) {
    const auto value = tryToDecimal(text);
    if (!value) known = false;
    return value ? static_cast<int>(std::lround(*value)) : 0;
  };
  for (const Step& step : r.of(View::Left)) {
    if (const auto* split = std::get_if<Split>(&step)) {
      (split->layout == InputLayout::SideBySide ? view.width : view.height) /= 2;
    } else if (const auto* size = std::get_if<SizeFactors>(&step)) {
      view.width = view.width * size->width / 2;
      view.height = view.height * size->height / 2;
    } else if (const auto* conform = std::get_if<ConformSize>(&step)) {
      view = {conform->width, conform->height};
    } else if (const auto* reproject = std::get_if<Reproject>(&step)) {
      view = {reproject->width, reproject->height};
    } else if (const auto* final = std::get_if<FinalSize>(&step)) {
      view = {number(final->width), number(final->height)};
    } else if (const auto* fields = std::get_if<Fields>(&step)) {
      view.height =
          fields->change == Fields::Change::WeaveInput ? view.height * 2 : view.height / 2;
    }
  }
  if (!known) return {};
  switch (r.layout) {
    case OutputLayout::SideBySide:
      return {2 * view.width, view.height};
    case OutputLayout::OverUnder:
    case OutputLayout::Interlaced:
      return {view.width, 2 * view.height};
    default:
      return view;
  }
}

void checkTargetLimits(const ConversionSettings& s, PictureSize size, double rate,
                       const std::string& file) {
  const TargetSpec* target = targetOf(s.ComboBox_Target);
  if (target == nullptr) return;
  for (const DecoderLimit& limit : target->limits) {
    if (size.width <= limit.width && size.height <= limit.height && rate <= limit.rate + 1e-6) {
      return;
    }
  }
  std::string limits;
  for (const DecoderLimit& limit : target->limits) {
    limits += (limits.empty() ? "" : " or ") + limitText(limit);
  }
  throw Error("The output of \"" + file + "\" is " + std::to_string(size.width) + "x" +
              std::to_string(size.height) + " at " + fixedText(rate, 2) +
              " frames a second, beyond what \"" + captionOf(s.ComboBox_Target) + "\" plays in " +
              std::string(target->codec) + " (" + limits +
              "): change the final size on Output settings or the frame rate on Frame rates, or "
              "choose the target \"Custom\"");
}

}  // namespace twinlens
