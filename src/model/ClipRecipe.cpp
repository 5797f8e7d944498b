#include "model/ClipRecipe.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <tuple>
#include <utility>

#include "base/DecimalText.h"
#include "base/Error.h"
#include "base/IntegerText.h"
#include "model/Targets.h"

namespace twinlens {

namespace {

using namespace recipe;

// A choice within its list, or nothing (a record set by code may hold any index).
template <typename Choice, typename List>
bool within(Choice choice, const List& list) {
  const int index = choices::itemIndex(choice);
  return index >= 0 && index < static_cast<int>(list.size());
}

// The entry of a table that has one entry per item of the choice.
template <typename Choice, typename List>
const auto& entryOf(Choice choice, const List& list) {
  return list[static_cast<std::size_t>(choices::itemIndex(choice))];
}

Source sourceOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Import_Options) {
    case choices::ImportOptions::Pictures:
      return Source::Pictures;
    case choices::ImportOptions::DirectShowSource:
      return Source::DirectShowFile;
    default:
      return Source::AviFile;
  }
}

// An input format left unchosen reads both views from the one file, uncropped, as mono does.
InputLayout inputOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Input_Format) {
    case choices::InputFormat::Separate:
      return InputLayout::Pair;
    case choices::InputFormat::SideBySide:
      return InputLayout::SideBySide;
    case choices::InputFormat::OverUnder:
      return InputLayout::OverUnder;
    case choices::InputFormat::DualFisheye:
      return InputLayout::DualFisheye;
    default:
      return InputLayout::Mono;
  }
}

OutputLayout layoutOf(const ConversionSettings& s) {
  switch (s.RadioGroup_Output_Format) {
    case choices::OutputFormat::Separate:
      return OutputLayout::Separate;
    case choices::OutputFormat::SideBySide:
      return OutputLayout::SideBySide;
    case choices::OutputFormat::OverUnder:
      return OutputLayout::OverUnder;
    case choices::OutputFormat::Interlaced:
      return OutputLayout::Interlaced;
    case choices::OutputFormat::Mono:
      return OutputLayout::Mono;
    case choices::OutputFormat::AnaglyphDubois:
      return OutputLayout::AnaglyphDubois;
    case choices::OutputFormat::AnaglyphHalfColour:
      return OutputLayout::AnaglyphHalfColour;
    case choices::OutputFormat::AnaglyphGrey:
      return OutputLayout::AnaglyphGrey;
    default:
      return OutputLayout::None;
  }
}

// A colour format left unchosen keeps the record's default.
std::optional<ColourSpace> colourOf(choices::Colour colour) {
  switch (colour) {
    case choices::Colour::Keep:
      return ColourSpace::Keep;
    case choices::Colour::YV12:
      return ColourSpace::YV12;
    case choices::Colour::YUY2:
      return ColourSpace::YUY2;
    case choices::Colour::RGB24:
      return ColourSpace::RGB24;
    case choices::Colour::RGB32:
      return ColourSpace::RGB32;
    case choices::Colour::Unset:
      break;
  }
  return std::nullopt;
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
  Motion motion;
  switch (s.RadioGroup_Blend_TL) {
    case choices::BlendTimeLapse::Blend:
      motion.kind = Motion::Kind::Blend;
      break;
    case choices::BlendTimeLapse::TimeLapse:
      motion.kind = Motion::Kind::TimeLapse;
      break;
    case choices::BlendTimeLapse::Unset:
    case choices::BlendTimeLapse::NoChange:
      return std::nullopt;
  }
  motion.level = choices::itemIndex(s.ComboBox_Blend);
  motion.halfShutter = s.CheckBox_180;
  motion.rightSound = s.CheckBox_Blend_RightSound;
  return motion;
}

std::optional<FrameSelection> selectionOf(const ConversionSettings& s) {
  if (s.RadioGroup_Repeat == choices::Repeat::NoChange ||
      !within(s.RadioGroup_Repeat, choices::kRepeatSelections)) {
    return std::nullopt;
  }
  return FrameSelection{entryOf(s.RadioGroup_Repeat, choices::kRepeatSelections)};
}

std::optional<RateChange> rateChangeOf(const ConversionSettings& s, bool selects) {
  RateChange change;
  const choices::FrameRates choice = s.RadioGroup_FrameRates;
  if (choice == choices::FrameRates::UserDefined) {
    change.rate = FrameRate{s.UserFrNum, s.UserFrDen};
  } else if (choice != choices::FrameRates::NoChange && within(choice, choices::kFrameRateValues)) {
    const auto& value = entryOf(choice, choices::kFrameRateValues);
    change.rate = FrameRate{value.num, value.den};
  }
  if (!change.rate && !selects) return std::nullopt;
  // "No change" gives a selection back the rate it had, so the clip runs longer or shorter;
  // nothing chosen keeps the selection's own rate.
  change.restore = selects && choice == choices::FrameRates::NoChange;
  change.keepPitch = s.RadioGroup_Pitch == choices::Pitch::Change;
  return change;
}

std::vector<Step> viewSteps(const ConversionSettings& s, View view, Source source,
                            InputLayout input, std::int64_t offset, std::int64_t audioCut) {
  const bool left = view == View::Left;
  std::vector<Step> steps;
  if (s.CheckBox_Output_DI) steps.emplace_back(Deinterlace{});
  if (offset != 0) steps.emplace_back(TimeShift{offset});
  // "Left" keeps the left view's colours and changes the right view's, "Right" the reverse.
  const choices::ColourMatch match = s.RadioGroup_Colour_Match;
  if ((match == choices::ColourMatch::Left && !left) ||
      (match == choices::ColourMatch::Right && left)) {
    steps.emplace_back(ColourMatch{match == choices::ColourMatch::Left ? View::Left : View::Right});
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

// A step that the picture's own steps lead to: before the mirrors, the final size, the frame
// selection and rate, and stabilisation.
void insertBeforeTheTail(std::vector<Step>& steps, Step step) {
  auto at = steps.begin();
  while (at != steps.end() && !std::holds_alternative<Mirror>(*at) &&
         !std::holds_alternative<FinalSize>(*at) && !std::holds_alternative<FrameSelection>(*at) &&
         !std::holds_alternative<RateChange>(*at) && !std::holds_alternative<Stabilise>(*at)) {
    ++at;
  }
  steps.insert(at, std::move(step));
}

std::string quoted(const std::string& file) {
  return "\"" + file + "\"";
}

// Whether a view's file has sound; a file not read is taken to have it.
bool soundIn(const ClipRecipe& r, View view) {
  const std::optional<MediaInfo>& media = view == View::Left ? r.leftMedia : r.rightMedia;
  return !media || media->hasAudio;
}

// The views each output shows, and whose sound goes with them: blending and time-lapse dub in
// the left view's sound where the left view is shown too, or the right view's ("Use R audio").
// A view without sound lends the other view's, with a note.
std::vector<Output> outputsOf(ClipRecipe& r, const std::optional<Motion>& motion) {
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
    case OutputLayout::AnaglyphDubois:
    case OutputLayout::AnaglyphHalfColour:
    case OutputLayout::AnaglyphGrey:
      shown = {{first, second}};
      break;
  }
  std::vector<Output> outputs;
  bool lent[2] = {false, false};  // by viewIndex()
  bool silent = false;
  for (std::vector<View>& views : shown) {
    std::optional<View> sound = views.front();
    if (motion && motion->rightSound) {
      sound = View::Right;
    } else if (motion && views.size() == 2) {
      sound = View::Left;
    }
    if (!r.hasSound()) {
      sound.reset();
    } else if (!soundIn(r, *sound)) {
      const View other = *sound == View::Left ? View::Right : View::Left;
      if (r.twoFiles() && soundIn(r, other)) {
        lent[viewIndex(other)] = true;
        sound = other;
      } else {
        sound.reset();
        silent = true;
      }
    }
    outputs.push_back({std::move(views), sound});
  }
  const ClipNames& n = r.names;
  if (lent[0]) {
    r.notes.push_back(quoted(n.rightFile) + " has no sound: the left view's sound goes with it");
  }
  if (lent[1]) {
    r.notes.push_back(quoted(n.leftFile) + " has no sound: the right view's sound goes with it");
  }
  if (silent && r.twoFiles()) {
    r.notes.push_back("Neither " + quoted(n.leftFile) + " nor " + quoted(n.rightFile) +
                      " has sound: the outputs are silent");
  } else if (silent) {
    r.notes.push_back(quoted(n.leftFile) + " has no sound: the outputs are silent");
  }
  return outputs;
}

// A frame rate as people write it: "25", "29.97", "59.94".
std::string rateText(Rational rate) {
  std::string written = fixedText(rate.value(), 3);
  while (written.back() == '0') written.pop_back();
  if (written.back() == '.') written.pop_back();
  return written;
}

// "1920x1080", with the pixels' shape where they are not square: "1440x1080 with 4:3 pixels".
std::string sizeText(const MediaInfo& media) {
  std::string text = std::to_string(media.width) + "x" + std::to_string(media.height);
  if (media.pixelAspect != Rational{1, 1}) {
    text += " with " + std::to_string(media.pixelAspect.num) + ":" +
            std::to_string(media.pixelAspect.den) + " pixels";
  }
  return text;
}

std::string scanText(MediaInfo::Scan scan) {
  switch (scan) {
    case MediaInfo::Scan::TopFirst:
      return "interlaced, top field first";
    case MediaInfo::Scan::BottomFirst:
      return "interlaced, bottom field first";
    default:
      return "progressive";
  }
}

std::string rangeText(const MediaInfo& media) {
  if (media.transfer == "smpte2084") return "HDR, PQ";
  if (media.transfer == "arib-std-b67") return "HDR, HLG";
  return "SDR";
}

// Unevenly spaced frames are laid on the view's nominal rate before anything else is done.
void evenOutFrames(ClipRecipe& r) {
  for (const View view : {View::Left, View::Right}) {
    const std::optional<MediaInfo>& media = view == View::Left ? r.leftMedia : r.rightMedia;
    if (!media || !media->variableRate) continue;
    std::vector<Step>& steps = r.steps[viewIndex(view)];
    steps.insert(steps.begin(), ConformRate{FrameRate{media->frameRate.num, media->frameRate.den}});
    if (view == View::Right && !r.twoFiles()) continue;  // one file, told once
    const std::string& file = view == View::Left ? r.names.leftFile : r.names.rightFile;
    r.notes.push_back(quoted(file) + " has a variable frame rate: its frames are laid on " +
                      rateText(media->frameRate) +
                      " frames a second by their time stamps, repeated or dropped where the time "
                      "stamps say so");
  }
}

// Two cameras' views of one clip: the right view takes the left's size and pixel shape where
// their pictures' shapes agree; what no step can make a pair of stops the clip.
void conformViews(ClipRecipe& r) {
  if (!r.twoFiles() || !r.leftMedia || !r.rightMedia) return;
  const MediaInfo& left = *r.leftMedia;
  const MediaInfo& right = *r.rightMedia;
  const std::string files = quoted(r.names.leftFile) + " and " + quoted(r.names.rightFile);
  auto refuse = [&](const std::string& what, const std::string& a, const std::string& b,
                    const std::string& cure) {
    throw Error("The views " + files + " " + what + " (" + a + " and " + b + "); " + cure);
  };
  if (std::abs(left.frameRate.value() / right.frameRate.value() - 1) > 0.001) {
    refuse("run at different frame rates", rateText(left.frameRate),
           rateText(right.frameRate) + " frames a second",
           "convert one of them to the other's rate first: frames dropped or repeated in one eye "
           "do not make a stereo pair");
  }
  if (left.rotation != right.rotation) {
    refuse("are turned differently by their rotation tags", std::to_string(left.rotation),
           std::to_string(right.rotation) + " degrees",
           "turn one of them to the other's way first, or clear its rotation tag");
  }
  const bool scansKnown =
      left.scan != MediaInfo::Scan::Unknown && right.scan != MediaInfo::Scan::Unknown;
  if (scansKnown && left.scan != right.scan) {
    const bool bothInterlaced =
        left.scan != MediaInfo::Scan::Progressive && right.scan != MediaInfo::Scan::Progressive;
    refuse(bothInterlaced ? "differ in field order" : "differ in scan", scanText(left.scan),
           scanText(right.scan),
           bothInterlaced ? "re-encode one of them with the other's field order first"
                          : "deinterlace the interlaced one first (\"Deinterlace\" does both "
                            "views alike)");
  }
  if (rangeText(left) != rangeText(right)) {
    refuse("differ in dynamic range", rangeText(left), rangeText(right),
           "grade both to one range first: an eye in HDR beside an eye in SDR is no pair");
  }
  if (left.frameRate != right.frameRate) {
    r.notes.push_back("The views run at " + rateText(left.frameRate) + " and " +
                      rateText(right.frameRate) +
                      " frames a second: the cameras' clocks drift apart, which \"Detect from "
                      "sound\" measures");
  }
  if (left.rotation != 0) {
    r.notes.push_back("Both views are turned by " + std::to_string(left.rotation) +
                      " degrees, as their rotation tags say");
  }
  if (left.width <= 0 || left.height <= 0 || right.width <= 0 || right.height <= 0) return;
  if (left.width == right.width && left.height == right.height &&
      left.pixelAspect == right.pixelAspect) {
    return;
  }
  const double shapes = (left.width * left.pixelAspect.value() / left.height) /
                        (right.width * right.pixelAspect.value() / right.height);
  if (std::abs(shapes - 1) > 0.01) {
    refuse("differ in shape", sizeText(left), sizeText(right),
           "crop or pad one of them to the other's shape first");
  }
  // The right view is scaled as soon as it is read (after its deinterlacing and time shift).
  std::vector<Step>& steps = r.steps[viewIndex(View::Right)];
  auto at = steps.begin();
  while (at != steps.end() &&
         (std::holds_alternative<ConformRate>(*at) || std::holds_alternative<Deinterlace>(*at) ||
          std::holds_alternative<TimeShift>(*at))) {
    ++at;
  }
  steps.insert(at, ConformSize{left.width, left.height, left.pixelAspect});
  const bool sameShape = left.pixelAspect == right.pixelAspect;
  r.notes.push_back("The right view is scaled from " + sizeText(right) + " to " + sizeText(left) +
                    (sameShape ? ", the left view's size" : ", the left view's size and pixels"));
}

// What "Align views" and "Convergence" ask for, read before any clip is looked at.
struct Geometry {
  bool measures = false;  // the rig from the clip's pictures
  std::optional<Align> typed;
  bool automatic = false;
  double shiftPx = 0;
  bool any() const { return measures || typed || automatic || shiftPx != 0; }
};

Geometry geometryOf(const ConversionSettings& s) {
  Geometry g;
  g.measures = s.RadioGroup_Align == choices::Align::Measure;
  if (s.RadioGroup_Align == choices::Align::UseValues) {
    g.typed = Align{toDecimal(s.Edit_Align_Vertical), toDecimal(s.Edit_Align_Roll),
                    toDecimal(s.Edit_Align_Zoom), toDecimal(s.Edit_Align_Toe_In),
                    toDecimal(s.Edit_Align_Tilt)};
  }
  g.automatic = s.RadioGroup_Convergence == choices::Convergence::Automatic;
  if (s.RadioGroup_Convergence == choices::Convergence::ShiftBy) {
    g.shiftPx = toDecimal(s.Edit_Convergence);
  }
  return g;
}

// How much larger than as read the view is where it is aligned: its size factors, and fields
// woven or separated.
std::pair<double, double> stretchOf(const ClipRecipe& r, View view) {
  double x = 1;
  double y = 1;
  if (const auto* size = r.find<SizeFactors>(view)) {
    x = size->width / 2.0;
    y = size->height / 2.0;
  }
  if (const auto* fields = r.find<Fields>(view)) {
    y *= fields->change == Fields::Change::WeaveInput ? 2 : 0.5;
  }
  return {x, y};
}

void turnEyes(ClipRecipe& r, const Align& align);

// The views aligned and converged, as soon as each stands alone (after a split) and before it is
// mirrored, sized or retimed; with a measurement, the depth that gives is told.
void alignViews(ClipRecipe& r, const Geometry& g, const std::optional<GeometryReport>& measured,
                const std::string& refused) {
  if (!g.any() || r.input == InputLayout::Mono) return;
  // A measurement that cannot be trusted changes nothing, and says so.
  if ((g.measures || g.automatic) && !measured && !refused.empty()) {
    r.notes.push_back(refused + "; the clip is converted without the measurement");
  }
  if (r.source == Source::Pictures) {
    throw Error(
        "Picture sequences are not aligned: the run reads neither their size nor their pictures; "
        "choose \"No change\" under \"Align views\" and \"Convergence\"");
  }
  std::optional<Align> align = g.typed;
  if (g.measures && measured) {
    align = Align{measured->verticalOffsetPx, measured->rollDeg, measured->zoomPercent,
                  measured->toeInDeg, measured->tiltDeg};
  }
  if (!align) align = Align{};
  // The view's size as read: the left file's, halved where it holds both views.
  const MediaInfo* media = r.leftMedia && r.leftMedia->width > 0 ? &*r.leftMedia : nullptr;
  if (media != nullptr) {
    align->width = r.input == InputLayout::SideBySide ? media->width / 2 : media->width;
    align->height = r.input == InputLayout::OverUnder ? media->height / 2 : media->height;
  } else if (measured && measured->viewWidth > 0) {
    align->width = measured->viewWidth;
    align->height = measured->viewHeight;
  }
  // A dual-fisheye recording's eyes are measured through a window of their own.
  if (r.input == InputLayout::DualFisheye && measured && measured->viewWidth > 0) {
    align->width = measured->viewWidth;
    align->height = measured->viewHeight;
  }
  double shiftPermille = 0;
  if (g.automatic && measured) {
    shiftPermille =
        automaticConvergence(measured->parallaxNearPermille, measured->parallaxFarPermille);
    align->convergencePx = shiftPermille * align->width / 1000;
  } else if (!g.automatic && g.shiftPx != 0) {
    align->convergencePx = g.shiftPx;
    if (align->width > 0) shiftPermille = g.shiftPx * 1000 / align->width;
  }
  if (measured) {
    const double near = measured->parallaxNearPermille + shiftPermille;
    const double far = measured->parallaxFarPermille + shiftPermille;
    r.notes.push_back("Depth: near " + fixedText(near, 1) + ", far " + fixedText(far, 1) +
                      " per mille of the width" +
                      (shiftPermille != 0 ? " after a convergence shift of " +
                                                fixedText(align->convergencePx, 1) + " px"
                                          : std::string()) +
                      ": " + depthVerdictName(depthVerdict(near, far)));
  }
  if (align->verticalPx == 0 && align->rollDeg == 0 && align->zoomPercent == 0 &&
      align->toeInDeg == 0 && align->tiltDeg == 0 && align->convergencePx == 0) {
    return;
  }
  if (r.input == InputLayout::DualFisheye) {
    turnEyes(r, *align);
    return;
  }
  // Without the views' size (a plan made before the scan) nothing is aligned.
  if (align->width <= 0 || align->height <= 0) return;
  for (const View view : {View::Left, View::Right}) {
    Align placed = *align;
    std::tie(placed.stretchX, placed.stretchY) = stretchOf(r, view);
    insertBeforeTheTail(r.steps[viewIndex(view)], placed);
  }
}

// The field of view across a flat window into a dual-fisheye recording. One that is no number, or
// none a flat picture can show, raises Error.
double windowFovOf(const ConversionSettings& s) {
  const double fov = toDecimal(s.Edit_Window_FOV);
  if (!(fov >= 20 && fov <= 160)) {
    throw Error(
        "The flat window's field of view (Edit_Window_FOV) must be from 20 to 160 "
        "degrees, not \"" +
        s.Edit_Window_FOV + "\"");
  }
  return fov;
}

// The widest picture a target's decoder plays of each eye, the eyes side by side: of `shape`
// (width over height); none without a target.
std::optional<double> widestEyeOf(const ConversionSettings& s, double shape) {
  const TargetSpec* target = targetOf(s.ComboBox_Target);
  if (target == nullptr) return std::nullopt;
  double most = 0;
  for (const DecoderLimit& limit : target->limits) {
    most = std::max(most, std::min<double>(limit.height * shape, limit.width / 2.0));
  }
  return most;
}

// Each view of a dual-fisheye recording is taken out of its eye's circle and re-projected as sharp
// at the middle as the lens is: to VR180, each eye square with its 180 degrees across as many
// pixels as the circle gives them; or with "Flat" to a window of 16:9 straight ahead, for a 3D
// television. A final size in pixels is made by the re-projection itself, so that each eye is
// resampled once; a blur asked for at the final size stays, with a scale that has nothing left to
// do.
void reprojectViews(ClipRecipe& r, const ConversionSettings& s,
                    const std::optional<LensCircles>& circles) {
  if (r.input != InputLayout::DualFisheye) return;
  // The settings' own faults are told before any file is read.
  const choices::LensValue lens = lensOf(s);
  const bool flat = s.RadioGroup_Projection == choices::Projection::Flat;
  const double windowFov = flat ? windowFovOf(s) : 0;
  if (!circles) return;
  const LensViews lenses{*circles, lens.fieldOfViewDeg, lens.viewsSwapped};
  for (const View view : {View::Left, View::Right}) {
    const LensCircle& c = view == View::Left ? lenses.leftEye() : lenses.rightEye();
    const EyeSquare square = squareAround(c);
    Reproject step;
    step.cropX = square.x;
    step.cropY = square.y;
    step.side = square.side;
    step.lensFovDeg = lens.fieldOfViewDeg;
    const double perRadian = 2 * c.radius / (lens.fieldOfViewDeg * std::numbers::pi / 180);
    double across = perRadian * std::numbers::pi;
    double shape = 1;
    if (flat) {
      shape = 16.0 / 9;
      across = 2 * std::tan(windowFov * std::numbers::pi / 360) * perRadian;
    }
    if (const auto widest = widestEyeOf(s, shape)) across = std::min(across, *widest);
    step.width = 2 * static_cast<int>(std::lround(across / 2));
    step.height = 2 * static_cast<int>(std::lround(across / shape / 2));
    std::vector<Step>& steps = r.steps[viewIndex(view)];
    if (const auto final =
            std::find_if(steps.begin(), steps.end(),
                         [](const Step& step) { return std::holds_alternative<FinalSize>(step); });
        final != steps.end()) {
      const auto& size = std::get<FinalSize>(*final);
      const auto width = tryToInteger(size.width);
      const auto height = tryToInteger(size.height);
      if (width && height && *width > 0 && *height > 0) {
        step.width = static_cast<int>(*width);
        step.height = static_cast<int>(*height);
        if (!size.blur) steps.erase(final);
      }
    }
    if (flat) {
      step.windowFovDeg = windowFov;
      step.windowHeightDeg =
          2 * std::atan(std::tan(windowFov * std::numbers::pi / 360) * step.height / step.width) *
          180 / std::numbers::pi;
    }
    insertBeforeTheTail(steps, step);
  }
}

// A dual-fisheye recording's views are aligned and converged in angles, each eye turned by half
// in its own re-projection: its pixels are the circle's at its middle.
void turnEyes(ClipRecipe& r, const Align& align) {
  for (const View view : {View::Left, View::Right}) {
    auto& steps = r.steps[viewIndex(view)];
    for (Step& step : steps) {
      auto* eye = std::get_if<Reproject>(&step);
      if (eye == nullptr) continue;
      const double degreesPerPixel = eye->lensFovDeg / eye->side;
      const double half = view == View::Left ? 0.5 : -0.5;
      eye->pitchDeg = half * align.verticalPx * degreesPerPixel;
      eye->rollDeg = -half * align.rollDeg;
      eye->yawDeg = half * align.convergencePx * degreesPerPixel;
    }
  }
}

// What the output shows: a dual-fisheye recording becomes VR180; a file of views side by side or
// over-under is the sphere the settings say.
Projection projectionOf(const ClipRecipe& r, const ConversionSettings& s) {
  if (r.input == InputLayout::DualFisheye) {
    return s.RadioGroup_Projection == choices::Projection::Flat ? Projection::Flat
                                                                : Projection::HalfEquirect;
  }
  if (r.input != InputLayout::SideBySide && r.input != InputLayout::OverUnder) {
    return Projection::Flat;
  }
  switch (s.RadioGroup_Projection) {
    case choices::Projection::VR180:
      return Projection::HalfEquirect;
    case choices::Projection::Full360:
      return Projection::Equirect;
    default:
      return Projection::Flat;
  }
}

// A VR file tagged otherwise than the settings read it would make a wrong file: its layout and
// its sphere must be the chosen ones.
void checkVrTags(const ClipRecipe& r, const ConversionSettings& s) {
  if (!r.leftMedia || (r.input != InputLayout::SideBySide && r.input != InputLayout::OverUnder)) {
    return;
  }
  const MediaInfo& media = *r.leftMedia;
  if (r.projection == Projection::Flat && media.sphere == MediaInfo::Sphere::None) return;
  auto caption = [](const auto& list, auto choice) {
    return "\"" + std::string(list[static_cast<std::size_t>(choices::itemIndex(choice))]) + "\"";
  };
  const std::string file = quoted(r.names.leftFile);
  using Layout = MediaInfo::StereoLayout;
  const bool sideBySide = r.input == InputLayout::SideBySide;
  if ((sideBySide && media.stereoLayout == Layout::TopBottom) ||
      (!sideBySide && media.stereoLayout == Layout::SideBySide)) {
    const choices::InputFormat tagged =
        sideBySide ? choices::InputFormat::OverUnder : choices::InputFormat::SideBySide;
    throw Error(file + " is tagged with its views " + (sideBySide ? "over-under" : "side by side") +
                ", and \"Input Format\" is " +
                caption(choices::kInputFormat, s.RadioGroup_Input_Format) + ": choose " +
                caption(choices::kInputFormat, tagged));
  }
  const bool half = media.sphere == MediaInfo::Sphere::Half;
  const bool whole = media.sphere == MediaInfo::Sphere::Whole;
  if ((half && r.projection != Projection::HalfEquirect) ||
      (whole && r.projection != Projection::Equirect)) {
    const choices::Projection tagged =
        half ? choices::Projection::VR180 : choices::Projection::Full360;
    throw Error(
        file + " is tagged as " + (half ? "VR180 (half a sphere)" : "360 (a whole sphere)") +
        ", and \"Projection\" is " + caption(choices::kProjection, s.RadioGroup_Projection) +
        ": choose " + caption(choices::kProjection, tagged));
  }
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

const char* recipe::layoutName(InputLayout layout) {
  switch (layout) {
    case InputLayout::SideBySide:
      return "side-by-side";
    case InputLayout::OverUnder:
      return "over-under";
    case InputLayout::DualFisheye:
      return "dual-fisheye";
    default:
      return "pair";
  }
}

bool measuresViews(const ConversionSettings& s) {
  return s.RadioGroup_Align == choices::Align::Measure ||
         s.RadioGroup_Convergence == choices::Convergence::Automatic;
}

bool alignsViews(const ConversionSettings& s) {
  return measuresViews(s) || s.RadioGroup_Align == choices::Align::UseValues ||
         s.RadioGroup_Convergence == choices::Convergence::ShiftBy;
}

choices::LensValue lensOf(const ConversionSettings& s) {
  if (s.RadioGroup_Lens != choices::Lens::Other) {
    const auto lens =
        static_cast<std::size_t>(std::clamp(choices::itemIndex(s.RadioGroup_Lens), 0,
                                            static_cast<int>(choices::kLensValues.size()) - 1));
    return choices::kLensValues[lens];
  }
  const double fov = toDecimal(s.Edit_Lens_FOV);
  if (!(fov >= 90 && fov <= 360)) {
    throw Error("The lens's field of view (Edit_Lens_FOV) must be from 90 to 360 degrees, not \"" +
                s.Edit_Lens_FOV + "\"");
  }
  return {fov, false};
}

ClipRecipe makeClipRecipe(const ConversionSettings& s, ClipNames names, const ClipFacts& facts) {
  // The numbers are read first, so a bad one stops the clip before anything is decided.
  const std::int64_t offset = s.Edit_Offset.empty() ? 0 : toInteger(s.Edit_Offset);
  const std::int64_t audioCut = toInteger(s.Edit_Audio_Frames_Cut);
  const Geometry geometry = geometryOf(s);

  ClipRecipe r;
  r.names = std::move(names);
  r.source = sourceOf(s);
  r.input = inputOf(s);
  r.pictureRate = s.Edit_import_picture_FR;
  r.leftMedia = facts.left;
  r.rightMedia = r.twoFiles() ? facts.right : r.leftMedia;
  for (const View view : {View::Left, View::Right}) {
    r.steps[viewIndex(view)] = viewSteps(s, view, r.source, r.input, offset, audioCut);
  }
  evenOutFrames(r);
  conformViews(r);
  reprojectViews(r, s, facts.lensCircles);
  alignViews(r, geometry, facts.geometry, facts.geometryRefused);
  if (r.leftMedia && r.leftMedia->hdr()) {
    r.transfer = r.leftMedia->transfer;
    r.primaries = r.leftMedia->primaries;
    r.matrix = r.leftMedia->matrix;
  }
  r.layout = layoutOf(s);
  r.reversed = s.CheckBox_Reverse_LR;
  r.outputs = outputsOf(r, motionOf(s));
  if (const auto colour = colourOf(s.ComboBox_Colour)) r.colour = *colour;
  r.stereoTag = tagOf(r);
  r.projection = projectionOf(r, s);
  checkVrTags(r, s);
  return r;
}

}  // namespace twinlens
