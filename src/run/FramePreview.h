#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/FrameRenderer.h"
#include "model/ConversionSettings.h"
#include "run/ClipScan.h"

namespace twinlens {

// How the picture of a preview is written: PNG for a file, BMP for a window to show at once.
enum class PictureFormat { Png, Bmp };

// How much of a clip a preview renders, and how: the frames from the one asked for on, scaled
// down to fit a box (after the conversion, so that what is shown is the encode's picture), and
// the output's sound with them.
struct Stretch {
  std::int64_t frames = 1;  // 0: to the clip's end
  int width = 0;            // 0: as large as the output is
  int height = 0;
  // The file the sound is written to as it comes, raw 16-bit stereo at kPreviewSoundRate (or a
  // WAV file); empty for none.
  std::string sound;
  bool wave = false;
  // The sound is wanted raw, in a temporary file of the job's own (its `soundFile`).
  bool playsSound = false;
};

// One frame's rendering, ready to run: the ffmpeg command that writes the picture to its standard
// output, and what the window shows beside it. Copies share the colour tables file it reads, which
// is removed with the last of them.
struct PreviewJob {
  // Takes the first whole picture out of what the command has written so far, where there is
  // one.
  std::optional<std::string> takePicture(std::string& written) const;

  std::vector<std::string> command;
  std::vector<std::string> notes;  // the clip's notes, and where the preview differs
  std::string clip;                // the clip's left file
  std::int64_t frame = 0;          // the frame shown, of the primary output
  std::int64_t frames = 0;         // the primary output's frames, as far as the headers tell
  std::optional<GeometryReport> geometry;  // where the pair was measured
  std::shared_ptr<const std::string> tables;
  Rational frameRate;  // of the primary output
  bool sound = false;  // the output's sound is written to the stretch's sound file
  std::shared_ptr<const std::string> soundFile;  // the temporary one, where the stretch asks
  PictureFormat format = PictureFormat::Png;

  // The picture from the run of `command`; raises Error saying why there is none.
  std::string picture(bool started, int exitCode, const std::string& output,
                      const std::string& errors) const;
};

// One frame of a clip through its real conversion, as a picture: the clip's recipe from the
// settings and the scan (its files' headers read, its geometry measured where the settings ask
// for it), its colour tables made where its colours are matched, rendered by the ffmpeg engine's
// graphs with the inputs sought near the frame. The scan reads each file and measures each pair
// once while they stay as they are, for the preview and the runs it serves alike.
class FramePreview {
 public:
  // Where in the clip: a frame of the primary output, or a time on it.
  struct Where {
    std::optional<std::int64_t> frame;
    std::optional<double> seconds;
  };

  FramePreview(const ConversionSettings& settings, ClipScan& scan)
      : settings_(settings), scan_(scan) {}

  // Renders the frame of the clip of `left` and `right` (`right` empty where one file holds the
  // views) into `png`, which is replaced whole or not at all. Returns what the user should know:
  // the clip's notes, and where the preview differs from the chosen engine's conversion. Raises
  // Error saying why a frame cannot be shown.
  std::vector<std::string> render(const std::string& left, const std::string& right, Where where,
                                  PreviewLook look, const std::string& png);

  // What `render` runs, for a caller that runs it on its own. Reads the files and measures the
  // pair where they are not known yet; raises Error as `render` does.
  PreviewJob prepare(const std::string& left, const std::string& right, Where where,
                     PreviewLook look, PictureFormat format, const Stretch& stretch = {});

  // Renders `stretch.frames` frames into the files `pattern` names (its "%d", or "%05d", is
  // the frame's number), each replaced whole or not at all, and the sound where asked. Returns
  // the files written, and adds to `notes` what `render` returns and where the clip ended before
  // the frames asked for.
  std::vector<std::string> renderStretch(const std::string& left, const std::string& right,
                                         Where where, PreviewLook look, const Stretch& stretch,
                                         const std::string& pattern,
                                         std::vector<std::string>& notes);

 private:
  const ConversionSettings& settings_;
  ClipScan& scan_;
};

}  // namespace twinlens
