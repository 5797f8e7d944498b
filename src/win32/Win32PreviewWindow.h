#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win32/Win32SoundOutput.h"
#include "window/PreviewModel.h"
#include "window/PreviewView.h"

namespace twinlens::win32 {

// The preview window with the platform's own controls: the picture scaled to fit, the slider over
// the clip's frames, the mode choice, "Choose clip...", the clip's name and frame, the measured
// geometry and the notes. It shows what the preview's behaviour tells it and hands its controls'
// changes to that behaviour. Closing it hides it; it goes with its owner.
class Win32PreviewWindow {
 public:
  Win32PreviewWindow(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                     window::PreviewModel& model);
  ~Win32PreviewWindow();
  Win32PreviewWindow(const Win32PreviewWindow&) = delete;
  Win32PreviewWindow& operator=(const Win32PreviewWindow&) = delete;

  void show();
  void showState(const window::PreviewState& state);
  // A BMP file's bytes; empty for none.
  void showPicture(const std::string& bmp);
  // The space bar plays and pauses, the arrow keys step, wherever the focus is in the window (but
  // in the mode choice, whose entries they go through). Returns whether `message` was taken.
  bool takeKey(const MSG& message);
  window::SoundOutput* sound() { return &sound_; }

  HWND handle() const { return window_; }
  // Its controls by name: "Image_Preview", "TrackBar_Frame", "Button_Preview_Back",
  // "Button_Preview_Play", "Button_Preview_Forward", "ComboBox_Preview_Mode",
  // "TrackBar_Yaw", "TrackBar_Pitch", "Button_Preview_Clip", "Label_Preview_Clip",
  // "Label_Preview_Figures", "Label_Preview_Message".
  HWND control(std::string_view name) const;
  // The size of the picture it shows; (0, 0) for none.
  SIZE pictureSize() const;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK canvasProc(HWND canvas, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void paintCanvas(HDC dc, const RECT& area) const;
  void placeControls();
  int scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  window::PreviewModel& model_;
  int dpi_;
  HWND window_ = nullptr;
  HWND canvas_ = nullptr;
  HWND slider_ = nullptr;
  HWND mode_ = nullptr;
  HWND yaw_ = nullptr;  // the headset view's sliders, shown in that mode
  HWND pitch_ = nullptr;
  HWND choose_ = nullptr;
  HWND back_ = nullptr;
  HWND play_ = nullptr;
  HWND forward_ = nullptr;
  Win32SoundOutput sound_;
  HWND clip_ = nullptr;
  HWND figures_ = nullptr;
  HWND message_ = nullptr;
  std::string picture_;  // the BMP file's bytes
  bool updating_ = false;
};

}  // namespace twinlens::win32
