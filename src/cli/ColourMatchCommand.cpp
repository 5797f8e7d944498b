// `colour-match`: the colour-match tables of one clip, which the runner script of the ffmpeg
// engine makes before it encodes the clip.
#include "analysis/FfmpegColourMatcher.h"
#include "cli/Commands.h"
#include "platform/FileSystem.h"

namespace twinlens::cli {

namespace {

class ColourMatch : public Command {
 public:
  explicit ColourMatch(CLI::App& app) {
    app.add_option("--reference", reference_, "The view whose colours stay: left or right")
        ->type_name("VIEW")
        ->required()
        ->check(CLI::IsMember({"left", "right"}));
    app.add_option("--views", views_, "How the clip holds its views")
        ->type_name("VIEWS")
        ->check(CLI::IsMember({"pair", "side-by-side", "over-under"}));
    app.add_option("--lut", lut_, "The .cube file to write")->required()->type_name("FILE");
    app.add_option("--ffmpeg", ffmpeg_, "The ffmpeg program to decode with (default: on the PATH)")
        ->type_name("PROGRAM");
    app.add_option("CLIPS", files_, "The left and the right clip, or the one file")
        ->required()
        ->check(existingFile());
  }

  void check() const override { checkClips(files_, views_); }

  int run(std::ostream&, std::ostream&) override {
    ConversionSettings settings(programFolder());
    settings.FfmpegLocation = ffmpeg_;
    const ChannelTables tables = FfmpegColourMatcher(settings).tables(
        views_, files_.front(), files_.back(), reference_ == "left");
    platform::writeFileReplacing(lut_, cubeText(tables));
    return 0;
  }

 private:
  std::string reference_;
  std::string views_ = "pair";
  std::string lut_;
  std::string ffmpeg_;
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> colourMatchCommand(CLI::App& app) {
  return std::make_unique<ColourMatch>(app);
}

}  // namespace twinlens::cli
