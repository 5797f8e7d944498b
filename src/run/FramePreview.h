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

// One frame's rendering, ready to run: the ffmpeg command that writes the picture to its standard
// output, and what the window shows beside it. Copies share the colour tables file it reads, which
// is removed with the last of them.
struct PreviewJob {
  std::vector<std::string> command;
  std::vector<std::string> notes;  // the clip's notes, and where the preview differs
  std::string clip;                // the clip's left file
  std::int64_t frame = 0;          // the frame shown, of the primary output
  std::int64_t frames = 0;         // the primary output's frames, as far as the headers tell
  std::optional<GeometryReport> geometry;  // where the pair was measured
  std::shared_ptr<const std::string> tables;

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
                     PreviewLook look, PictureFormat format);

 private:
  const ConversionSettings& settings_;
  ClipScan& scan_;
};

}  // namespace twinlens
