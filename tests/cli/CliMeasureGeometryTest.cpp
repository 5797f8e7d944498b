// twinlens-cli measure-geometry on clips made with ffmpeg: a textured scene, and the right camera
// seeing it lower and further to the right, as two files and as one side-by-side file; a black
// pair refused; a pair named without its second file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "CliOutcome.h"
#include "platform/ProgramOutput.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::TempDir;

void ffmpeg(std::vector<std::string> args) {
  args.insert(args.begin(), {"ffmpeg", "-v", "error", "-y"});
  const platform::ProgramOutput result = platform::runProgram(args);
  ASSERT_EQ(result.exitCode, 0) << result.errors;
}

// A JSON number of the report.
double field(const std::string& json, const std::string& name) {
  std::smatch found;
  const std::regex pattern("\"" + name + "\": (\\{\"mean\": )?(-?[0-9.]+)");
  if (!std::regex_search(json, found, pattern)) {
    ADD_FAILURE() << name << " missing from " << json;
    return 1e9;
  }
  return std::atof(found[2].str().c_str());
}

TEST(MeasureGeometry, TellsTheOffsetAndTheParallaxOrWhyNot) {
  TempDir dir;
  const std::string left = dir.file("scene_L.mkv");
  const std::string right = dir.file("scene_R.mkv");
  const std::string both = dir.file("scene_SBS.mkv");
  const std::string dark = dir.file("dark.mkv");
  // 640x360: the right camera sees the scene 6 pixels lower and 10 further right (15.6 per
  // mille of the width behind the screen).
  ffmpeg({"-f", "lavfi", "-i",
          "cellauto=s=640x360:r=25:rule=110:seed=5,trim=duration=0.2,gblur=sigma=1.2", "-f",
          "lavfi", "-i", "mandelbrot=s=640x360:r=25,trim=duration=0.2", "-filter_complex",
          "[0:v][1:v]blend=all_mode=average,format=yuv420p", "-c:v", "ffv1", left});
  ffmpeg({"-i", left, "-vf", "crop=iw-10:ih-6:0:0,pad=iw+10:ih+6:10:6", "-c:v", "ffv1", right});
  ffmpeg({"-i", left, "-i", right, "-filter_complex", "[0:v][1:v]hstack", "-c:v", "ffv1", both});
  ffmpeg({"-f", "lavfi", "-i", "color=black:s=640x360:r=25:d=0.2", "-c:v", "ffv1", dark});

  for (const std::vector<std::string>& clips :
       {std::vector<std::string>{left, right},
        std::vector<std::string>{both, "--views", "side-by-side"}}) {
    std::vector<std::string> args{"measure-geometry", "--json", "--frames", "3"};
    args.insert(args.end(), clips.begin(), clips.end());
    const test::CliOutcome outcome = test::runCli(args);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NEAR(field(outcome.out, "vertical_offset_px"), 6, 0.15) << outcome.out;
    EXPECT_NEAR(field(outcome.out, "roll_deg"), 0, 0.02);
    EXPECT_NEAR(field(outcome.out, "zoom_percent"), 0, 0.05);
    EXPECT_NEAR(field(outcome.out, "toe_in_deg"), 0, 0.05);
    EXPECT_NEAR(field(outcome.out, "tilt_deg"), 0, 0.05);
    EXPECT_NEAR(field(outcome.out, "vertical_error_before_px"), 6, 0.15);
    EXPECT_LT(field(outcome.out, "vertical_error_after_px"), 0.15);
    EXPECT_NEAR(field(outcome.out, "parallax_near_permille"), 15.6, 0.5);
    EXPECT_NEAR(field(outcome.out, "parallax_far_permille"), 15.6, 0.5);
    EXPECT_NE(outcome.out.find("\"depth_verdict\": \"green\""), std::string::npos);
    EXPECT_NEAR(field(outcome.out, "automatic_convergence_permille"), 3 - 15.6, 0.5);
    EXPECT_GT(field(outcome.out, "confidence"), 0.5);
    EXPECT_EQ(field(outcome.out, "frames"), 3);
  }

  const test::CliOutcome black = test::runCli({"measure-geometry", dark, dark});
  EXPECT_EQ(black.status, 1);
  EXPECT_EQ(black.err, "Cannot measure the geometry of \"" + dark + "\" and \"" + dark +
                           "\": the pictures hold too little detail to match (a black or flat "
                           "view)\n");
  const test::CliOutcome alone = test::runCli({"measure-geometry", left});
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("a pair needs two clips"), std::string::npos) << alone.err;
}

}  // namespace
}  // namespace twinlens
