#include "engine/ScriptBuilder.h"

#include <cstdint>

#include "engine/Choices.h"
#include "engine/IntegerText.h"
#include "engine/ScriptLines.h"

namespace twinlens {

namespace {

using paths::dir;
using paths::name;
using paths::noext;

// What one clip's lines are made of, worked out once per clip.
struct Clip {
  const ConversionSettings& s;
  PathStyle style;
  const ClipNames& names;
  std::int64_t offset;
  bool audioCut;
  bool deinterlace;
  std::string leftFolder;
  std::string rightFolder;
  std::string leftName;
  std::string rightName;
  std::string leftHistogram;  // bare file names of the histogram texts
  std::string rightHistogram;
  const PictureSequence& rightPictures;
  TextFile rateTail;

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
  const int import = c.s.RadioGroup_Import_Options;
  if (import == choices::kImportPictures) {
    const PictureSequence& pictures = v == View::Left ? c.names.leftPictures : c.rightPictures;
    // The pattern is a full path already, so it is the same from every folder.
    return "ImageSource(\"" + pictures.pattern + "\", " + std::to_string(pictures.first) + " , " +
           std::to_string(pictures.last) + " , " + c.s.Edit_import_picture_FR + ")";
  }
  const std::string file =
      c.reference(home, c.folder(v), v == View::Left ? c.leftName : c.rightName);
  return quoted(import == choices::kImportDirectShow ? "DirectShowSource" : "AVISource", file);
}

std::string intermediateReference(const Clip& c, View v, const std::string& home) {
  return c.reference(home, c.folder(v),
                     v == View::Left ? c.names.leftIntermediate : c.names.rightIntermediate);
}

// The first two groups of a view: its source and the time shift.
void appendSourceAndShift(TextFile& out, const Clip& c, View v, const std::string& home) {
  out.add(c.deinterlace ? quoted("AVISource", intermediateReference(c, v, home))
                        : fileSourceLine(c, v, home));
  scriptlines::timeShift(out, v, c.offset);
}

// Every line of a view before the rate tail, as a script in `home` holds it. A deinterlaced
// view opens an intermediate that already has its fields, size and split done.
void appendView(TextFile& out, const Clip& c, View v, const std::string& home,
                bool leftViewBefore) {
  appendSourceAndShift(out, c, v, home);
  // Colour match "Left" changes the right view, "Right" the left one; the first histogram is
  // that of the view being changed.
  const int match = c.s.RadioGroup_Colour_Match;
  if ((v == View::Left && match == 2) || (v == View::Right && match == 1)) {
    const std::string leftHistogram = c.reference(home, c.leftFolder, c.leftHistogram);
    const std::string rightHistogram = c.reference(home, c.rightFolder, c.rightHistogram);
    const bool left = v == View::Left;
    out.add("colourlike(\"" + (left ? leftHistogram : rightHistogram) + "\", \"" +
            (left ? rightHistogram : leftHistogram) + "\")");
  }
  if (c.audioCut) scriptlines::audioCut(out, c.s.Edit_Audio_Frames_Cut);
  if (!c.deinterlace) scriptlines::fieldLines(out, c.s);
  scriptlines::blendOrTimeLapse(out, v, c.s, leftViewBefore);
  if (!c.deinterlace) {
    scriptlines::sizeLines(out, c.s);
    scriptlines::splitLines(out, v, c.s);
  }
  scriptlines::mirrorLines(out, v, c.s);
  scriptlines::finalSize(out, c.s);
}

// The script VirtualDub deinterlaces a view from; it lies beside the view's own file.
TextFile deinterlaceScript(const Clip& c, View v) {
  TextFile out;
  out.add(fileSourceLine(c, v, c.folder(v)));
  scriptlines::fieldLines(out, c.s);
  scriptlines::sizeLines(out, c.s);
  scriptlines::splitLines(out, v, c.s);
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
  appendView(out, c, v, home, false);
  out.append(c.rateTail);
  return out;
}

TextFile layoutScript(const Clip& c, const std::string& home) {
  const int format = c.s.RadioGroup_Output_Format;
  const bool stacked = format != choices::kOutputSideBySide;
  TextFile out;
  if (c.deinterlace) {
    out.add((stacked ? "a=" : "") +
            quoted("AVISource", intermediateReference(c, View::Left, home)));
  }
  appendView(out, c, View::Left, home, false);
  out.add("a=last");
  if (c.deinterlace) {
    out.add((stacked ? "b=" : "") +
            quoted("AVISource", intermediateReference(c, View::Right, home)));
  }
  appendView(out, c, View::Right, home, true);
  out.add("b=last");
  const bool reverse = c.s.CheckBox_Reverse_LR;
  if (format == choices::kOutputSideBySide) {
    out.add(reverse ? "StackHorizontal(b,a)" : "StackHorizontal(a,b)");
  } else if (format == choices::kOutputOverUnder) {
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

// The two Deshaker passes of one view, written beside `outputScript` under its name.
void addPassScripts(std::vector<ScriptFile>& scripts, const Clip& c, View v,
                    const std::string& outputScript) {
  const std::string home = dir(outputScript, c.style);
  TextFile body = singleView(c, v, home);
  const std::string log = dir(c.names.leftOutputScript, c.style) + "Deshaker.log";
  const std::string colour = scriptlines::colourLine(c.s);
  for (int pass = 1; pass <= 2; ++pass) {
    // The second pass takes the body itself; only the first needs a copy.
    TextFile script = pass == 1 ? TextFile(body) : std::move(body);
    script.add("ConvertToRGB32");
    script.add("LoadVirtualDubPlugin (\"" + c.s.DeshakerDir + "\", \"deshaker\", preroll=0)");
    script.add("deshaker(" + (pass == 1 ? c.s.DeshakePart1a : c.s.DeshakePart1b) + log +
               c.s.DeshakePart2 + ")");
    addColourLine(script, colour);
    scripts.push_back({passScriptPath(outputScript, pass, c.style), std::move(script)});
  }
}

}  // namespace

ScriptBuilder::ScriptBuilder(const ConversionSettings& settings, PathStyle style)
    : settings_(settings), style_(style) {}

std::vector<ScriptFile> ScriptBuilder::build(const ClipNames& clip, TextFile& histogram) const {
  const ConversionSettings& s = settings_;
  // Both numbers are read before anything of the clip is kept, so a bad one leaves no trace.
  const std::int64_t offset = s.Edit_Offset.empty() ? 0 : toInteger(s.Edit_Offset);
  const bool audioCut = toInteger(s.Edit_Audio_Frames_Cut) > 0;

  const bool singleFileInput = s.RadioGroup_Input_Format != choices::kInputSeparate;
  Clip c{s,
         style_,
         clip,
         offset,
         audioCut,
         s.CheckBox_Output_DI,
         dir(clip.leftFile, style_),
         dir(clip.rightFile, style_),
         name(clip.leftFile, style_),
         name(clip.rightFile, style_),
         noext("Hist_" + name(clip.leftFile, style_), style_) + ".txt",
         noext("Hist_" + name(clip.rightFile, style_), style_) + ".txt",
         singleFileInput ? clip.leftPictures : clip.rightPictures,
         {}};
  scriptlines::rateTail(c.rateTail, s);

  appendHistogram(histogram, c);

  std::vector<ScriptFile> scripts;
  if (c.deinterlace) {
    scripts.push_back({clip.leftDeinterlaceScript, deinterlaceScript(c, View::Left)});
    scripts.push_back({clip.rightDeinterlaceScript, deinterlaceScript(c, View::Right)});
  }

  const int format = s.RadioGroup_Output_Format;
  const bool reverse = s.CheckBox_Reverse_LR;
  const std::string colour = scriptlines::colourLine(s);
  if (format == choices::kOutputSeparate || format == choices::kOutputMono) {
    const bool separate = format == choices::kOutputSeparate;
    if (!s.CheckBox_Deshake) {
      const View first = reverse ? View::Right : View::Left;
      TextFile left = singleView(c, first, dir(clip.leftOutputScript, style_));
      addColourLine(left, colour);
      scripts.push_back({clip.leftOutputScript, std::move(left)});
      if (separate) {
        const View second = reverse ? View::Left : View::Right;
        TextFile right = singleView(c, second, dir(clip.rightOutputScript, style_));
        addColourLine(right, colour);
        scripts.push_back({clip.rightOutputScript, std::move(right)});
      }
    } else {
      const bool swapFirst = reverse && s.RadioGroup_Input_Format != choices::kInputMono;
      addPassScripts(scripts, c, View::Left,
                     swapFirst ? clip.rightOutputScript : clip.leftOutputScript);
      if (separate) {
        addPassScripts(scripts, c, View::Right,
                       reverse ? clip.leftOutputScript : clip.rightOutputScript);
      }
    }
  } else if (format == choices::kOutputSideBySide) {
    TextFile script = layoutScript(c, dir(clip.sideBySideScript, style_));
    addColourLine(script, colour);
    scripts.push_back({clip.sideBySideScript, std::move(script)});
  } else if (format == choices::kOutputOverUnder || format == choices::kOutputInterlaced) {
    TextFile script = layoutScript(c, dir(clip.overUnderScript, style_));
    addColourLine(script, colour);
    scripts.push_back({clip.overUnderScript, std::move(script)});
  }
  return scripts;
}

}  // namespace twinlens
