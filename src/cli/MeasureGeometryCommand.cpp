// `measure-geometry`: how a pair's right view lies against its left one and how deep the scene is,
// measured through the scan, which keeps what it read for the next run or preview.
#include "analysis/FfmpegGeometryMeasurer.h"
#include "cli/Commands.h"
#include "platform/FileSystem.h"
#include "run/ClipScan.h"

namespace twinlens::cli {

namespace {

class MeasureGeometry : public Command {
 public:
  explicit MeasureGeometry(CLI::App& app) {
    app.add_option("CLIPS", files_, "The left and the right clip, or the one file")
        ->required()
        ->check(existingFile());
    app.add_option("--views", views_, "How the clip holds its views")
        ->type_name("VIEWS")
        ->check(CLI::IsMember({"pair", "side-by-side", "over-under"}));
    app.add_option("--frames", frames_, "How many frames are measured")
        ->type_name("N")
        ->check(CLI::Range(1, 240));
    settings_.add(app, "Settings file naming the ffmpeg to use", false, false);
    app.add_flag("--json", json_, "One JSON object instead of lines");
  }

  void check() const override { checkClips(files_, views_); }

  int run(std::ostream& out, std::ostream&) override {
    const ConversionSettings settings = settings_.load();
    const recipe::InputLayout layout = views_ == "side-by-side" ? recipe::InputLayout::SideBySide
                                       : views_ == "over-under" ? recipe::InputLayout::OverUnder
                                                                : recipe::InputLayout::Pair;
    FfmpegGeometryMeasurer measurer(settings, frames_);
    ClipScan scan(nullptr, &measurer, platform::cacheFolder());
    ScanRequest request;
    request.geometry = true;
    request.headersOnly = true;
    const GeometryReport report =
        scan.scanClip(settings, layout, request, platform::absolutePath(files_.front()),
                      platform::absolutePath(files_.back()))
            .measuredGeometry();
    if (json_) {
      out << report.json() << '\n';
    } else {
      for (const std::string& line : report.lines()) out << line << '\n';
    }
    return 0;
  }

 private:
  std::vector<std::string> files_;
  std::string views_ = "pair";
  int frames_ = FfmpegGeometryMeasurer::kDefaultFrames;
  SettingsOptions settings_;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> measureGeometryCommand(CLI::App& app) {
  return std::make_unique<MeasureGeometry>(app);
}

}  // namespace twinlens::cli
