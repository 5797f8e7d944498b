// `preview`: a frame of a clip through its conversion, as a PNG picture, or a stretch of frames
// and their sound.
#include <filesystem>

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
    app.add_option("--png", png_,
                   "The picture to write; with --frames, a pattern whose %d (or %05d) is the "
                   "frame's number")
        ->required()
        ->type_name("FILE");
    CLI::Option* frames =
        app.add_option("--frames", frames_, "How many frames to write, from the one asked for on")
            ->type_name("N")
            ->check(CLI::PositiveNumber);
    app.add_option("--sound", sound_, "A WAV file for the sound of the frames written")
        ->type_name("FILE")
        ->needs(frames);
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
    FramePreview preview(settings, scan);
    const std::string left = platform::absolutePath(left_);
    const std::string right = right_.empty() ? std::string() : platform::absolutePath(right_);
    const PreviewLook look(shown, yaw_, pitch_);
    if (frames_ == 0) {
      for (const std::string& note : preview.render(left, right, where, look, png_))
        err << "note\t" << note << '\n';
      out << "wrote\t" << platform::absolutePath(png_) << '\n';
      return 0;
    }
    Stretch stretch;
    stretch.frames = frames_;
    // The sound is made whole beside the pictures, then put in place at once.
    const std::string sound = sound_.empty() ? std::string() : platform::absolutePath(sound_);
    if (!sound.empty()) {
      stretch.sound = sound + ".partial";
      stretch.wave = true;
    }
    std::vector<std::string> notes;
    std::vector<std::string> files;
    try {
      files = preview.renderStretch(left, right, where, look, stretch, platform::absolutePath(png_),
                                    notes);
    } catch (...) {
      std::error_code ignored;
      if (!sound.empty()) std::filesystem::remove(stretch.sound, ignored);
      throw;
    }
    for (const std::string& note : notes) err << "note\t" << note << '\n';
    for (const std::string& file : files) out << "wrote\t" << file << '\n';
    if (!sound.empty()) {
      if (platform::fileExists(stretch.sound)) {
        const std::string wave = platform::readFile(stretch.sound);
        std::filesystem::remove(stretch.sound);
        platform::writeFileReplacing(sound, wave);
        out << "wrote\t" << sound << '\n';
      } else {
        err << "note\tThe output has no sound\n";
      }
    }
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
  std::int64_t frames_ = 0;
  std::string sound_;
};

}  // namespace

std::unique_ptr<Command> previewCommand(CLI::App& app) {
  return std::make_unique<Preview>(app);
}

}  // namespace twinlens::cli
