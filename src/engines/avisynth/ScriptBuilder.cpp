#include "engines/avisynth/ScriptBuilder.h"

#include <array>
#include <optional>
#include <variant>

#include "base/Overloaded.h"
#include "engines/avisynth/ScriptLines.h"

namespace twinlens {

namespace {

using paths::dir;
using paths::name;
using paths::noext;
using namespace recipe;

// What one clip's lines are made of, worked out once per clip.
struct Clip {
  const ClipRecipe& r;
  PathStyle style;
  const ClipNames& names;
  bool deinterlace;
  std::string leftFolder;
  std::string rightFolder;
  std::string leftName;
  std::string rightName;
  std::string leftHistogram;  // bare file names of the histogram texts
  std::string rightHistogram;
  const PictureSequence& rightPictures;
  TextFile rateTail;
  std::array<std::optional<TextFile>, 16>& blendLines;  // the builder's, made once per form

  const std::string& folder(View v) const { return v == View::Left ? leftFolder : rightFolder; }

  // A file of `folder` as a script in `home` names it: bare beside it, through the relative
  // folder otherwise, since AviSynth resolves names against the script's own folder.
  std::string reference(const std::string& home, const std::string& fileFolder,
                        const std::string& fileName) const {
    return paths::relativeFolder(home, fileFolder, style) + fileName;
  }
};

std::string quoted(const std::string& function, const std::string& argument) {
  return function + "(\"" + argument + "\")";
}

// The line that opens a view's input file (never its intermediate).
std::string fileSourceLine(const Clip& c, View v, const std::string& home) {
  if (c.r.source == Source::Pictures) {
    const PictureSequence& pictures = v == View::Left ? c.names.leftPictures : c.rightPictures;
    // The pattern is a full path already, so it is the same from every folder.
    return "ImageSource(\"" + pictures.pattern + "\", " + std::to_string(pictures.first) + " , " +
           std::to_string(pictures.last) + " , " + c.r.pictureRate + ")";
  }
  const std::string file =
      c.reference(home, c.folder(v), v == View::Left ? c.leftName : c.rightName);
  return quoted(c.r.source == Source::DirectShowFile ? "DirectShowSource" : "AVISource", file);
}

std::string intermediateReference(const Clip& c, View v, const std::string& home) {
  return c.reference(home, c.folder(v),
                     v == View::Left ? c.names.leftIntermediate : c.names.rightIntermediate);
}

// The first two groups of a view: its source and the time shift.
void appendSourceAndShift(TextFile& out, const Clip& c, View v, const std::string& home) {
  out.add(c.deinterlace ? quoted("AVISource", intermediateReference(c, v, home))
                        : fileSourceLine(c, v, home));
  if (const auto* shift = c.r.find<TimeShift>(v)) scriptlines::timeShift(out, v, shift->offset);
}

// The histogram lines that match a view's colours to the reference's: the first histogram is that
// of the view being changed.
void appendColourMatch(TextFile& out, const Clip& c, View v, const std::string& home) {
  const std::string leftHistogram = c.reference(home, c.leftFolder, c.leftHistogram);
  const std::string rightHistogram = c.reference(home, c.rightFolder, c.rightHistogram);
  const bool left = v == View::Left;
  out.add("colourlike(\"" + (left ? leftHistogram : rightHistogram) + "\", \"" +
          (left ? rightHistogram : leftHistogram) + "\")");
}

// Every line of a view before the rate tail, as a script in `home` holds it. A deinterlaced
// view opens an intermediate that already has its fields, size and split done.
void appendView(TextFile& out, const Clip& c, View v, const std::string& home, bool leftViewBefore,
                bool rightSoundBefore = false) {
  appendSourceAndShift(out, c, v, home);
  for (const Step& step : c.r.of(v)) {
    std::visit(
        Overloaded{[&](const ConformSize& conform) {
                     out.add("Lanczos4Resize(" + std::to_string(conform.width) + "," +
                             std::to_string(conform.height) + ")");
                   },
                   [&](const ColourMatch&) { appendColourMatch(out, c, v, home); },
                   [&](const AudioCut& cut) { scriptlines::audioCut(out, cut.text); },
                   [&](const Fields& fields) {
                     if (!c.deinterlace) scriptlines::fieldLines(out, fields);
                   },
                   [&](const Motion& motion) {
                     const std::size_t form =
                         (v == View::Right ? 1u : 0u) | (leftViewBefore ? 2u : 0u) |
                         (rightSoundBefore ? 4u : 0u) | (c.r.hasSound() ? 8u : 0u);
                     std::optional<TextFile>& blend = c.blendLines[form];
                     if (!blend) {
                       blend.emplace();
                       scriptlines::blendOrTimeLapse(*blend, v, motion, leftViewBefore,
                                                     rightSoundBefore, c.r.hasSound());
                     }
                     out.append(*blend);
                   },
                   [&](const SizeFactors& size) {
                     if (!c.deinterlace) scriptlines::sizeLines(out, size);
                   },
                   [&](const Split& split) {
                     if (!c.deinterlace) scriptlines::splitLines(out, v, split);
                   },
                   [&](const Align& align) { scriptlines::alignLines(out, v, align); },
                   [&](const Mirror& mirror) { scriptlines::mirrorLines(out, mirror); },
                   [&](const FinalSize& final) { scriptlines::finalSize(out, final); },
                   // The engine refuses fisheye inputs before it writes.
                   [](const Reproject&) {
                     throw Error("AviSynth scripts cannot re-project a fisheye lens's view");
                   },
                   // The deinterlacing and the time shift stand first (with the source); the frame
                   // selection and the rate in the rate tail; stabilisation in the pass scripts.
                   // The sources open a clip of uneven frames at its nominal rate.
                   [](const Deinterlace&) {}, [](const TimeShift&) {}, [](const FrameSelection&) {},
                   [](const RateChange&) {}, [](const Stabilise&) {}, [](const ConformRate&) {}},
        step);
  }
}

// "Use R audio" names the right view's sound, which the left view's lines never set. Where they
// stand first or alone, the script opens the right clip for its sound first: the right view's
// lines up to the one that sets "ar". Their clip variables are set again by the left view.
bool leftViewNeedsRightSound(const Clip& c) {
  const auto* motion = c.r.find<Motion>(View::Left);
  return c.r.hasSound() && motion != nullptr && motion->rightSound;
}

void appendRightSound(TextFile& out, const Clip& c, const std::string& home) {
  TextFile right;
  appendView(right, c, View::Right, home, false);
  for (const std::string& line : right.lines()) {
    out.add(line);
    if (line.starts_with("ar=")) break;
  }
}

// A script's lines of the left view, with the right clip's sound opened first where they need
// it.
void appendLeftView(TextFile& out, const Clip& c, const std::string& home) {
  const bool rightSound = leftViewNeedsRightSound(c);
  if (rightSound) appendRightSound(out, c, home);
  appendView(out, c, View::Left, home, false, rightSound);
}

// The script VirtualDub deinterlaces a view from; it lies beside the view's own file.
TextFile deinterlaceScript(const Clip& c, View v) {
  TextFile out;
  out.add(fileSourceLine(c, v, c.folder(v)));
  if (const auto* fields = c.r.find<Fields>(v)) scriptlines::fieldLines(out, *fields);
  if (const auto* size = c.r.find<SizeFactors>(v)) scriptlines::sizeLines(out, *size);
  if (const auto* split = c.r.find<Split>(v)) scriptlines::splitLines(out, v, *split);
  return out;
}

void appendHistogram(TextFile& histogram, const Clip& c) {
  appendSourceAndShift(histogram, c, View::Left, c.leftFolder);
  histogram.add("WriteHistogram(\"" + c.leftFolder + c.leftHistogram + "\",100)");
  histogram.add(fileSourceLine(c, View::Right, c.leftFolder));
  histogram.add("WriteHistogram(\"" + c.rightFolder + c.rightHistogram + "\",100)");
}

// One view alone, with its rate tail: the body of an output script or a Deshaker pass.
TextFile singleView(const Clip& c, View v, const std::string& home) {
  TextFile out;
  if (v == View::Left) {
    appendLeftView(out, c, home);
  } else {
    appendView(out, c, v, home, false);
  }
  out.append(c.rateTail);
  return out;
}

TextFile layoutScript(const Clip& c, const std::string& home) {
  const OutputLayout format = c.r.layout;
  const bool stacked = format != OutputLayout::SideBySide;
  TextFile out;
  if (c.deinterlace) {
    out.add((stacked ? "a=" : "") +
            quoted("AVISource", intermediateReference(c, View::Left, home)));
  }
  appendLeftView(out, c, home);
  out.add("a=last");
  if (c.deinterlace) {
    out.add((stacked ? "b=" : "") +
            quoted("AVISource", intermediateReference(c, View::Right, home)));
  }
  appendView(out, c, View::Right, home, true);
  out.add("b=last");
  const bool reverse = c.r.reversed;
  if (isAnaglyph(format)) {
    // The first view's brightness is the red, the other's colours (or brightness) the cyan.
    const char* red = reverse ? "b" : "a";
    const char* cyan = reverse ? "a" : "b";
    out.add(std::string(red) + "=" + red + ".ConvertToRGB32().Greyscale()");
    out.add(std::string(cyan) + "=" + cyan + ".ConvertToRGB32()" +
            (format == OutputLayout::AnaglyphGrey ? ".Greyscale()" : ""));
    out.add(std::string("MergeRGB(") + red + "," + cyan + "," + cyan + ")");
  } else if (format == OutputLayout::SideBySide) {
    out.add(reverse ? "StackHorizontal(b,a)" : "StackHorizontal(a,b)");
  } else if (format == OutputLayout::OverUnder) {
    out.add(reverse ? "StackVertical(b,a)" : "StackVertical(a,b)");
  } else {
    // Interleaving puts the right view first, the opposite of stacking.
    out.add(reverse ? "Interleave(a,b)" : "Interleave(b,a)");
    out.add("AssumeFieldBased()");
    out.add("Weave()");
  }
  out.append(c.rateTail);
  return out;
}

void addColourLine(TextFile& script, const std::string& colour) {
  if (!colour.empty()) script.add(colour);
}

std::string passScriptPath(const std::string& outputScript, int pass, PathStyle style) {
  return dir(outputScript, style) + "Deshake_" + std::to_string(pass) + "_" +
         name(outputScript, style);
}

// A Deshaker pass over a view's lines; the log lies beside the left output script for both views.
TextFile passScript(const Clip& c, TextFile body, int pass) {
  const Stabilise& deshaker = *c.r.find<Stabilise>(View::Left);
  const std::string log = dir(c.names.leftOutputScript, c.style) + "Deshaker.log";
  body.add("ConvertToRGB32");
  body.add("LoadVirtualDubPlugin (\"" + deshaker.plugin + "\", \"deshaker\", preroll=0)");
  body.add("deshaker(" + (pass == 1 ? deshaker.pass1 : deshaker.pass2) + log + deshaker.tail + ")");
  addColourLine(body, scriptlines::colourLine(c.r.colour));
  return body;
}

}  // namespace

ScriptBuilder::ScriptBuilder(PathStyle style) : style_(style) {}

std::vector<PlannedScript> ScriptBuilder::plan(const ClipRecipe& r) const {
  const ClipNames& clip = r.names;
  std::vector<PlannedScript> scripts;
  if (r.has<Deinterlace>(View::Left)) {
    scripts.push_back({clip.leftDeinterlaceScript, ScriptBody::LeftDeinterlace});
    scripts.push_back({clip.rightDeinterlaceScript, ScriptBody::RightDeinterlace});
  }
  const bool reverse = r.reversed;
  switch (r.layout) {
    case OutputLayout::Separate:
    case OutputLayout::Mono: {
      const bool separate = r.layout == OutputLayout::Separate;
      if (!r.has<Stabilise>(View::Left)) {
        scripts.push_back(
            {clip.leftOutputScript, reverse ? ScriptBody::RightView : ScriptBody::LeftView});
        if (separate) {
          scripts.push_back(
              {clip.rightOutputScript, reverse ? ScriptBody::LeftView : ScriptBody::RightView});
        }
        break;
      }
      // Reverse swaps the views' names; a mono input has one view under both, so each pass pair
      // keeps its own name and neither replaces the other.
      const bool swap = reverse && r.input != InputLayout::Mono;
      const std::string& leftName = swap ? clip.rightOutputScript : clip.leftOutputScript;
      scripts.push_back({passScriptPath(leftName, 1, style_), ScriptBody::LeftPass1});
      scripts.push_back({passScriptPath(leftName, 2, style_), ScriptBody::LeftPass2});
      if (separate) {
        const std::string& rightName = swap ? clip.leftOutputScript : clip.rightOutputScript;
        scripts.push_back({passScriptPath(rightName, 1, style_), ScriptBody::RightPass1});
        scripts.push_back({passScriptPath(rightName, 2, style_), ScriptBody::RightPass2});
      }
      break;
    }
    case OutputLayout::SideBySide:
      scripts.push_back({clip.sideBySideScript, ScriptBody::Layout});
      break;
    case OutputLayout::OverUnder:
    case OutputLayout::Interlaced:
      scripts.push_back({clip.overUnderScript, ScriptBody::Layout});
      break;
    case OutputLayout::AnaglyphDubois:
    case OutputLayout::AnaglyphHalfColour:
    case OutputLayout::AnaglyphGrey:
      scripts.push_back({clip.anaglyphScript, ScriptBody::Layout});
      break;
    case OutputLayout::None:
      break;
  }
  return scripts;
}

std::vector<ScriptFile> ScriptBuilder::build(const ClipRecipe& r, TextFile& histogram) const {
  const ClipNames& clip = r.names;
  // The blending lines made for another clip's motion are made again.
  const auto* motion = r.find<Motion>(View::Left);
  const std::optional<Motion> clipMotion =
      motion != nullptr ? std::optional<Motion>(*motion) : std::nullopt;
  if (clipMotion != blendMotion_) {
    blendMotion_ = clipMotion;
    blendLines_ = {};
  }
  Clip c{r,
         style_,
         clip,
         r.has<Deinterlace>(View::Left),
         dir(clip.leftFile, style_),
         dir(clip.rightFile, style_),
         name(clip.leftFile, style_),
         name(clip.rightFile, style_),
         noext("Hist_" + name(clip.leftFile, style_), style_) + ".txt",
         noext("Hist_" + name(clip.rightFile, style_), style_) + ".txt",
         r.twoFiles() ? clip.rightPictures : clip.leftPictures,
         {},
         blendLines_};
  scriptlines::rateTail(c.rateTail, r.find<FrameSelection>(View::Left),
                        r.find<RateChange>(View::Left));

  appendHistogram(histogram, c);

  const std::string colour = scriptlines::colourLine(r.colour);
  // The passes of a view share the lines before Deshaker's own.
  TextFile passBody;
  std::vector<ScriptFile> scripts;
  for (PlannedScript& planned : plan(r)) {
    const std::string home = dir(planned.path, style_);
    TextFile lines;
    switch (planned.body) {
      case ScriptBody::LeftDeinterlace:
      case ScriptBody::RightDeinterlace:
        lines = deinterlaceScript(
            c, planned.body == ScriptBody::LeftDeinterlace ? View::Left : View::Right);
        break;
      case ScriptBody::LeftView:
      case ScriptBody::RightView:
        lines =
            singleView(c, planned.body == ScriptBody::LeftView ? View::Left : View::Right, home);
        addColourLine(lines, colour);
        break;
      case ScriptBody::LeftPass1:
      case ScriptBody::RightPass1:
        passBody =
            singleView(c, planned.body == ScriptBody::LeftPass1 ? View::Left : View::Right, home);
        lines = passScript(c, passBody, 1);
        break;
      case ScriptBody::LeftPass2:
      case ScriptBody::RightPass2:
        lines = passScript(c, std::move(passBody), 2);
        break;
      case ScriptBody::Layout:
        lines = layoutScript(c, home);
        addColourLine(lines, colour);
        break;
    }
    scripts.push_back({std::move(planned.path), std::move(lines)});
  }
  return scripts;
}

}  // namespace twinlens
