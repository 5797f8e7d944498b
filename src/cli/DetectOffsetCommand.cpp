// `detect-offset`: the cameras' offset and drift measured from the two clips' sound, as the button
// beside "Offset frames" measures it.
#include "analysis/OffsetDetector.h"
#include "cli/Commands.h"
#include "media/FfmpegSoundSource.h"
#include "platform/FileSystem.h"

namespace twinlens::cli {

namespace {

class DetectOffset : public Command {
 public:
  explicit DetectOffset(CLI::App& app) {
    app.add_option("LEFT", left_, "The left camera's clip")->required()->check(existingFile());
    app.add_option("RIGHT", right_, "The right camera's clip")->required()->check(existingFile());
    app.add_option("--seconds", seconds_, "How much sound is compared near the start and the end")
        ->type_name("S")
        ->check(CLI::Range(1.0, 3600.0));
    settings_.add(app, "Settings file naming the ffmpeg to use", false, false);
  }

  int run(std::ostream& out, std::ostream&) override {
    const ConversionSettings settings = settings_.load();
    FfmpegSoundSource source(settings);
    const OffsetReport report =
        OffsetDetector(source, seconds_)
            .detect(platform::absolutePath(left_), platform::absolutePath(right_));
    for (const std::string& line : report.lines()) out << line << '\n';
    return 0;
  }

 private:
  std::string left_;
  std::string right_;
  double seconds_ = 60;
  SettingsOptions settings_;
};

}  // namespace

std::unique_ptr<Command> detectOffsetCommand(CLI::App& app) {
  return std::make_unique<DetectOffset>(app);
}

}  // namespace twinlens::cli
