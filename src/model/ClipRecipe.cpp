#include "model/ClipRecipe.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/Error.h"
#include "base/IntegerText.h"

namespace twinlens {

namespace {

using namespace recipe;

constexpr int kBlendFrames = 1;
constexpr int kTimeLapse = 2;
constexpr int kChangePitch = 1;

// A choice within its list, or nothing (a settings file may hold any index).
template <typename List>
bool within(int index, const List& list) {
  return index >= 0 && index < static_cast<int>(list.size());
}

Source sourceOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Import_Options) {
    case choices::kImportPictures:
      return Source::Pictures;
    case choices::kImportDirectShow:
      return Source::DirectShowFile;
    default:
      return Source::AviFile;
  }
}

// An input format left unchosen reads both views from the one file, uncropped, as mono does.
InputLayout inputOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Input_Format) {
    case choices::kInputSeparate:
      return InputLayout::Pair;
    case choices::kInputSideBySide:
      return InputLayout::SideBySide;
    case choices::kInputOverUnder:
      return InputLayout::OverUnder;
    default:
      return InputLayout::Mono;
  }
}

OutputLayout layoutOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Output_Format) {
    case choices::kOutputSeparate:
      return OutputLayout::Separate;
    case choices::kOutputSideBySide:
      return OutputLayout::SideBySide;
    case choices::kOutputOverUnder:
      return OutputLayout::OverUnder;
    case choices::kOutputInterlaced:
      return OutputLayout::Interlaced;
    case choices::kOutputMono:
      return OutputLayout::Mono;
    default:
      return OutputLayout::None;
  }
}

// Half a picture's size stretched to the whole, or a whole squeezed to half: in halves.
int sizeFactor(bool inputHalf, bool outputHalf) {
  if (inputHalf && !outputHalf) return 4;
  if (!inputHalf && outputHalf) return 1;
  return 2;
}

std::optional<Motion> motionOf(const ConversionSettings& s) {
  // Nothing chosen in the list of frame counts blends nothing.
  if (!within(s.ComboBox_Blend, choices::kBlend)) return std::nullopt;
  if (s.RadioGroup_Blend_TL != kBlendFrames && s.RadioGroup_Blend_TL != kTimeLapse) {
    return std::nullopt;
  }
  Motion motion;
  motion.kind =
      s.RadioGroup_Blend_TL == kBlendFrames ? Motion::Kind::Blend : Motion::Kind::TimeLapse;
  motion.level = s.ComboBox_Blend;
  motion.halfShutter = s.CheckBox_180;
  motion.rightSound = s.CheckBox_Blend_RightSound;
  return motion;
}

std::optional<FrameSelection> selectionOf(const ConversionSettings& s) {
  if (s.RadioGroup_Repeat < 1 || !within(s.RadioGroup_Repeat, choices::kRepeatSelections)) {
    return std::nullopt;
  }
  return FrameSelection{choices::kRepeatSelections[static_cast<std::size_t>(s.RadioGroup_Repeat)]};
}

std::optional<RateChange> rateChangeOf(const ConversionSettings& s, bool selects) {
  RateChange change;
  const int choice = s.RadioGroup_FrameRates;
  if (choice == choices::kUserDefinedFrameRate) {
    change.rate = FrameRate{s.UserFrNum, s.UserFrDen};
  } else if (choice >= 1 && within(choice, choices::kFrameRateValues)) {
    const auto& value = choices::kFrameRateValues[static_cast<std::size_t>(choice)];
    change.rate = FrameRate{value.num, value.den};
  }
  if (!change.rate && !selects) return std::nullopt;
  // "No change" gives a selection back the rate it had, so the clip runs longer or shorter;
  // nothing chosen keeps the selection's own rate.
  change.restore = selects && choice == 0;
  change.keepPitch = s.RadioGroup_Pitch == kChangePitch;
  return change;
}

std::vector<Step> viewSteps(const ConversionSettings& s, View view, Source source,
                            InputLayout input, std::int64_t offset, std::int64_t audioCut) {
  const bool left = view == View::Left;
  std::vector<Step> steps;
  if (s.CheckBox_Output_DI) steps.emplace_back(Deinterlace{});
  if (offset != 0) steps.emplace_back(TimeShift{offset});
  // "Left" keeps the left view's colours and changes the right view's, "Right" the reverse.
  const int match = s.RadioGroup_Colour_Match;
  if ((match == 1 && !left) || (match == 2 && left)) {
    steps.emplace_back(ColourMatch{match == 1 ? View::Left : View::Right});
  }
  // A picture sequence has no sound to cut.
  if (audioCut > 0 && source != Source::Pictures) {
    steps.emplace_back(AudioCut{audioCut, s.Edit_Audio_Frames_Cut});
  }
  if (s.CheckBox_Input_SF != s.CheckBox_Output_SF) {
    steps.emplace_back(
        Fields{s.CheckBox_Input_SF ? Fields::Change::WeaveInput : Fields::Change::SeparateOutput});
  }
  if (const auto motion = motionOf(s)) steps.emplace_back(*motion);
  const SizeFactors size{sizeFactor(s.CheckBox_Input_HW, s.CheckBox_Output_HW),
                         sizeFactor(s.CheckBox_Input_HH, s.CheckBox_Output_HH)};
  if (size.width != 2 || size.height != 2) steps.emplace_back(size);
  if (input == InputLayout::SideBySide || input == InputLayout::OverUnder) {
    steps.emplace_back(Split{input});
  }
  const Mirror mirror{left ? s.CheckBox_HML : s.CheckBox_HMR,
                      left ? s.CheckBox_VML : s.CheckBox_VMR};
  if (mirror.horizontal || mirror.vertical) steps.emplace_back(mirror);
  if (s.CheckBox_change_final_HV) {
    FinalSize final{s.Edit_final_H, s.Edit_final_V, std::nullopt};
    if (s.Edit_Blur != "0") final.blur = s.Edit_Blur;
    steps.emplace_back(std::move(final));
  }
  const auto selection = selectionOf(s);
  if (selection) steps.emplace_back(*selection);
  if (const auto rate = rateChangeOf(s, selection.has_value())) steps.emplace_back(*rate);
  if (s.CheckBox_Deshake) {
    steps.emplace_back(Stabilise{s.DeshakerDir, s.DeshakePart1a, s.DeshakePart1b, s.DeshakePart2});
  }
  return steps;
}

// The views each output shows, and whose sound goes with them: blending and time-lapse dub in
// the left view's sound where the left view is shown too, or the right view's ("Use R audio").
std::vector<Output> outputsOf(const ClipRecipe& r, const std::optional<Motion>& motion) {
  std::vector<std::vector<View>> shown;
  const View first = r.reversed ? View::Right : View::Left;
  const View second = r.reversed ? View::Left : View::Right;
  switch (r.layout) {
    case OutputLayout::None:
      break;
    case OutputLayout::Separate:
      shown = {{first}, {second}};
      break;
    case OutputLayout::Mono:
      shown = {{first}};
      break;
    case OutputLayout::Interlaced:
      // The right view is the first field unless the views are reversed.
      shown = {{second, first}};
      break;
    case OutputLayout::SideBySide:
    case OutputLayout::OverUnder:
      shown = {{first, second}};
      break;
  }
  std::vector<Output> outputs;
  for (std::vector<View>& views : shown) {
    std::optional<View> sound = views.front();
    if (motion && motion->rightSound) {
      sound = View::Right;
    } else if (motion && views.size() == 2) {
      sound = View::Left;
    }
    const std::optional<MediaInfo>& media = *sound == View::Left ? r.leftMedia : r.rightMedia;
    if (!r.hasSound() || (media && !media->hasAudio)) sound.reset();
    outputs.push_back({std::move(views), sound});
  }
  return outputs;
}

// A frame rate as people write it: "25", "29.97", "59.94".
std::string rateText(Rational rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", rate.value());
  std::string written(text);
  while (written.back() == '0') written.pop_back();
  if (written.back() == '.') written.pop_back();
  return written;
}

std::string sizeText(const MediaInfo& media) {
  return std::to_string(media.width) + "x" + std::to_string(media.height);
}

// Two cameras' views of one clip: the right view takes the left's size where their shapes agree;
// shapes or frame rates that do not agree stop the clip, since no step can make a pair of them.
void conformViews(ClipRecipe& r) {
  if (!r.twoFiles() || !r.leftMedia || !r.rightMedia) return;
  const MediaInfo& left = *r.leftMedia;
  const MediaInfo& right = *r.rightMedia;
  const std::string files = "\"" + r.names.leftFile + "\" and \"" + r.names.rightFile + "\"";
  const double rates = left.frameRate.value() / right.frameRate.value();
  if (std::abs(rates - 1) > 0.001) {
    throw Error("The views " + files + " run at different frame rates (" +
                rateText(left.frameRate) + " and " + rateText(right.frameRate) +
                " frames a second); convert one of them to the other's rate first: frames "
                "dropped or repeated in one eye do not make a stereo pair");
  }
  if (left.frameRate != right.frameRate) {
    r.notes.push_back("The views run at " + rateText(left.frameRate) + " and " +
                      rateText(right.frameRate) +
                      " frames a second: the cameras' clocks drift apart, which \"Detect from "
                      "sound\" measures");
  }
  if (left.width <= 0 || left.height <= 0 || right.width <= 0 || right.height <= 0) return;
  if (left.width == right.width && left.height == right.height) return;
  const double shapes = (static_cast<double>(left.width) / left.height) /
                        (static_cast<double>(right.width) / right.height);
  if (std::abs(shapes - 1) > 0.01) {
    throw Error("The views " + files + " differ in shape (" + sizeText(left) + " and " +
                sizeText(right) + "); crop or pad one of them to the other's shape first");
  }
  // The right view is scaled as soon as it is read (after its deinterlacing and time shift).
  std::vector<Step>& steps = r.steps[viewIndex(View::Right)];
  auto at = steps.begin();
  while (at != steps.end() &&
         (std::holds_alternative<Deinterlace>(*at) || std::holds_alternative<TimeShift>(*at))) {
    ++at;
  }
  steps.insert(at, ConformSize{left.width, left.height});
  r.notes.push_back("The right view is scaled from " + sizeText(right) + " to " + sizeText(left) +
                    ", the left view's size");
}

StereoTag tagOf(const ClipRecipe& r) {
  switch (r.layout) {
    case OutputLayout::SideBySide:
      return r.reversed ? StereoTag::RightLeft : StereoTag::LeftRight;
    case OutputLayout::OverUnder:
      return r.reversed ? StereoTag::BottomTop : StereoTag::TopBottom;
    case OutputLayout::Interlaced:
      return r.reversed ? StereoTag::RowInterleavedRL : StereoTag::RowInterleavedLR;
    default: {
      // A layout tag of an input never survives into one view alone.
      const bool tagged = (r.leftMedia && r.leftMedia->stereoTagged) ||
                          (r.rightMedia && r.rightMedia->stereoTagged);
      return tagged ? StereoTag::Mono : StereoTag::None;
    }
  }
}

}  // namespace

ClipRecipe makeClipRecipe(const ConversionSettings& s, ClipNames names,
                          std::optional<MediaInfo> left, std::optional<MediaInfo> right) {
  // Both numbers are read first, so a bad one stops the clip before anything is decided.
  const std::int64_t offset = s.Edit_Offset.empty() ? 0 : toInteger(s.Edit_Offset);
  const std::int64_t audioCut = toInteger(s.Edit_Audio_Frames_Cut);

  ClipRecipe r;
  r.names = std::move(names);
  r.source = sourceOf(s);
  r.input = inputOf(s);
  r.pictureRate = s.Edit_import_picture_FR;
  r.leftMedia = std::move(left);
  r.rightMedia = r.twoFiles() ? std::move(right) : r.leftMedia;
  for (const View view : {View::Left, View::Right}) {
    r.steps[viewIndex(view)] = viewSteps(s, view, r.source, r.input, offset, audioCut);
  }
  conformViews(r);
  r.layout = layoutOf(s);
  r.reversed = s.CheckBox_Reverse_LR;
  r.outputs = outputsOf(r, motionOf(s));
  if (within(s.ComboBox_Colour, choices::kColour)) {
    r.colour = static_cast<ColourSpace>(s.ComboBox_Colour);
  }
  r.stereoTag = tagOf(r);
  return r;
}

}  // namespace twinlens
