// `preview`: one frame of a clip through its conversion, as a PNG picture.
#include "cli/Commands.h"
#include "platform/FileSystem.h"
#include "run/ClipScan.h"
#include "run/FramePreview.h"

namespace twinlens::cli {

namespace {

class Preview : public Command {
 public:
  explicit Preview(CLI::App& app) {
    settings_.add(app, "Settings file to load (missing: the defaults)", false, true);
    app.add_option("--left", left_, "The left clip, or the one file")
        ->type_name("FILE")
        ->required()
        ->check(existingFile());
    app.add_option("--right", right_, "The right clip")->type_name("FILE")->check(existingFile());
    CLI::Option* frame = app.add_option("--frame", frame_, "The frame of the output")
                             ->type_name("N")
                             ->check(CLI::NonNegativeNumber);
    time_ = app.add_option("--time", seconds_, "The time on the output, in seconds")
                ->type_name("SECONDS")
                ->check(CLI::NonNegativeNumber);
    frame->excludes(time_);
    app.add_option("--mode", mode_, "What is shown")
        ->type_name("MODE")
        ->check(CLI::IsMember({"output", "anaglyph", "difference", "overlay", "headset"}));
    app.add_option("--yaw", yaw_, "The headset view's look to the right, in degrees")
        ->type_name("DEGREES")
        ->check(CLI::Range(-180.0, 180.0));
    app.add_option("--pitch", pitch_, "The headset view's look up, in degrees")
        ->type_name("DEGREES")
        ->check(CLI::Range(-90.0, 90.0));
    app.add_option("--png", png_, "The picture to write")->required()->type_name("FILE");
  }

  int run(std::ostream& out, std::ostream& err) override {
    const ConversionSettings settings = settings_.load();
    const PreviewMode shown = mode_ == "anaglyph"     ? PreviewMode::Anaglyph
                              : mode_ == "difference" ? PreviewMode::Difference
                              : mode_ == "overlay"    ? PreviewMode::Overlay
                              : mode_ == "headset"    ? PreviewMode::Headset
                                                      : PreviewMode::Output;
    FramePreview::Where where;
    if (time_->count() > 0) {
      where.seconds = seconds_;
    } else {
      where.frame = frame_;
    }
    // What was read of a file is kept for the next preview of it, while it stays as it was.
    ClipScan scan(nullptr, nullptr, platform::cacheFolder());
    const std::vector<std::string> notes =
        FramePreview(settings, scan)
            .render(platform::absolutePath(left_),
                    right_.empty() ? std::string() : platform::absolutePath(right_), where,
                    PreviewLook(shown, yaw_, pitch_), platform::absolutePath(png_));
    for (const std::string& note : notes) err << "note\t" << note << '\n';
    out << "wrote\t" << platform::absolutePath(png_) << '\n';
    return 0;
  }

 private:
  SettingsOptions settings_;
  std::string left_;
  std::string right_;
  std::int64_t frame_ = 0;
  double seconds_ = 0;
  CLI::Option* time_ = nullptr;
  std::string mode_ = "output";
  double yaw_ = 0;
  double pitch_ = 0;
  std::string png_;
};

}  // namespace

std::unique_ptr<Command> previewCommand(CLI::App& app) {
  return std::make_unique<Preview>(app);
}

}  // namespace twinlens::cli
