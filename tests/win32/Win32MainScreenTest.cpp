// The Win32 window in the test process under Wine: controls found by name, driven with the
// messages a user's actions send, and read back.
#include "win32/Win32MainScreen.h"
#include "win32/Win32RunReport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <filesystem>

#include "model/ConversionSettings.h"
#include "run/RunReport.h"
#include "support/DrawnPairs.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "window/ControlTable.h"

namespace twinlens::win32 {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::ScriptedPrompter;
using test::TempDir;
using test::writeBytes;

class Win32MainScreenTest : public ::testing::Test {
 protected:
  std::string at(const std::string& relative) const {
    return (dir_.path() / fs::path(relative).make_preferred()).string();
  }

  HWND control(const char* name) const {
    HWND handle = screen_.control(name);
    EXPECT_NE(handle, nullptr) << name;
    return handle;
  }

  std::string text(HWND handle) const {
    char buffer[2048] = {};
    GetWindowTextA(handle, buffer, sizeof buffer);
    return buffer;
  }

  // A click as the button reports it to its window; a check box or an option changes first.
  void click(HWND button) {
    const auto style = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
    if (style == BS_AUTOCHECKBOX) {
      const bool checked = SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
      SendMessageA(button, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    } else if (style == BS_AUTORADIOBUTTON) {
      for (HWND sibling = GetWindow(button, GW_HWNDFIRST); sibling != nullptr;
           sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        // The options of one group share the control's id range; unchecking the others is the
        // button's own work under a real click.
        if ((GetWindowLongPtrA(sibling, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
            GetDlgCtrlID(sibling) / 32 == GetDlgCtrlID(button) / 32) {
          SendMessageA(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
        }
      }
      SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
    }
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }

  // Text typed into a field, its last key pressed and released in it.
  void type(const char* field, const std::string& value) {
    HWND edit = control(field);
    SetWindowTextA(edit, value.c_str());
    SendMessageA(edit, WM_KEYDOWN, 'A', 0);
    SendMessageA(edit, WM_KEYUP, 'A', 0);
  }

  void menu(int command) { SendMessageA(screen_.handle(), WM_COMMAND, command, 0); }

  bool enabled(const char* name) const { return IsWindowEnabled(screen_.control(name)) != 0; }
  bool shown(const char* name) const {
    return (GetWindowLongPtrA(screen_.control(name), GWL_STYLE) & WS_VISIBLE) != 0;
  }

  TempDir dir_;
  ScriptedPrompter prompter_;
  Win32MainScreen screen_{GetModuleHandleA(nullptr), prompter_,
                          at("twinlens.ini"),        at("twinlens.prs"),
                          dir_.path().string(),      {}};
};

TEST_F(Win32MainScreenTest, ShowsEveryControlOfTheModelWithItsCaptionAndItems) {
  ASSERT_NE(screen_.handle(), nullptr);
  for (const window::Control& spec : window::controls()) {
    SCOPED_TRACE(std::string(spec.name));
    HWND handle = screen_.control(spec.name);
    ASSERT_NE(handle, nullptr);
    const bool captioned =
        spec.kind != window::ControlKind::Tab && spec.kind != window::ControlKind::Panel &&
        spec.kind != window::ControlKind::Edit && spec.kind != window::ControlKind::DropDown &&
        spec.kind != window::ControlKind::EditableDropDown;
    if (captioned && !spec.caption.empty()) {
      EXPECT_EQ(text(handle), spec.caption);
    }
    for (std::size_t i = 0; i < spec.options.size(); ++i) {
      if (spec.kind == window::ControlKind::ChoiceGroup) {
        EXPECT_EQ(text(screen_.option(spec.name, static_cast<int>(i))), spec.options[i]);
      }
    }
    if (spec.kind == window::ControlKind::Edit ||
        spec.kind == window::ControlKind::EditableDropDown) {
      EXPECT_EQ(text(handle), spec.initial);
    }
  }
  EXPECT_EQ(text(screen_.handle()), "Twinlens V1.00");
}

TEST_F(Win32MainScreenTest, RulesFollowTheUserAndLoading) {
  screen_.model().FormActivate();
  EXPECT_FALSE(enabled("Edit_final_H"));
  click(control("CheckBox_change_final_HV"));
  EXPECT_TRUE(screen_.model().settings().CheckBox_change_final_HV);
  EXPECT_TRUE(enabled("Edit_final_H") && enabled("Edit_Blur"));

  EXPECT_FALSE(shown("Edit_import_picture_FR"));
  click(screen_.option("RadioGroup_Import_Options", 2));
  EXPECT_EQ(screen_.model().settings().RadioGroup_Import_Options, choices::ImportOptions::Pictures);
  EXPECT_TRUE(shown("Edit_import_picture_FR") && shown("Label_picture_FR"));

  click(control("CheckBox_ffmpeg_make"));
  EXPECT_TRUE(enabled("CheckBox_Execute_ffmpeg"));
  click(control("CheckBox_VD_MakeJobs"));
  EXPECT_TRUE(enabled("CheckBox_Execute_VD") && enabled("CheckBox_2VD"));
  click(control("CheckBox_VD_MakeJobs"));
  EXPECT_FALSE(enabled("CheckBox_Execute_VD") || enabled("CheckBox_2VD"));

  writeBytes(at("rate.lay"), "[Frames]\r\nProgressive Frame Rates=9\r\n");
  prompter_.openAnswers = {std::vector<std::string>{at("rate.lay")}};
  EXPECT_FALSE(enabled("Edit_FR_Num"));
  menu(Win32MainScreen::kLoadLayout);
  EXPECT_TRUE(enabled("Edit_FR_Num") && enabled("Edit_FR_Den"));
  EXPECT_EQ(SendMessageA(screen_.option("RadioGroup_FrameRates", 9), BM_GETCHECK, 0, 0),
            BST_CHECKED);
  EXPECT_TRUE(prompter_.errors.empty());
}

TEST_F(Win32MainScreenTest, KeyReleasesTakeTheFieldsAndReportAnIntegerError) {
  screen_.model().FormActivate();
  type("Edit_Prefix", "3d_");
  EXPECT_EQ(screen_.model().settings().Prefix, "3d_");
  type("Edit_FR_Num", "fast");
  EXPECT_EQ(prompter_.errors, std::vector<std::string>{"'fast' is not a valid integer value."});
  EXPECT_EQ(screen_.model().settings().UserFrNum, 30000);
  // The Return that closed the message box is released in the field again: no second error.
  SendMessageA(control("Edit_FR_Num"), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(prompter_.errors.size(), 1u);
}

TEST_F(Win32MainScreenTest, HintsGoToTheStatusBarAndTooltips) {
  const window::Control& size = *window::findControl("Edit_final_H");
  screen_.hover(control("Edit_final_H"));
  EXPECT_EQ(screen_.statusText(), window::statusHintOf(size));
  screen_.hover(screen_.option("RadioGroup_Input_Format", 1));
  EXPECT_EQ(screen_.statusText(), "Choose input 3D format");
  SendMessageA(screen_.handle(), WM_MENUSELECT, MAKEWPARAM(Win32MainScreen::kExit, MF_STRING), 0);
  EXPECT_EQ(screen_.statusText(), "Exit application");

  // Tooltips show the hint, but not where it belongs in the status bar only.
  EXPECT_EQ(screen_.tooltipText(control("CheckBox_HML")), "Horizontal mirror or left picture");
  EXPECT_EQ(screen_.tooltipText(control("Edit_final_H")), "");
  EXPECT_EQ(screen_.tooltipText(control("Button_VDub_Plugin")),
            "Select the Deshaker *.vdf file in VirtualDub Plugins directory");
}

TEST_F(Win32MainScreenTest, FirstStartWritesTheSettingsOnCloseAndAFailedSaveKeepsItOpen) {
  screen_.model().FormActivate();
  fs::create_directories(at("twinlens.ini"));  // a folder where the file goes refuses the save
  SendMessageA(screen_.handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(screen_.handle()));
  ASSERT_EQ(prompter_.errors.size(), 1u);
  EXPECT_EQ(prompter_.errors[0], "Unable to write to " + at("twinlens.ini") + ".");

  fs::remove(at("twinlens.ini"));
  SendMessageA(screen_.handle(), WM_CLOSE, 0, 0);
  EXPECT_NE(readBytes(at("twinlens.ini")).find("[Output]"), std::string::npos);
}

TEST_F(Win32MainScreenTest, PresetsAreSavedListedAndDeleted) {
  screen_.model().FormActivate();
  SetWindowTextA(control("Edit_preset_name"), "x265 MKV");
  SetWindowTextA(control("Edit_coding_presets"), "-c:v libx265");
  SetWindowTextA(control("Edit_Video_Extension"), ".mkv");
  click(control("Button_new_preset"));
  HWND box = control("ComboBox_FF_codec");
  ASSERT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 1);
  char name[64] = {};
  SendMessageA(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
  EXPECT_STREQ(name, "x265 MKV");

  SendMessageA(box, CB_SETCURSEL, 0, 0);
  prompter_.okAnswers = {true};
  click(control("Button_Delete_Preset"));
  EXPECT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(prompter_.titles, std::vector<std::string>{"Error"});
}

TEST_F(Win32MainScreenTest, TheEngineChoiceAndDetectFromSoundReachTheModel) {
  screen_.model().FormActivate();
  click(screen_.option("RadioGroup_Engine", 1));
  EXPECT_EQ(screen_.model().settings().RadioGroup_Engine, choices::Engine::Ffmpeg);
  // One file holds both views: the button opens no dialog and says why.
  click(screen_.option("RadioGroup_Input_Format", 2));
  click(control("Button_Detect_Offset"));
  ASSERT_EQ(prompter_.errors.size(), 1u);
  EXPECT_TRUE(prompter_.errors[0].starts_with(
      "A side-by-side, over-under or 2D file holds one sound track for both views"));
  EXPECT_TRUE(prompter_.dialogs.empty());
  EXPECT_EQ(text(control("Edit_Offset")), "0");
}

TEST_F(Win32MainScreenTest, MeasureAlignmentFillsTheGeometryTab) {
  screen_.model().FormActivate();
  test::DrawnPairs pairs;
  screen_.model().setPairMeasurer(&pairs);
  prompter_.openAnswers = {std::vector<std::string>{at("left.mkv")},
                           std::vector<std::string>{at("right.mkv")}};
  click(control("Button_Measure_Alignment"));
  ASSERT_TRUE(prompter_.errors.empty()) << prompter_.errors[0];
  EXPECT_NEAR(std::stod(text(control("Edit_Align_Vertical"))), 8, 0.1);
  EXPECT_NEAR(std::stod(text(control("Edit_Align_Roll"))), 0.5, 0.01);
  EXPECT_EQ(SendMessageA(screen_.option("RadioGroup_Align", 2), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(prompter_.informations.size(), 1u);
}

TEST_F(Win32MainScreenTest, ConvertFilesWritesTheScriptsAndSaysSo) {
  screen_.model().FormActivate();
  click(screen_.option("RadioGroup_Input_Format", 1));
  click(screen_.option("RadioGroup_Output_Format", 1));
  writeBytes(at("clips/trip.avi"), "");
  prompter_.openAnswers = {std::vector<std::string>{at("clips/trip.avi")}};
  menu(Win32MainScreen::kConvert);
  EXPECT_TRUE(prompter_.errors.empty());
  EXPECT_TRUE(fs::exists(at("clips/trip_LR.avs")));
  EXPECT_EQ(screen_.statusText(), "Wrote 1 file");

  // The File menu's report lists the file and opens its folder.
  std::vector<std::string> opened;
  screen_.setFolderOpener([&](const std::string& folder) { opened.push_back(folder); });
  EXPECT_EQ(GetMenuState(GetMenu(screen_.handle()), Win32MainScreen::kRunReport, MF_BYCOMMAND) &
                MF_GRAYED,
            0u);
  menu(Win32MainScreen::kRunReport);
  HWND report = FindWindowA("TwinlensRunReport", "Last run report");
  ASSERT_NE(report, nullptr);
  HWND list = GetDlgItem(report, 10);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  char line[512] = {};
  SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::string(line), "Wrote " + at("clips/trip_LR.avs"));
  SendMessageA(report, WM_COMMAND, 11, 0);
  EXPECT_EQ(opened, std::vector<std::string>{at("clips/")});
  SendMessageA(report, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(report));
}

// What the run tells of a clip (a view conformed, sound lent) stands in the report below the
// files, and opens the clip's folder.
TEST_F(Win32MainScreenTest, TheRunReportShowsTheClipsNotes) {
  RunReport report;
  report.begin();
  report.wroteScript();
  report.noted(
      {at("v/a_L.mp4"), "The right view is scaled from 32x24 to 64x48, the left view's size"});
  std::vector<std::string> opened;
  HWND window = Win32RunReport::show(GetModuleHandleA(nullptr), screen_.handle(), nullptr, 96,
                                     {at("w/a_LR.ffgraph")}, report,
                                     [&](const std::string& folder) { opened.push_back(folder); });
  HWND list = GetDlgItem(window, 10);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  char line[512] = {};
  SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::string(line), "Note on " + at("v/a_L.mp4") +
                                   ": The right view is scaled from 32x24 to 64x48, the left "
                                   "view's size");
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  SendMessageA(window, WM_COMMAND, 11, 0);
  EXPECT_EQ(opened, std::vector<std::string>{at("v/")});
  SendMessageA(window, WM_CLOSE, 0, 0);
}

TEST_F(Win32MainScreenTest, ScrollsWhenMadeSmallerThanItsContent) {
  ShowWindow(screen_.handle(), SW_SHOWNORMAL);
  SendMessageA(screen_.handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(screen_.scrollPosition().y, 0);  // all of it shows: nothing to scroll

  SetWindowPos(screen_.handle(), nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageA(screen_.handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  SendMessageA(screen_.handle(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_GT(screen_.scrollPosition().y, 0);
  EXPECT_GT(screen_.scrollPosition().x, 0);
  RECT tabs{};
  GetWindowRect(control("RadioGroup_Input_Format"), &tabs);
  POINT corner{tabs.left, tabs.top};
  ScreenToClient(screen_.handle(), &corner);
  EXPECT_LT(corner.y, 0);  // scrolled up out of sight

  SendMessageA(screen_.handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(screen_.scrollPosition().y, 0);
}

TEST_F(Win32MainScreenTest, EditCommandsNeedSelectedTextInTheFocusedField) {
  ShowWindow(screen_.handle(), SW_SHOWNORMAL);
  SetForegroundWindow(screen_.handle());
  HWND prefix = control("Edit_Prefix");
  SetWindowTextA(prefix, "3d_");
  SetFocus(prefix);
  HMENU edit = GetSubMenu(GetMenu(screen_.handle()), 1);
  auto available = [&](int command) {
    SendMessageA(screen_.handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    return (GetMenuState(edit, static_cast<UINT>(command), MF_BYCOMMAND) & MF_GRAYED) == 0;
  };
  SendMessageA(prefix, EM_SETSEL, 0, 0);
  EXPECT_FALSE(available(Win32MainScreen::kCopy));
  SendMessageA(prefix, EM_SETSEL, 0, -1);
  EXPECT_TRUE(available(Win32MainScreen::kCut));
  EXPECT_TRUE(available(Win32MainScreen::kCopy));
  SendMessageA(screen_.handle(), WM_COMMAND, Win32MainScreen::kCut, 0);
  EXPECT_EQ(text(prefix), "");
  EXPECT_TRUE(available(Win32MainScreen::kPaste));
  SendMessageA(screen_.handle(), WM_COMMAND, Win32MainScreen::kPaste, 0);
  EXPECT_EQ(text(prefix), "3d_");
}

// A BMP file of one colour, as the preview renders pictures: rows of blue, green and red.
std::string plainBitmap(int width, int height, COLORREF colour) {
  const int row = (width * 3 + 3) / 4 * 4;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4d42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(row * height);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string bmp(reinterpret_cast<const char*>(&file), sizeof file);
  bmp.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string pixels(static_cast<std::size_t>(row * height), '\0');
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * row + x * 3);
      pixels[at] = static_cast<char>(GetBValue(colour));
      pixels[at + 1] = static_cast<char>(GetGValue(colour));
      pixels[at + 2] = static_cast<char>(GetRValue(colour));
    }
  }
  return bmp + pixels;
}

// The preview window opens from the View menu, asks for a clip where none was chosen, shows what
// the preview's behaviour tells it and hands its slider back to it. (Rendering needs the ffmpeg
// program, which the tests under Wine lack; the model's own tests render real frames.)
TEST_F(Win32MainScreenTest, ThePreviewWindowShowsThePictureAndHandsItsSliderToTheModel) {
  screen_.model().FormActivate();
  menu(Win32MainScreen::kPreview);
  Win32PreviewWindow* preview = screen_.previewWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(IsWindowVisible(preview->handle()));
  EXPECT_EQ(prompter_.titles, std::vector<std::string>{"Select the left camera's clip"});
  EXPECT_EQ(text(preview->control("Label_Preview_Message")), "Choose a clip to preview");

  window::PreviewState state;
  state.clip = "trip_L.mp4: frame 12 of 250";
  state.figures = "Right view 1.00 px lower";
  state.frame = 12;
  state.frames = 250;
  state.mode = 2;
  preview->showState(state);
  preview->showPicture(plainBitmap(64, 36, RGB(200, 30, 40)));
  EXPECT_EQ(text(preview->control("Label_Preview_Clip")), state.clip);
  EXPECT_EQ(text(preview->control("Label_Preview_Figures")), state.figures);
  HWND slider = preview->control("TrackBar_Frame");
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 249);
  EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 12);
  EXPECT_EQ(SendMessageA(preview->control("ComboBox_Preview_Mode"), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(preview->pictureSize().cx, 64);
  EXPECT_EQ(preview->pictureSize().cy, 36);
  // The picture fills the middle of its place, scaled.
  HWND canvas = preview->control("Image_Preview");
  UpdateWindow(canvas);
  RECT area{};
  GetClientRect(canvas, &area);
  HDC dc = GetDC(canvas);
  const COLORREF middle = GetPixel(dc, area.right / 2, area.bottom / 2);
  ReleaseDC(canvas, dc);
  EXPECT_EQ(GetRValue(middle), 200);
  EXPECT_EQ(GetGValue(middle), 30);

  SendMessageA(slider, TBM_SETPOS, TRUE, 40);
  SendMessageA(preview->handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 40),
               reinterpret_cast<LPARAM>(slider));
  EXPECT_EQ(screen_.model().preview().state().frame, 40);

  // Play and the steps: the button says what a click does; the arrow keys step wherever the focus
  // is, but in the mode choice, and the back button steps back.
  HWND play = preview->control("Button_Preview_Play");
  EXPECT_EQ(text(play), "Play");
  state.playing = true;
  preview->showState(state);
  EXPECT_EQ(text(play), "Pause");
  state.playing = false;
  const auto key = [&](HWND focus, WPARAM code) {
    MSG message{focus, WM_KEYDOWN, code, 0, 0, {}};
    return preview->takeKey(message);
  };
  EXPECT_TRUE(key(slider, VK_RIGHT));
  EXPECT_EQ(screen_.model().preview().state().frame, 41);
  EXPECT_FALSE(key(preview->control("ComboBox_Preview_Mode"), VK_LEFT));
  EXPECT_FALSE(key(screen_.handle(), VK_LEFT));
  SendMessageA(preview->handle(), WM_COMMAND, MAKEWPARAM(15, BN_CLICKED),
               reinterpret_cast<LPARAM>(preview->control("Button_Preview_Back")));
  EXPECT_EQ(screen_.model().preview().state().frame, 40);

  // The headset view's sliders are there in that mode alone, and hand the look to the model.
  HWND yaw = preview->control("TrackBar_Yaw");
  EXPECT_FALSE(IsWindowVisible(yaw));
  state.mode = 4;
  state.looks = true;
  state.yawDeg = -30;
  preview->showState(state);
  EXPECT_TRUE(IsWindowVisible(yaw));
  EXPECT_EQ(SendMessageA(yaw, TBM_GETPOS, 0, 0), -30);
  EXPECT_EQ(SendMessageA(yaw, TBM_GETRANGEMIN, 0, 0), -180);
  SendMessageA(preview->control("ComboBox_Preview_Mode"), CB_SETCURSEL, 4, 0);
  SendMessageA(preview->handle(), WM_COMMAND, MAKEWPARAM(11, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(preview->control("ComboBox_Preview_Mode")));
  SendMessageA(yaw, TBM_SETPOS, TRUE, 75);
  SendMessageA(preview->handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 75),
               reinterpret_cast<LPARAM>(yaw));
  EXPECT_EQ(screen_.model().preview().state().yawDeg, 75);
  EXPECT_TRUE(screen_.model().preview().state().looks);
  SendMessageA(preview->handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(preview->handle()));
  EXPECT_FALSE(screen_.model().preview().open());
}

// The encoding window follows a runner under cmd.exe (here one that says what the ffmpeg engine's
// runner says, without ffmpeg, which the tests under Wine lack) and lists each output's result.
TEST_F(Win32MainScreenTest, TheEncodingWindowFollowsTheRunnerAndListsEachOutputsResult) {
  writeBytes(at("b_LR.bat"),
             "@echo off\r\n"
             "echo Encoding 2 clips, 100 frames\r\n"
             "echo Encoding clip 1 of 2 ^(50 frames^): a_LR.mkv\r\n"
             "echo a_R.mkv: No such file or directory 1>&2\r\n"
             "echo Clip 1 of 2 failed\r\n"
             "echo Encoding clip 2 of 2 ^(50 frames^): b_LR.mkv\r\n"
             ">\"%TWINLENS_PROGRESS%\" echo frame=25\r\n"
             ">>\"%TWINLENS_PROGRESS%\" echo fps=50.0\r\n"
             ">>\"%TWINLENS_PROGRESS%\" echo progress=continue\r\n"
             "ping -n 3 127.0.0.1 >NUL\r\n"
             "echo 1 of 2 clips failed\r\n"
             "exit /b 1\r\n");
  window::EncodeModel& encodes = screen_.model().encodes();
  ASSERT_EQ(encodes.start(
                {at("b_LR.bat"), "", dir_.path().string(), {{at("a_LR.mkv")}, {at("b_LR.mkv")}}}),
            "");
  Win32EncodeWindow* window = screen_.encodeWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window->handle()));
  // Halfway through the second clip, as ffmpeg reports it.
  std::string halfway;
  for (int turns = 0; encodes.running() && turns < 1000; ++turns) {
    Sleep(10);
    SendMessageA(screen_.handle(), WM_TIMER, 1, 0);  // the window's turn
    if (encodes.state().clipPercent == 50) {
      halfway = text(window->control("Label_Time_Left"));
      EXPECT_EQ(SendMessageA(window->control("ProgressBar_All"), PBM_GETPOS, 0, 0), 75);
    }
  }
  EXPECT_EQ(halfway, "0:01 left");
  EXPECT_FALSE(encodes.running());
  EXPECT_EQ(text(window->control("Label_Encode_Clip")), "1 of 2 clips failed");
  HWND list = window->control("ListBox_Results");
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  char line[512] = {};
  SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::string(line), "Failed a_LR.mkv: a_R.mkv: No such file or directory ");
  SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::string(line), "Encoded b_LR.mkv");
  EXPECT_FALSE(IsWindowEnabled(window->control("Button_Cancel")));
  std::vector<std::string> opened;
  screen_.setFolderOpener([&](const std::string& folder) { opened.push_back(folder); });
  SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(21, BN_CLICKED), 0);
  EXPECT_EQ(opened, std::vector<std::string>{dir_.path().string()});
}

}  // namespace
}  // namespace twinlens::win32
