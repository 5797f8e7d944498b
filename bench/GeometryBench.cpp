// The geometry measurement on generated 1920x1080 pairs: pictures Debian ships (OpenCV's samples,
// where opencv-doc is installed) or generated scenes, each with a depth of its own (a slanted
// background and a nearer round object) and the right view misaligned by known amounts (vertical
// up to 20 px, roll 1.5 degrees, zoom 3 %, toe-in and tilt 1 degree). Each pair goes through the
// same reading as a clip (an ffv1 file, decoded by ffmpeg); the figures found are compared with
// the truth. Each pair is then converted side by side by twinlens-cli with "Measure each clip"
// (ffmpeg engine, ffv1), and the output's views are measured: what vertical error they have
// left, and how their parallax compares with the truth (enlarged by the conversion's crop).
// Then a 10-minute 1080p pair is timed, decoding included.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/FfmpegGeometryMeasurer.h"
#include "base/Error.h"
#include "cli/CliApp.h"
#include "media/FfprobeMediaProbe.h"
#include "model/AlignWarp.h"
#include "platform/ProgramOutput.h"
#include "support/HardPairs.h"
#include "support/StereoPairs.h"
#include "support/SyntheticPair.h"

namespace fs = std::filesystem;
using namespace twinlens;

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;

bool run(const std::vector<std::string>& command) {
  const platform::ProgramOutput result = platform::runProgram(command);
  if (result.exitCode != 0) std::fprintf(stderr, "%s\n", result.errors.c_str());
  return result.exitCode == 0;
}

// A picture as a grey 1920x1080 view, filling the frame.
GrayImage viewOf(const std::vector<std::string>& input) {
  std::vector<std::string> command{"ffmpeg", "-v", "error"};
  command.insert(command.end(), input.begin(), input.end());
  command.insert(command.end(),
                 {"-frames:v", "1", "-vf",
                  "scale=1920:1080:force_original_aspect_ratio=increase,crop=1920:1080,format=gray",
                  "-f", "rawvideo", "-"});
  const platform::ProgramOutput result = platform::runProgram(command);
  GrayImage picture(kW, kH);
  if (result.output.size() != picture.pixels.size()) return GrayImage();
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = static_cast<unsigned char>(result.output[i]);
  }
  return picture;
}

bool save(const GrayImage& picture, const std::string& file) {
  const std::string size = std::to_string(picture.width) + "x" + std::to_string(picture.height);
  const std::string raw = file + ".raw";
  {
    std::ofstream out(raw, std::ios::binary);
    for (const float value : picture.pixels) {
      out.put(static_cast<char>(std::clamp(std::lround(value), 0L, 255L)));
    }
  }
  const bool made = run({"ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
                         size, "-i", raw, "-c:v", "ffv1", file});
  fs::remove(raw);
  return made;
}

// The pair converted side by side with "Measure each clip", and the output's geometry.
GeometryReport convertedAndMeasured(const std::string& left, const std::string& right,
                                    const fs::path& dir) {
  std::ostringstream out;
  std::ostringstream err;
  const int status =
      cli::run({"--set", "RadioGroup_Engine=1", "--set", "RadioGroup_Output_Format=1", "--set",
                "CheckBox_ffmpeg_make=1", "--set", "RadioGroup_Align=1", "--set",
                "Edit_Video_Extension=.mkv", "--set", "Edit_coding_presets=-c:v ffv1", "--left",
                left, "--right", right},
               out, err);
  if (status != 0) throw Error("the conversion failed: " + err.str());
  const std::string stem = fs::path(left).stem().string();
  const std::string name = stem.substr(0, stem.size() - 2);  // without "_L"
  if (!run({(dir / (name + "_LR.sh")).string()})) throw Error("the runner failed");
  FfprobeMediaProbe files(ConversionSettings(), false);
  return FfmpegGeometryMeasurer(ConversionSettings(), 1)
      .measure(recipe::InputLayout::SideBySide, (dir / (name + "_LR.mkv")).string(), {}, files);
}

// The real pairs with their true disparity, and the hard pairs of the tests, each read as a clip
// (an ffv1 file of the picture) and measured from one frame.
void realAndHardPairs(const fs::path& dir) {
  FfmpegGeometryMeasurer measurer(ConversionSettings(), 1);
  auto measure = [&](const std::string& left, const std::string& right) {
    FfprobeMediaProbe files(ConversionSettings(), false);
    return measurer.measure(recipe::InputLayout::Pair, left, right, files);
  };
  std::printf("%-26s %8s %8s %8s %9s %9s %9s %9s %7s %7s\n", "real pair", "vert px", "roll",
              "zoom %", "near pm", "truth", "far pm", "truth", "matched", "sure");
  for (const std::string& scene : stereo::kScenes) {
    std::string views[2];
    const char* sides[2] = {"left", "right"};
    for (int v = 0; v < 2; ++v) {
      views[v] = (dir / (scene + "_" + sides[v] + ".mkv")).string();
      if (!run({"ffmpeg", "-v", "error", "-y", "-i", stereo::folder(scene) + sides[v] + ".png",
                "-frames:v", "1", "-c:v", "ffv1", "-pix_fmt", "yuv420p", views[v]})) {
        return;
      }
    }
    const std::vector<float> truth = stereo::trueParallax(scene);
    const GeometryReport r = measure(views[0], views[1]);
    for (const bool both : {false, true}) {
      const auto [near, far] =
          stereo::nearAndFar(both ? stereo::seenByBoth(truth, 450) : truth, 450);
      std::printf("%-26s %+8.3f %+8.4f %+8.4f %+9.1f %+9.1f %+9.1f %+9.1f %7.3f %7.3f\n",
                  (scene + (both ? " (seen by both views)" : "")).c_str(), r.verticalOffsetPx,
                  r.rollDeg, r.zoomPercent, r.parallaxNearPermille, near, r.parallaxFarPermille,
                  far, r.matchedShare, r.confidence);
    }
  }
  std::printf("\n%-26s %8s %8s %8s %9s %9s %9s %9s %7s %7s\n", "hard pair (vertical, truth)",
              "vert px", "roll", "zoom %", "near pm", "truth", "far pm", "truth", "after",
              "matched");
  for (const synthetic::HardCase& c : synthetic::hardCases()) {
    const auto [left, right] = synthetic::hardPair(c);
    const std::string l = (dir / (std::string(c.name) + "_L.mkv")).string();
    const std::string rFile = (dir / (std::string(c.name) + "_R.mkv")).string();
    if (!save(left, l) || !save(right, rFile)) return;
    try {
      const GeometryReport r = measure(l, rFile);
      std::printf("%-18s %+7.1f %+8.3f %+8.4f %+8.4f %+9.1f %+9.1f %+9.1f %+9.1f %7.3f %7.3f\n",
                  c.name, c.rig.vertical, r.verticalOffsetPx, r.rollDeg, r.zoomPercent,
                  r.parallaxNearPermille, c.nearPermille, r.parallaxFarPermille, c.farPermille,
                  r.verticalAfter.mean, r.matchedShare);
    } catch (const Error& error) {
      std::printf("%-18s not measured: %s\n", c.name, error.what());
    }
  }
  // Two different scenes.
  const std::string a = (dir / "scene_a.mkv").string();
  const std::string b = (dir / "scene_b.mkv").string();
  if (!save(synthetic::texture(31), a) || !save(synthetic::texture(32), b)) return;
  try {
    measure(a, b);
    std::printf("two different scenes: measured (they should be refused)\n\n");
  } catch (const Error& error) {
    std::printf("two different scenes: refused: %s\n\n", error.what());
  }
}

double percentileOf(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path dir = fs::temp_directory_path() / "twinlens-geometry-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);

  // The scenes: photographs and video frames of OpenCV's samples where opencv-doc is installed
  // (`scripts/deps-bench`), else generated ones.
  std::vector<std::pair<std::string, GrayImage>> scenes;
  const fs::path samples = "/usr/share/doc/opencv-doc/examples/data";
  const char* photographs[] = {
      "aero1.jpg",        "aloeL.jpg",        "apple.jpg",        "baboon.jpg", "basketball1.png",
      "board.jpg",        "building.jpg",     "butterfly.jpg",    "fruits.jpg", "graf1.png",
      "home.jpg",         "leuvenA.jpg",      "messi5.jpg",       "orange.jpg", "rubberwhale1.png",
      "smarties.png",     "squirrel_cls.jpg", "starry_night.jpg", "stuff.jpg",  "HappyFish.jpg",
      "box_in_scene.png", "Megamind.avi",     "vtest.avi",        "tree.avi"};
  for (const char* name : photographs) {
    const fs::path file = samples / name;
    if (!fs::exists(file)) continue;
    // A clip's frame from its third second (Megamind.avi opens on black).
    GrayImage picture = fs::path(name).extension() == ".avi"
                            ? viewOf({"-ss", "3", "-i", file.string()})
                            : viewOf({"-i", file.string()});
    if (!picture.pixels.empty()) scenes.emplace_back(name, picture);
  }
  const char* generated[] = {"mandelbrot=s=1920x1080", "testsrc2=s=1920x1080",
                             "cellauto=s=1920x1080:rule=110:seed=3,gblur=sigma=2",
                             "life=s=1920x1080:seed=7:mold=10,gblur=sigma=1.5"};
  for (unsigned seed = 1; scenes.size() < 24; ++seed) {
    if (seed <= 4) {
      scenes.emplace_back(std::string(generated[seed - 1]).substr(0, 10),
                          viewOf({"-f", "lavfi", "-i", generated[seed - 1]}));
    } else {
      scenes.emplace_back("texture " + std::to_string(seed), synthetic::texture(seed, kW, kH));
    }
  }

  realAndHardPairs(dir);

  std::mt19937 random(2026);
  auto within = [&](double limit) {
    return std::uniform_real_distribution<double>(-limit, limit)(random);
  };
  ConversionSettings settings;
  FfmpegGeometryMeasurer measurer(settings, 1);
  std::printf("%-14s %8s %8s %8s %8s %8s %9s %9s %7s  %s\n", "scene", "vert px", "roll", "zoom %",
              "toe-in", "tilt", "near pm", "far pm", "after",
              "output: vertical mean, p95; near, far against the truth");
  std::vector<double> errors[8];
  std::vector<double> outputMean;
  std::vector<double> outputP95;
  std::vector<double> outputParallax;  // the near and far points' errors
  int measured = 0;
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    synthetic::Rig rig{within(20), within(1.5), within(3), within(1), within(1)};
    const double back = 8 + within(8);    // per mille behind the screen
    const double front = -6 + within(6);  // the round object's
    rig.depth = [=](double x, double y) {
      const double wall = back + 6 * y / kH;
      return kW * (x * x + y * y < 250.0 * 250.0 ? front : wall) / 1000;
    };
    // The truth of the parallax over the whole picture, every pixel of which is matched.
    std::vector<double> depth;
    for (int y = -kH / 2; y < kH / 2; y += 4) {
      for (int x = -kW / 2; x < kW / 2; x += 4) depth.push_back(rig.depth(x, y) / kW * 1000);
    }
    const std::string left = (dir / ("pair" + std::to_string(i) + "_L.mkv")).string();
    const std::string right = (dir / ("pair" + std::to_string(i) + "_R.mkv")).string();
    if (!save(scenes[i].second, left) ||
        !save(synthetic::rightView(scenes[i].second, rig), right)) {
      return 1;
    }
    try {
      FfprobeMediaProbe files(settings, false);
      const GeometryReport r = measurer.measure(recipe::InputLayout::Pair, left, right, files);
      const double found[7] = {r.verticalOffsetPx - rig.vertical,
                               r.rollDeg - rig.rollDeg,
                               r.zoomPercent - rig.zoomPercent,
                               r.toeInDeg - rig.toeInDeg,
                               r.tiltDeg - rig.tiltDeg,
                               r.parallaxNearPermille - percentileOf(depth, 0.01),
                               r.parallaxFarPermille - percentileOf(depth, 0.99)};
      for (int k = 0; k < 7; ++k) errors[k].push_back(std::abs(found[k]));
      errors[7].push_back(r.verticalAfter.mean);
      ++measured;
      std::printf("%-14s %+8.3f %+8.4f %+8.4f %+8.4f %+8.4f %+9.2f %+9.2f %7.3f",
                  scenes[i].first.substr(0, 14).c_str(), found[0], found[1], found[2], found[3],
                  found[4], found[5], found[6], r.verticalAfter.mean);
      // The conversion enlarges both views alike to keep borders out; parallax grows with them.
      const double enlarged = AlignWarp({r.verticalOffsetPx, r.rollDeg, r.zoomPercent, r.toeInDeg,
                                         r.tiltDeg, 0, kW, kH},
                                        true)
                                  .scale();
      const GeometryReport o = convertedAndMeasured(left, right, dir);
      outputMean.push_back(o.verticalBefore.mean);
      outputP95.push_back(o.verticalBefore.p95);
      const double nearError = o.parallaxNearPermille - enlarged * percentileOf(depth, 0.01);
      const double farError = o.parallaxFarPermille - enlarged * percentileOf(depth, 0.99);
      outputParallax.push_back(std::abs(nearError));
      outputParallax.push_back(std::abs(farError));
      std::printf("  output: %6.3f %6.3f px %+6.2f %+6.2f pm\n", o.verticalBefore.mean,
                  o.verticalBefore.p95, nearError, farError);
    } catch (const Error& error) {
      std::printf("%-14s not measured: %s\n", scenes[i].first.substr(0, 14).c_str(), error.what());
    }
  }
  auto summary = [&](int k) {
    double sum = 0;
    for (const double e : errors[k]) sum += e;
    return std::pair{
        errors[k].empty() ? 0.0 : sum / static_cast<double>(errors[k].size()),
        errors[k].empty() ? 0.0 : *std::max_element(errors[k].begin(), errors[k].end())};
  };
  const char* names[8] = {"vertical offset px", "roll degrees",        "zoom %",
                          "toe-in degrees",     "tilt degrees",        "near parallax pm",
                          "far parallax pm",    "vertical error after"};
  std::printf("\n%d of %zu pairs measured; the errors against the truth (mean, largest):\n",
              measured, scenes.size());
  for (int k = 0; k < 8; ++k) {
    const auto [mean, largest] = summary(k);
    std::printf("  %-22s %8.4f %8.4f\n", names[k], mean, largest);
  }
  auto mean = [](const std::vector<double>& values) {
    double sum = 0;
    for (const double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
  };
  auto largest = [](const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
  };
  std::printf(
      "\nconverted with \"Measure each clip\", %zu outputs measured:\n"
      "  vertical error of the output pair: mean %.3f px (goal: at most 0.2), 95th percentile "
      "%.3f px on average and %.3f px at most (goal: at most 0.6)\n"
      "  near and far parallax against the truth: %.2f per mille on average, %.2f at most "
      "(goal: within 2)\n",
      outputMean.size(), mean(outputMean), mean(outputP95), largest(outputP95),
      mean(outputParallax), largest(outputParallax));

  // A 10-minute 1080p H.264 pair with a key frame every 10 s, the right camera 6 px lower.
  const std::string ten = (dir / "ten.mp4").string();
  const std::string longLeft = (dir / "long_L.mp4").string();
  const std::string longRight = (dir / "long_R.mp4").string();
  for (const auto& [file, camera] :
       {std::pair{longLeft, std::string("null")},
        std::pair{longRight, std::string("crop=iw:ih-6:0:0,pad=iw:ih+6:0:6")}}) {
    run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
         "mandelbrot=s=1920x1080:r=25,trim=duration=10," + camera + ",format=yuv420p", "-c:v",
         "libx264", "-preset", "ultrafast", "-g", "250", ten});
    run({"ffmpeg", "-v", "error", "-y", "-stream_loop", "59", "-i", ten, "-c", "copy", file});
  }
  const auto start = std::chrono::steady_clock::now();
  try {
    // The streams' headers are read as the measure button reads them.
    FfprobeMediaProbe files(settings, false);
    const GeometryReport r = FfmpegGeometryMeasurer(settings).measure(recipe::InputLayout::Pair,
                                                                      longLeft, longRight, files);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "\na 10-minute 1080p pair, 24 frames: %.2f s (goal: at most 10 s); vertical offset "
        "%.2f px (truth 6)\n",
        seconds, r.verticalOffsetPx);
  } catch (const Error& error) {
    std::printf("\nthe 10-minute pair was not measured: %s\n", error.what());
  }
  fs::remove_all(dir);
  return 0;
}
