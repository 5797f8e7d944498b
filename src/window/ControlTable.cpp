#include "window/ControlTable.h"

#include <algorithm>
#include <array>

#include "engine/Choices.h"

namespace twinlens::window {

namespace {

using K = ControlKind;
constexpr HintPlace kStatusOnly = HintPlace::StatusBarOnly;

constexpr std::string_view kFinalSizeHint =
    "Final size per left or right picture. E.g. LR will have double horizontal size";

// Each entry spells out its fields in order: name, kind, parent, caption, options, columns,
// initial, hint, place, labelFor, width.
const std::array kControls = {
    // ---- Input settings ----
    Control{"TabSheet_Input", K::Tab, "", "Input settings"},
    Control{"RadioGroup_Input_Format", K::ChoiceGroup, "TabSheet_Input", "Input Format",
            choices::kInputFormat, 1, "0", "Choose input 3D format"},
    Control{"CheckBox_MVC_Ref", K::CheckBox, "TabSheet_Input", "Separate files MVC reference", {},
            1, {},
            "You can choose left and right input files by choosing original mp4 (mvc) files "
            "instead of separate left and right files to make faster selection. The programme will "
            "automatically search for _l, -l, _left, ... files if they exist. Note that separate "
            "files should EXIST before importing such files. Separated files should be in the same "
            "directory as original mvc files."},
    Control{"RadioGroup_Import_Options", K::ChoiceGroup, "TabSheet_Input", "Import options",
            choices::kImportOptions, 1, "0",
            "AviSynth option when importing original input files. For most AVI files, use "
            "AVISource. If it does not work, try DirectShowSource."},
    Control{"Label_picture_FR", K::Label, "TabSheet_Input", "Import Picture FR", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_import_picture_FR"},
    Control{"Edit_import_picture_FR", K::Edit, "TabSheet_Input", {}, {}, 1, "25",
            "Frame-rate of imported pictures", HintPlace::TooltipAndStatusBar, {}, 80},
    Control{"GroupBox_Aspect_ratio", K::Group, "TabSheet_Input", "Aspect ratio"},
    Control{"CheckBox_Input_HW", K::CheckBox, "GroupBox_Aspect_ratio", "Half width", {}, 1, {},
            "Denoting that input files are squeezed horizontally."},
    Control{"CheckBox_Input_HH", K::CheckBox, "GroupBox_Aspect_ratio", "Half height", {}, 1, {},
            "Denoting that input files are squeezed vertically."},
    Control{"CheckBox_Input_SF", K::CheckBox, "GroupBox_Aspect_ratio", "Separate fields", {}, 1,
            {},
            "Letting know that input video has separate fields (usually for interlaced video "
            "separated into fields). The video should be squeezed vertically.  "},
    Control{"GroupBox_Time_shift", K::Group, "TabSheet_Input", "Stereoscopic time-shift"},
    Control{"Label_Offset", K::Label, "GroupBox_Time_shift", "Offset frames", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_Offset"},
    Control{"Edit_Offset", K::Edit, "GroupBox_Time_shift", {}, {}, 1, "0",
            "Positive number means that right clip should be advanced by denoted number of frames",
            HintPlace::TooltipAndStatusBar, {}, 80},
    Control{"Label_Audio_Frames_Cut", K::Label, "TabSheet_Input", "Audio frames cut:", {}, 1, {},
            "Number of audio frames cut at the end of video. Useful when importing from DebugMode "
            "frame server.",
            HintPlace::TooltipAndStatusBar, "Edit_Audio_Frames_Cut"},
    Control{"Edit_Audio_Frames_Cut", K::Edit, "TabSheet_Input", {}, {}, 1, "0", {},
            HintPlace::TooltipAndStatusBar, {}, 80},

    // ---- Output settings ----
    Control{"TabSheet_Output", K::Tab, "", "Output settings"},
    Control{"RadioGroup_Output_Format", K::ChoiceGroup, "TabSheet_Output", "Output Format",
            choices::kOutputFormat, 1, "0", "Choose output format (separate files, L-R or O-U)."},
    Control{"GroupBox_Final_size", K::Group, "TabSheet_Output", "Final L, R size"},
    Control{"CheckBox_change_final_HV", K::CheckBox, "GroupBox_Final_size", "Change final size",
            {}, 1, {}, "To modify the final size of Avisynth clips"},
    Control{"Label_final_H", K::Label, "GroupBox_Final_size", "H", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_final_H"},
    Control{"Edit_final_H", K::Edit, "GroupBox_Final_size", {}, {}, 1, "1920", kFinalSizeHint,
            kStatusOnly, {}, 70},
    Control{"Label_final_V", K::Label, "GroupBox_Final_size", "V", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_final_V"},
    Control{"Edit_final_V", K::Edit, "GroupBox_Final_size", {}, {}, 1, "1080", kFinalSizeHint,
            kStatusOnly, {}, 70},
    Control{"Label_Blur", K::Label, "GroupBox_Final_size", "Blur ", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_Blur"},
    Control{"Edit_Blur", K::Edit, "GroupBox_Final_size", {}, {}, 1, "0",
            "Amount of blur, use it when downsizing the video. Try with value around 1.",
            kStatusOnly, {}, 70},
    Control{"Label_Prefix", K::Label, "TabSheet_Output", "File prefix:", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_Prefix"},
    Control{"Edit_Prefix", K::Edit, "TabSheet_Output", {}, {}, 1, {},
            "Prefix for output filename(s). Note that intermediate deinterlaced separate files "
            "will have fixed DI_ prefix and not File prefix.",
            HintPlace::TooltipAndStatusBar, {}, 160},
    Control{"GroupBox_Output_aspect_ratio", K::Group, "TabSheet_Output", "Output aspect ratio"},
    Control{"CheckBox_Output_HW", K::CheckBox, "GroupBox_Output_aspect_ratio", "Half width", {}, 1,
            {}, "Output format will have squeezed width by half"},
    Control{"CheckBox_Output_HH", K::CheckBox, "GroupBox_Output_aspect_ratio", "Half height", {},
            1, {}, "Output format will have squeezed height by half"},
    Control{"CheckBox_Output_SF", K::CheckBox, "GroupBox_Output_aspect_ratio", "Separate fields",
            {}, 1, {},
            "Separate video fields. E.g. from interlaced frames we get separate fields with "
            "squeezed height and with 2-times higher frame-rate."},
    Control{"GroupBox_Mirroring", K::Group, "TabSheet_Output", "Mirroring"},
    Control{"CheckBox_HML", K::CheckBox, "GroupBox_Mirroring", "H Mirror L", {}, 1, {},
            "Horizontal mirror or left picture"},
    Control{"CheckBox_VML", K::CheckBox, "GroupBox_Mirroring", "V Mirror L", {}, 1, {},
            "Vertical mirror of the left picture"},
    Control{"CheckBox_HMR", K::CheckBox, "GroupBox_Mirroring", "H Mirror R", {}, 1, {},
            "Horizontal mirror or right picture"},
    Control{"CheckBox_VMR", K::CheckBox, "GroupBox_Mirroring", "V Mirror R", {}, 1, {},
            "Vertical mirror of the right picture"},
    Control{"CheckBox_Reverse_LR", K::CheckBox, "TabSheet_Output", "Reverse L-R", {}, 1, {},
            "Reverse left and right view in the output files. If mono output is chosen, then "
            "right view will be exported."},
    Control{"Label_Colour", K::Label, "TabSheet_Output", "Colo(u)r space", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "ComboBox_Colour"},
    Control{"ComboBox_Colour", K::DropDown, "TabSheet_Output", {}, choices::kColour, 1, "0",
            "Force output colour space (YV12=4:2:0, YUY2=4:2:2, RGB=4:4:4)"},

    // ---- Frame rates ----
    Control{"TabSheet_Frame_rates", K::Tab, "", "Frame rates"},
    Control{"RadioGroup_Repeat", K::ChoiceGroup, "TabSheet_Frame_rates", "Repeat or skip frames",
            choices::kRepeat, 3, "0",
            "Use if you want to repeat frames or skip frames (i.e. for 60p to 24p conversion, use "
            "1/2.5 frames option)"},
    Control{"RadioGroup_FrameRates", K::ChoiceGroup, "TabSheet_Frame_rates", "Output frame rates",
            choices::kFrameRates, 2, "0",
            "Define output frame rate. It won't repeat or skip frames by default. Sound pitch "
            "might change."},
    Control{"Label_FR_Num", K::Label, "TabSheet_Frame_rates", "User frame rate Numer:", {}, 1, {},
            {}, HintPlace::TooltipAndStatusBar, "Edit_FR_Num"},
    Control{"Edit_FR_Num", K::Edit, "TabSheet_Frame_rates", {}, {}, 1, "30000",
            "Numerator of the user-defined frame-rate. Usually 1000-times higher than desired.",
            HintPlace::TooltipAndStatusBar, {}, 90},
    Control{"Label_FR_Den", K::Label, "TabSheet_Frame_rates", "Denom:", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_FR_Den"},
    Control{"Edit_FR_Den", K::Edit, "TabSheet_Frame_rates", {}, {}, 1, "1001",
            "Denominator of the user-defined output frame-rate. For NTSC frame-rates, choose "
            "1001, otherwise 1000.",
            HintPlace::TooltipAndStatusBar, {}, 90},
    Control{"RadioGroup_Pitch", K::ChoiceGroup, "TabSheet_Frame_rates", "Frame rate sound options",
            choices::kPitch, 2, "0",
            "What happes with sound when changing frame rates or repeat/skip frames. Default is "
            "\"change pitch\". If selecting \"do nothing\", sound and video might not be "
            "synchronised (of the same length)."},

    // ---- Advanced ----
    Control{"TabSheet_Advanced", K::Tab, "", "Advanced"},
    Control{"GroupBox_Blending", K::Group, "TabSheet_Advanced", "Blending frames"},
    Control{"RadioGroup_Blend_TL", K::ChoiceGroup, "GroupBox_Blending",
            "Blend frames or make time-lapse", choices::kBlendTimeLapse, 1, "0",
            "Blending several frames to get temporal blur or to increase video speed"},
    Control{"Label_Blend", K::Label, "GroupBox_Blending", "Blended frames:", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "ComboBox_Blend"},
    Control{"ComboBox_Blend", K::DropDown, "GroupBox_Blending", {}, choices::kBlend, 1, "0",
            "How many frames to blend or increase speed"},
    Control{"CheckBox_180", K::CheckBox, "GroupBox_Blending", "180o Shutter", {}, 1, {},
            "The resultant video will have 180 degrees shutter angle"},
    Control{"CheckBox_Blend_RightSound", K::CheckBox, "GroupBox_Blending", "Use R audio", {}, 1,
            {}, "Use right audio instead of left"},
    Control{"RadioGroup_Colour_Match", K::ChoiceGroup, "TabSheet_Advanced",
            "Colo(u)r match reference", choices::kColourMatch, 1, "0",
            "Match colours of left and right clip"},
    Control{"GroupBox_Deshaker", K::Group, "TabSheet_Advanced", "Deshaker"},
    Control{"CheckBox_Deshake", K::CheckBox, "GroupBox_Deshaker", "Deshaker", {}, 1, {},
            "The video will be deshaked by 2-stage procedure"},
    Control{"Button_VDub_Plugin", K::Button, "GroupBox_Deshaker", "Deshaker vdf plugin", {}, 1, {},
            "Select the Deshaker *.vdf file in VirtualDub Plugins directory"},
    Control{"Label_VDub_Plugin", K::Label, "GroupBox_Deshaker", {}},
    Control{"Button_Deshaker_Settings", K::Button, "GroupBox_Deshaker", "Deshaker vcf settings", {},
            1, {}, "Load VirtualDub vcf file containing deshaker settings"},

    // ---- FFmpeg ----
    Control{"TabSheet_FFmpeg", K::Tab, "", "FFmpeg"},
    Control{"GroupBox_FFMpeg_Encoding", K::Group, "TabSheet_FFmpeg", "FFMpeg Encoding"},
    Control{"Button5", K::Button, "GroupBox_FFMpeg_Encoding", "Select ffmpeg.exe", {}, 1, {},
            "Select the location of the ffmpeg.exe file"},
    Control{"Label_ffmpeg", K::Label, "GroupBox_FFMpeg_Encoding", {}},
    Control{"Label_Preset", K::Label, "GroupBox_FFMpeg_Encoding", "Preset", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "ComboBox_FF_codec"},
    Control{"ComboBox_FF_codec", K::EditableDropDown, "GroupBox_FFMpeg_Encoding", {}, {}, 1,
            "utvideo", "Select encoder preset", HintPlace::TooltipAndStatusBar, {}, 220},
    Control{"Button_Delete_Preset", K::Button, "GroupBox_FFMpeg_Encoding", "Delete preset", {}, 1,
            {}, "Delete the chosen preset above"},
    Control{"Label_Parameters", K::Label, "GroupBox_FFMpeg_Encoding", "Parameters", {}, 1, {}, {},
            HintPlace::TooltipAndStatusBar, "Edit_coding_presets"},
    Control{"Edit_coding_presets", K::Edit, "GroupBox_FFMpeg_Encoding", {}, {}, 1, {},
            "Parameters of the chosen preset"},
    Control{"Label_preset_name", K::Label, "GroupBox_FFMpeg_Encoding", "New preset name", {}, 1,
            {}, {}, HintPlace::TooltipAndStatusBar, "Edit_preset_name"},
    Control{"Edit_preset_name", K::Edit, "GroupBox_FFMpeg_Encoding", {}, {}, 1, {},
            "The new preset name. Don't forget to click button \"Save new preset\" for saving"},
    Control{"Label_Video_Extension", K::Label, "GroupBox_FFMpeg_Encoding", "Video extension", {},
            1, {}, {}, HintPlace::TooltipAndStatusBar, "Edit_Video_Extension"},
    Control{"Edit_Video_Extension", K::Edit, "GroupBox_FFMpeg_Encoding", {}, {}, 1, {},
            "The resultant video extension for the chosen preset"},
    Control{"Button_new_preset", K::Button, "GroupBox_FFMpeg_Encoding", "Save New Preset", {}, 1,
            {}, "Save the Preset with shown parameters, name and extension"},

    // ---- VirtualDub ----
    Control{"TabSheet_VirtualDub", K::Tab, "", "VirtualDub"},
    Control{"GroupBox_VirtualDub", K::Group, "TabSheet_VirtualDub",
            "VirtualDub files and settings"},
    Control{"Button1", K::Button, "GroupBox_VirtualDub", "VCF for deinterlacing", {}, 1, {},
            "Choose VCF VirtulaDub file used for deinterlacing video clips (including encoder "
            "selection)."},
    Control{"Edit_vcf_deint", K::Edit, "GroupBox_VirtualDub", {}, {}, 1, {},
            "Choose VCF VirtulaDub file used for deinterlacing video clips (including encoder "
            "selection)."},
    Control{"Button2", K::Button, "GroupBox_VirtualDub", "VCF for separate output", {}, 1, {},
            "Choose VirtualDub VCF file used when exporting separate files."},
    Control{"Edit_vcf_separate", K::Edit, "GroupBox_VirtualDub", {}, {}, 1, {},
            "Choose VirtualDub VCF file used when exporting separate files."},
    Control{"Button3", K::Button, "GroupBox_VirtualDub", "VCF for LR or OU output", {}, 1, {},
            "Choose VirtualDub VCF file used when exporting side-by-side and over-under files."},
    Control{"Edit_vcf_LR", K::Edit, "GroupBox_VirtualDub", {}, {}, 1, {},
            "Choose VirtualDub VCF file used when exporting side-by-side and over-under files."},
    Control{"Button4", K::Button, "GroupBox_VirtualDub", "VirtualDub #2", {}, 1, {},
            "Select VirtulaDub.exe file in another (not original) directory. Use it if wanting to "
            "increase encodeing process, especially during deinterlacing when using MSU "
            "deinterlacer. Don't forget to choose \"Use 2 VirtualDubs\" option below."},
    Control{"Edit_VD2", K::Edit, "GroupBox_VirtualDub", {}, {}, 1, {},
            "Select VirtulaDub.exe file in another (not original) directory. Use it if wanting to "
            "increase encodeing process, especially during deinterlacing when using MSU "
            "deinterlacer. Don't forget to choose \"Use 2 VirtualDubs\" option below."},
    Control{"CheckBox_Output_DI", K::CheckBox, "GroupBox_VirtualDub", "Deinterlace", {}, 1, {},
            "Deinterlace the footage. Don't forget to choose VirtulaDub VCF file for "
            "deinterlacing above. If output format = \"separate files\" and  there is no "
            "repeat/skipped frames or change of output frame-rates, only intermediate "
            "deinterlaced files will be created with avs files."},
    Control{"CheckBox_Output_DI_Phase", K::CheckBox, "GroupBox_VirtualDub",
            "Do only deinterlace phase", {}, 1, {},
            "If checked, deinterlace will be executed, but the final file will be only in "
            "Avisynth form (*.avs)",
            kStatusOnly},

    // ---- below the tabs ----
    Control{"Panel_HandOff", K::Panel, "", {}},
    Control{"CheckBox_ffmpeg_make", K::CheckBox, "Panel_HandOff", "Make ffmpeg *.bat file", {}, 1,
            {},
            "Make ffmpeg encoding file in the form of *.bat file with the same name as created "
            "Avisynth file"},
    Control{"CheckBox_Execute_ffmpeg", K::CheckBox, "Panel_HandOff", "Execute ffmpeg", {}, 1, {},
            "The ffmpeg bat file will be run after selection of input files", kStatusOnly},
    Control{"CheckBox_VD_MakeJobs", K::CheckBox, "Panel_HandOff", "Make VirtualDub Job file(s)",
            {}, 1, {}, "Make VirtualDub job file and run VirtualDub(s) if desired"},
    Control{"CheckBox_Execute_VD", K::CheckBox, "Panel_HandOff", "Execute VirtualDub", {}, 1, {},
            "After selection of files, VirtualDub will be started"},
    Control{"CheckBox_2VD", K::CheckBox, "Panel_HandOff", "Use 2 VirtualDubs (faster)", {}, 1, {},
            "Use two VirtualDubs working in parallel to increase deinterlacing/coding speed. Don't "
            "forget to select VirtualDub #2 exe file location above (you can copy entire original "
            "VirtualDub directory with sub-directories to some other location, first!)."},
};

}  // namespace

std::span<const Control> controls() {
  return kControls;
}

const Control* findControl(std::string_view name) {
  const auto it = std::find_if(kControls.begin(), kControls.end(),
                               [name](const Control& control) { return control.name == name; });
  return it == kControls.end() ? nullptr : &*it;
}

std::string_view tooltipOf(const Control& control) {
  if (control.place == HintPlace::StatusBarOnly) return {};
  return control.hint.substr(0, control.hint.find('|'));
}

std::string_view statusHintOf(const Control& control) {
  const std::size_t bar = control.hint.find('|');
  return bar == std::string_view::npos ? control.hint : control.hint.substr(bar + 1);
}

}  // namespace twinlens::window
