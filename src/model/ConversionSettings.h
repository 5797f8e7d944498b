#pragma once

#include <cstdint>
#include <string>

#include "model/Choices.h"
#include "model/SettingSources.h"

namespace twinlens {

// Every setting the conversion reads, one field per control of the main window, named after
// that control, plus the values held outside edit controls. Choices are enums whose values are
// the zero-based item indices (Unset, -1: nothing selected); numbers typed by the user stay text.
struct ConversionSettings {
  // The two remembered folders start on the program's own folder (without a trailing
  // separator).
  explicit ConversionSettings(const std::string& programFolder = {});

  // Tab "Input settings".
  choices::InputFormat RadioGroup_Input_Format = choices::InputFormat::Separate;
  choices::ImportOptions RadioGroup_Import_Options = choices::ImportOptions::AviSource;
  std::string Edit_import_picture_FR = "25";
  bool CheckBox_MVC_Ref = false;
  bool CheckBox_Input_HW = false;
  bool CheckBox_Input_HH = false;
  bool CheckBox_Input_SF = false;
  std::string Edit_Offset = "0";
  std::string Edit_Audio_Frames_Cut = "0";

  // Tab "Output settings".
  choices::OutputFormat RadioGroup_Output_Format = choices::OutputFormat::Separate;
  std::string Prefix;  // follows Edit_Prefix at every key release
  choices::Colour ComboBox_Colour = choices::Colour::Keep;
  bool CheckBox_change_final_HV = false;
  std::string Edit_final_H = "1920";
  std::string Edit_final_V = "1080";
  std::string Edit_Blur = "0";
  bool CheckBox_Output_SF = false;
  bool CheckBox_Output_HW = false;
  bool CheckBox_Output_HH = false;
  bool CheckBox_HML = false;
  bool CheckBox_VML = false;
  bool CheckBox_HMR = false;
  bool CheckBox_VMR = false;
  bool CheckBox_Reverse_LR = false;

  // Tab "Frame rates".
  choices::Repeat RadioGroup_Repeat = choices::Repeat::NoChange;
  choices::FrameRates RadioGroup_FrameRates = choices::FrameRates::NoChange;
  std::int32_t UserFrNum = 30000;
  std::int32_t UserFrDen = 1001;
  std::string Edit_FR_Num = "30000";  // the texts as typed; the integers keep the last valid value
  std::string Edit_FR_Den = "1001";
  choices::Pitch RadioGroup_Pitch = choices::Pitch::NoChange;

  // Tab "Advanced".
  choices::ColourMatch RadioGroup_Colour_Match = choices::ColourMatch::NoChange;
  choices::BlendTimeLapse RadioGroup_Blend_TL = choices::BlendTimeLapse::NoChange;
  choices::BlendFrames ComboBox_Blend = choices::BlendFrames::Frames2;
  bool CheckBox_180 = false;
  bool CheckBox_Blend_RightSound = false;
  bool CheckBox_Deshake = false;
  std::string DeshakerDir = " ";  // a single blank stands for no plug-in chosen
  std::string DeshakePart1a = kDefaultDeshakePart1a;
  std::string DeshakePart1b = kDefaultDeshakePart1b;
  std::string DeshakePart2 = kDefaultDeshakePart2;

  // Tab "Geometry": how the right view's misalignment against the left is corrected (the
  // values in pixels of the view as its file holds it, degrees and per cent), and the
  // convergence shift in pixels (positive moves the scene behind the screen).
  choices::Align RadioGroup_Align = choices::Align::NoChange;
  std::string Edit_Align_Vertical = "0";
  std::string Edit_Align_Roll = "0";
  std::string Edit_Align_Zoom = "0";
  std::string Edit_Align_Toe_In = "0";
  std::string Edit_Align_Tilt = "0";
  choices::Convergence RadioGroup_Convergence = choices::Convergence::NoChange;
  std::string Edit_Convergence = "0";

  // Tab "VR and headsets": the lens of a dual-fisheye input (its field of view typed for
  // "Other", in degrees), the output's projection, and the player's tags in the output's name.
  choices::Lens RadioGroup_Lens = choices::Lens::CanonRf5_2;
  std::string Edit_Lens_FOV = "190";
  choices::Projection RadioGroup_Projection = choices::Projection::Flat;
  // The field of view across a flat window into a dual-fisheye recording, in degrees.
  std::string Edit_Window_FOV = "90";
  bool CheckBox_Player_Tags = true;
  // The headset, player or screen the output is made for; "Custom" is the fields as they stand.
  choices::Target ComboBox_Target = choices::Target::Custom;

  // Tab "FFmpeg".
  choices::Engine RadioGroup_Engine = choices::Engine::AviSynth;
  std::string FfmpegLocation;
  std::string FfmpegDialogFolder;  // initial folder of the ffmpeg selection dialog
  int ComboBox_FF_codec = 0;       // position in the preset list
  std::string Edit_coding_presets;
  std::string Edit_Video_Extension;
  std::string Edit_preset_name;
  // Where the encodes run, and how the job engine is asked: the Slurm partition (empty: the
  // cluster's default), the most clips at once, each job's CPUs and memory (as sbatch --mem takes
  // it; empty: the cluster's defaults); GNU parallel's computers ("2/studio1,studio2").
  choices::EncodeOn RadioGroup_Encode_On = choices::EncodeOn::ThisComputer;
  std::string Edit_Slurm_Partition;
  std::string Edit_Slurm_Clips_At_Once = "4";
  std::string Edit_Slurm_CPUs = "2";
  std::string Edit_Slurm_Memory = "4G";
  std::string Edit_Parallel_Computers;

  // Tab "VirtualDub".
  std::string VcfDeint;
  std::string Edit_vcf_deint;
  std::string VcfSeparate;
  std::string Edit_vcf_separate;
  std::string VcfLR;
  std::string Edit_vcf_LR;
  std::string Edit_VD2;
  bool CheckBox_Output_DI = false;
  bool CheckBox_Output_DI_Phase = false;

  // Below the tabs.
  bool CheckBox_ffmpeg_make = false;
  bool CheckBox_Execute_ffmpeg = false;
  bool CheckBox_VD_MakeJobs = false;
  bool CheckBox_Execute_VD = false;
  bool CheckBox_2VD = false;

  // Remembered folders of the last left and right selection.
  std::string PathLeft;
  std::string PathRight;

  // Where the texts came from (a settings or layout file, a preset, a VirtualDub configuration).
  SettingSources sources;

  // Setters that mirror the window's controls.
  void setPrefix(std::string text) { Prefix = std::move(text); }
  // Keep the typed text; convert it to the integer, which keeps its old value (and the error
  // "'<text>' is not a valid integer value" is raised) when the text is not an integer.
  void setUserFrNumText(std::string text);
  void setUserFrDenText(std::string text);
  // Set the integer and show it as plain decimal text, as loading does.
  void setUserFrNum(std::int32_t value);
  void setUserFrDen(std::int32_t value);
  // Set the VirtualDub configuration paths together with the edits that show them, as the
  // selection buttons and loading do.
  void setVcfDeint(std::string path);
  void setVcfSeparate(std::string path);
  void setVcfLR(std::string path);

  // A radio group accepts -1 (nothing) to count-1 and clamps anything outside into that range.
  static int clampRadioIndex(int index, int count);
  // A drop-down selects nothing (-1) for an index outside its list.
  static int dropDownIndex(int index, int count);

  static constexpr const char* kDefaultDeshakePart1a =
      "\"18|1|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|4|";
  static constexpr const char* kDefaultDeshakePart1b =
      "\"18|2|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|4|";
  static constexpr const char* kDefaultDeshakePart2 =
      "|0|0|0|0|0|0|0|0|0|0|0|0|0|1|15|15|5|15|1|1|30|30|0|0|1|0|1|0|1|10|1000|1|64|0|0|20|5000|"
      "100|20|1\"";

  friend bool operator==(const ConversionSettings&, const ConversionSettings&) = default;
};

}  // namespace twinlens
