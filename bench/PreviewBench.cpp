// The preview of a generated 10-minute 1080p clip with sound (a key frame every 10 s), once for a
// side-by-side file and once for a pair of files, in one run beside bare ffmpeg commands:
// - a frame 300 s in from the command line (the first request reads the files), against a bare
//   `ffmpeg -ss 300 -i clip -frames:v 1 out.png`, 9 times in turns;
// - the first frame after a seek as the window asks for it (the files already scanned, a
//   960x540 picture), against a bare `ffmpeg -ss T -i view -frames:v 1 -f null -` of one view;
// - playing from 300 s for 10 s at 960x540 with the sound read as a sound card would take it:
//   the frames shown per second and the first frame's wait, beside a bare ffmpeg decode of the
//   same 10 s (of every file the clip has).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "cli/CliApp.h"
#include "model/ConversionSettings.h"
#include "run/ClipScan.h"
#include "run/FramePreview.h"
#include "window/PreviewModel.h"

namespace fs = std::filesystem;
using namespace twinlens;
using bench::median;
using bench::run;
using bench::secondsOf;

namespace {

using Clock = std::chrono::steady_clock;

// No dialogs: the clip is given.
class NoPrompts : public window::Prompter {
 public:
  std::optional<std::vector<std::string>> openFiles(const std::string&, const std::string&,
                                                    const std::string&, bool) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string&, const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  void showError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void showInformation(const std::string&) override {}
  bool askOkCancel(const std::string&, const std::string&) override { return true; }
};

// A sound card: it takes a quarter of a second ahead and plays by the clock.
class ClockSound : public window::SoundOutput {
 public:
  std::string start(int sampleRate) override {
    rate_ = sampleRate;
    started_ = Clock::now();
    written_ = 0;
    return {};
  }
  std::size_t write(std::string_view samples) override {
    const double ahead = static_cast<double>(written_) / (rate_ * 4.0) - heardSeconds();
    if (ahead > 0.25) return 0;
    written_ += samples.size();
    return samples.size();
  }
  double heardSeconds() override {
    const double heard = std::chrono::duration<double>(Clock::now() - started_).count();
    return std::min(heard, static_cast<double>(written_) / (rate_ * 4.0));
  }
  void stop() override {}

 private:
  int rate_ = 48000;
  Clock::time_point started_;
  std::size_t written_ = 0;
};

// Counts what the window is given.
class CountingView : public window::PreviewView {
 public:
  void showPreviewWindow() override {}
  void showPreviewPicture(const std::string& bmp) override {
    ++pictures;
    lastPicture = Clock::now();
    empty = bmp.empty();
  }
  void showPreviewState(const window::PreviewState& shown) override { state = shown; }
  window::SoundOutput* previewSound() override { return &sound; }
  int pictures = 0;
  bool empty = false;
  Clock::time_point lastPicture;
  window::PreviewState state;
  ClockSound sound;
};

// Turns the model as a window's timer does, until `done` or 60 s.
template <typename Done>
void turnUntil(window::PreviewModel& model, Done&& done) {
  const auto started = Clock::now();
  while (!done() && Clock::now() - started < std::chrono::seconds(60)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    model.tick();
  }
}

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

bool makeLongClip(const fs::path& dir, const std::string& size, const std::string& camera,
                  const std::string& file) {
  const std::string ten = (dir / "ten.mov").string();
  return run({"ffmpeg",
              "-v",
              "error",
              "-y",
              "-f",
              "lavfi",
              "-i",
              "mandelbrot=s=" + size + ":r=25,trim=duration=10," + camera + ",format=yuv420p",
              "-f",
              "lavfi",
              "-i",
              "sine=f=440:d=10:sample_rate=48000",
              "-c:v",
              "libx264",
              "-preset",
              "ultrafast",
              "-g",
              "250",
              "-c:a",
              "pcm_s16le",
              ten}) &&
         run({"ffmpeg", "-v", "error", "-y", "-stream_loop", "59", "-i", ten, "-c", "copy", file});
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-preview-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string left = (dir / "long_L.mov").string();
  const std::string right = (dir / "long_R.mov").string();
  const std::string both = (dir / "long_SBS.mov").string();
  if (!makeLongClip(dir, "1920x1080", "null", left) ||
      !makeLongClip(dir, "1920x1080", "crop=iw:ih-6:0:0,pad=iw:ih+6:0:6", right) ||
      !makeLongClip(dir, "1920x540", "null", both)) {
    return 1;
  }
  const std::string png = (dir / "preview.png").string();
  const std::string bare = (dir / "bare.png").string();
  struct Clip {
    const char* name;
    bool oneFile;
    std::vector<std::string> files;
  };
  const Clip clips[] = {
      {"a side-by-side file", true, {both}},
      {"a pair of files", false, {left, right}},
  };
  for (const Clip& clip : clips) {
    std::vector<std::string> args{"preview",
                                  "--set",
                                  "RadioGroup_Engine=1",
                                  "--set",
                                  "RadioGroup_Output_Format=1",
                                  "--frame",
                                  "7500",
                                  "--png",
                                  png,
                                  "--left",
                                  clip.files.front()};
    if (clip.oneFile) args.insert(args.end(), {"--set", "RadioGroup_Input_Format=1"});
    if (!clip.oneFile) args.insert(args.end(), {"--right", clip.files.back()});
    std::vector<double> previews;
    std::vector<double> bares;
    for (int i = 0; i < 9; ++i) {
      previews.push_back(1000 * secondsOf([&] {
                           std::ostringstream out;
                           std::ostringstream err;
                           if (cli::run(args, out, err) != 0)
                             std::fprintf(stderr, "%s", err.str().c_str());
                         }));
      bares.push_back(1000 * secondsOf({"ffmpeg", "-v", "error", "-y", "-ss", "300", "-i",
                                        clip.files.front(), "-frames:v", "1", bare}));
    }
    const double cold = previews.front();
    std::printf(
        "%s, twinlens-cli preview of frame 7500 (300 s in): the first request %.0f ms, then "
        "median %.0f ms; bare ffmpeg -ss 300 -i view -frames:v 1 out.png: median %.0f ms; ratio "
        "%.2f (goal: at most 1.5)\n",
        clip.name, cold, median(previews), median(bares), median(previews) / median(bares));

    // As the window keeps it: one model, the files scanned by its first frame.
    ConversionSettings settings;
    settings.RadioGroup_Engine = choices::Engine::Ffmpeg;
    settings.RadioGroup_Output_Format = choices::OutputFormat::SideBySide;
    if (clip.oneFile) settings.RadioGroup_Input_Format = choices::InputFormat::SideBySide;
    NoPrompts prompts;
    CountingView view;
    ClipScan scan;
    window::PreviewModel model(settings, prompts, view, scan);
    model.setPictureBox(960, 540);
    model.setClip(clip.files.front(), clip.oneFile ? std::string() : clip.files.back());
    model.Preview1Click();
    turnUntil(model, [&] { return !model.busy(); });
    // Seeks to frames a whole number of seconds apart, each on a key frame's second: the first
    // frame after each against the bare seek of one view to the same time.
    std::vector<double> seeks;
    std::vector<double> bareSeeks;
    for (int i = 0; i < 9; ++i) {
      const int second = 200 + 25 * i;
      const int shown = view.pictures;
      const auto asked = Clock::now();
      model.setFrame(static_cast<std::int64_t>(second) * 25);
      turnUntil(model, [&] { return view.pictures > shown; });
      seeks.push_back(milliseconds(view.lastPicture - asked));
      if (view.empty) std::fprintf(stderr, "%s\n", view.state.message.c_str());
      bareSeeks.push_back(1000 *
                          secondsOf({"ffmpeg", "-v", "error", "-ss", std::to_string(second), "-i",
                                     clip.files.front(), "-frames:v", "1", "-f", "null", "-"}));
    }
    std::printf(
        "%s, the window's first frame after a seek (960x540): median %.0f ms (goal: at most 300 "
        "ms); bare ffmpeg -ss T -i view -frames:v 1 -f null -: median %.0f ms; ratio %.2f (goal: "
        "at most 1.3)\n",
        clip.name, median(seeks), median(bareSeeks), median(seeks) / median(bareSeeks));
    // Where that time goes: preparing the command (the recipe, the graph) and running it.
    FramePreview frames(settings, scan);
    std::vector<double> preparing;
    std::vector<double> running;
    for (int i = 0; i < 9; ++i) {
      Stretch stretch;
      stretch.width = 960;
      stretch.height = 540;
      PreviewJob job;
      preparing.push_back(1000 * secondsOf([&] {
                            job = frames.prepare(clip.files.front(),
                                                 clip.oneFile ? std::string() : clip.files.back(),
                                                 {(200 + 25 * i) * 25, std::nullopt},
                                                 PreviewMode::Output, PictureFormat::Bmp, stretch);
                          }));
      running.push_back(1000 * secondsOf(job.command));
    }
    std::printf(
        "%s, of which preparing the command: median %.1f ms; its ffmpeg run: median %.0f ms\n",
        clip.name, median(preparing), median(running));

    // Played from 300 s for 10 s.
    model.setFrame(7500);
    turnUntil(model, [&] { return !model.busy(); });
    const int before = view.pictures;
    const auto pressed = Clock::now();
    model.Button_Preview_PlayClick();
    turnUntil(model, [&] { return view.pictures > before; });
    const auto firstShown = view.lastPicture;
    const int first = view.pictures;
    turnUntil(model, [&] { return view.state.frame >= 7750 || !view.state.playing; });
    const double playedSeconds =
        std::chrono::duration<double>(view.lastPicture - firstShown).count();
    const int shownFrames = view.pictures - first;
    const std::int64_t reached = view.state.frame;
    model.Button_Preview_PlayClick();
    std::vector<std::string> decode{"ffmpeg", "-v", "error"};
    for (const std::string& file : clip.files) {
      decode.insert(decode.end(), {"-ss", "300", "-t", "10", "-i", file});
    }
    for (std::size_t i = 0; i < clip.files.size(); ++i) {
      decode.insert(decode.end(), {"-map", std::to_string(i) + ":v"});
    }
    decode.insert(decode.end(), {"-f", "null", "-"});
    const double bareDecode = secondsOf(decode);
    std::printf(
        "%s, played from 300 s for 10 s at 960x540 with its sound: %.1f frames shown per second "
        "(%d shown of the %lld played; goal: 25), the first %.0f ms after Play; bare ffmpeg "
        "decode of the same 10 s: %.2f s (%.0f frames per second)\n",
        clip.name, shownFrames / std::max(playedSeconds, 1e-9), shownFrames + 1,
        static_cast<long long>(reached - 7500 + 1), milliseconds(firstShown - pressed), bareDecode,
        250 / bareDecode);
    model.closed();
  }
  fs::remove_all(dir);
  return 0;
}
