// twinlens-cli measure-geometry on clips made with ffmpeg: a textured scene, and the right camera
// seeing it lower and further to the right, as two files and as one side-by-side file; a black
// pair refused; a pair named without its second file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
  // A conversion that measures each clip converts the black pair as it is, and says why.
  const std::string darkRight = dir.file("dark_R.mkv");
  std::filesystem::copy_file(dark, darkRight);
  const test::CliOutcome unaligned =
      test::runCli({"--set", "RadioGroup_Engine=1", "--set", "RadioGroup_Output_Format=1", "--set",
                    "RadioGroup_Align=1", "--set", "RadioGroup_Convergence=1", "--set",
                    "CheckBox_ffmpeg_make=1", "--left", dark, "--right", darkRight});
  EXPECT_EQ(unaligned.status, 0) << unaligned.err;
  EXPECT_NE(
      unaligned.err.find("Cannot measure the geometry of \"" + dark + "\" and \"" + darkRight +
                         "\": the pictures hold too little detail to match (a black or flat "
                         "view); the clip is converted without the measurement"),
      std::string::npos)
      << unaligned.err;
  const std::string graph = test::readBytes(dir.file("dark_LR.ffgraph"));
  EXPECT_EQ(graph.find("perspective"), std::string::npos) << graph;

  const test::CliOutcome alone = test::runCli({"measure-geometry", left});
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("a pair needs two clips"), std::string::npos) << alone.err;
}

// A rig's pair: the right camera sees the scene about 11 px lower, turned 0.4 degrees and 1 %
// larger. Each way of aligning converts it side by side; the output's views are measured, or the
// script read.
TEST(AlignViews, ConversionsAlignThePairAndSetItsDepth) {
  TempDir dir;
  const std::string left = dir.file("rig_L.mkv");
  const std::string right = dir.file("rig_R.mkv");
  const std::string scene = "mandelbrot=s=800x450:r=25,trim=end_frame=8";
  ffmpeg({"-f", "lavfi", "-i", scene, "-vf", "crop=640:360:80:45", "-c:v", "ffv1", left});
  ffmpeg({"-f", "lavfi", "-i", scene, "-vf", "rotate=0.4*PI/180,scale=808:454,crop=640:360:84:37",
          "-c:v", "ffv1", right});
  const test::CliOutcome rig =
      test::runCli({"measure-geometry", "--json", "--frames", "4", left, right});
  ASSERT_EQ(rig.status, 0) << rig.err;
  ASSERT_GT(field(rig.out, "vertical_error_before_px"), 8);
  const double near = field(rig.out, "parallax_near_permille");
  auto typed = [&](const char* setting, const char* name) {
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", field(rig.out, name));
    return std::string(setting) + "=" + value;
  };

  struct Way {
    const char* name;
    std::vector<std::string> settings;
    double nearAfter;  // per mille
  };
  const Way ways[] = {
      {"measured, converged automatically", {"RadioGroup_Align=1", "RadioGroup_Convergence=1"}, 3},
      {"typed, shifted by -4 px",
       {"RadioGroup_Align=2", typed("Edit_Align_Vertical", "vertical_offset_px"),
        typed("Edit_Align_Roll", "roll_deg"), typed("Edit_Align_Zoom", "zoom_percent"),
        typed("Edit_Align_Toe_In", "toe_in_deg"), typed("Edit_Align_Tilt", "tilt_deg"),
        "RadioGroup_Convergence=2", "Edit_Convergence=-4"},
       near - 4 / 0.64},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    std::vector<std::string> args{"--set",   "RadioGroup_Engine=1",
                                  "--set",   "RadioGroup_Output_Format=1",
                                  "--set",   "CheckBox_ffmpeg_make=1",
                                  "--set",   "Edit_Video_Extension=.mkv",
                                  "--set",   "Edit_coding_presets=-c:v ffv1",
                                  "--left",  left,
                                  "--right", right};
    for (const std::string& setting : way.settings) args.insert(args.begin(), {"--set", setting});
    const test::CliOutcome converted = test::runCli(args);
    ASSERT_EQ(converted.status, 0) << converted.err;
    // Only a measured clip's depth is known.
    EXPECT_EQ(converted.err.find("Depth: near ") != std::string::npos,
              way.settings.front() == "RadioGroup_Align=1")
        << converted.err;
    std::filesystem::remove(dir.file("rig_LR.mkv"));
    ASSERT_EQ(platform::runProgram({dir.file("rig_LR.sh")}).exitCode, 0);
    const test::CliOutcome output =
        test::runCli({"measure-geometry", "--json", "--frames", "4", "--views", "side-by-side",
                      dir.file("rig_LR.mkv")});
    ASSERT_EQ(output.status, 0) << output.err;
    EXPECT_LT(field(output.out, "vertical_error_before_px"), 0.3) << output.out;
    // The output is the input enlarged and resampled: its near point, read from every pixel's
    // parallax, is found again within 2 per mille (1.3 px).
    EXPECT_NEAR(field(output.out, "parallax_near_permille"), way.nearAfter, 2) << output.out;
  }

  // AviSynth scripts take out the offset and zoom with a source window, and tell of the roll
  // they leave.
  const test::CliOutcome scripts =
      test::runCli({"--set", "RadioGroup_Engine=0", "--set", "RadioGroup_Output_Format=1", "--set",
                    "RadioGroup_Align=2", "--set", "Edit_Align_Vertical=11", "--set",
                    "Edit_Align_Zoom=1", "--set", "Edit_Align_Roll=0.4", "--set",
                    "RadioGroup_Import_Options=1", "--left", left, "--right", right});
  ASSERT_EQ(scripts.status, 0) << scripts.err;
  const std::string script = test::readBytes(dir.file("rig_LR.avs"));
  // Each view takes out half the offset and zoom; both are enlarged alike (by 640 / 614.4) so
  // that the right view's window, 1 % larger and 11 px lower, still fits.
  EXPECT_NE(script.find("DirectShowSource(\"rig_L.mkv\")\r\nLanczos4Resize(Width(), Height(), "
                        "12.8011, 1.7280, 614.3978, 345.5987)\r\na=last\r\n"
                        "DirectShowSource(\"rig_R.mkv\")\r\nLanczos4Resize(Width(), Height(), "
                        "9.7291, 10.9453, 620.5417, 349.0547)\r\nb=last"),
            std::string::npos)
      << script;
  EXPECT_NE(scripts.err.find("which leave up to 2.2 px of vertical error"), std::string::npos)
      << scripts.err;
}

}  // namespace
}  // namespace twinlens
