#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "model/ConversionSettings.h"

namespace twinlens::bench {

// The settings of a run with every option on: deinterlacing, Deshaker, colour matching, blending
// over 128 frames with the right sound, time shift, audio cut, final size, repeat, frame rate and
// pitch, colour space, the batch file and two job lists. The VirtualDub configuration files are
// written into `tree`/vd, the second VirtualDub is `tree`/vd2.
inline ConversionSettings everyOption(const std::filesystem::path& tree) {
  namespace fs = std::filesystem;
  fs::create_directories(tree / "vd");
  fs::create_directories(tree / "vd2");
  std::ofstream(tree / "vd/deint.vcf", std::ios::binary) << "VirtualDub.video.filters.Clear();\r\n";
  std::ofstream(tree / "vd/separate.vcf", std::ios::binary)
      << "VirtualDub.video.SetCompression(0x7367616d,0,10000,0);\r\n";
  std::ofstream(tree / "vd/lr.vcf", std::ios::binary) << "VirtualDub.video.SetDepth(24,24);\r\n";
  const std::string vd = (tree / "vd").string() + "/";

  ConversionSettings settings((tree / "program").string());
  settings.RadioGroup_Output_Format = choices::OutputFormat::Separate;
  settings.CheckBox_Output_DI = true;
  settings.CheckBox_Deshake = true;
  settings.DeshakerDir = vd + "Deshaker.vdf";
  settings.RadioGroup_Colour_Match = choices::ColourMatch::Left;
  settings.RadioGroup_Blend_TL = choices::BlendTimeLapse::Blend;
  settings.ComboBox_Blend = choices::BlendFrames::Frames128;
  settings.CheckBox_Blend_RightSound = true;
  settings.Edit_Offset = "3";
  settings.Edit_Audio_Frames_Cut = "2";
  settings.CheckBox_change_final_HV = true;
  settings.RadioGroup_Repeat = choices::Repeat::Repeat2_5;
  settings.RadioGroup_FrameRates = choices::FrameRates::Pal;
  settings.RadioGroup_Pitch = choices::Pitch::Change;
  settings.ComboBox_Colour = choices::Colour::YV12;
  settings.CheckBox_ffmpeg_make = true;
  settings.Edit_coding_presets = "-c:v libx264 -crf 18";
  // Not ".avi": VirtualDub's final-output jobs save those beside the scripts.
  settings.Edit_Video_Extension = ".mkv";
  settings.CheckBox_VD_MakeJobs = true;
  settings.CheckBox_2VD = true;
  settings.setVcfDeint(vd + "deint.vcf");
  settings.setVcfSeparate(vd + "separate.vcf");
  settings.setVcfLR(vd + "lr.vcf");
  settings.Edit_VD2 = (tree / "vd2" / "VirtualDub.exe").string();
  return settings;
}

}  // namespace twinlens::bench
