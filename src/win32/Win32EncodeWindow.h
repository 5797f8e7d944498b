#pragma once

#include <windows.h>

#include <string_view>

#include "window/EncodeModel.h"
#include "window/EncodeView.h"

namespace twinlens::win32 {

// The encoding window with the platform's own controls: which clip of how many, the clip's and the
// whole run's progress bars, the time left, Cancel; at the end each output's result and a button
// that opens their folder. Closing it while ffmpeg encodes cancels the encodes; closed, it hides.
class Win32EncodeWindow {
 public:
  Win32EncodeWindow(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                    window::EncodeModel& model);
  ~Win32EncodeWindow();
  Win32EncodeWindow(const Win32EncodeWindow&) = delete;
  Win32EncodeWindow& operator=(const Win32EncodeWindow&) = delete;

  void show();
  void showState(const window::EncodeState& state);

  HWND handle() const { return window_; }
  // Its controls by name: "Label_Encode_Clip", "ProgressBar_Clip", "ProgressBar_All",
  // "Label_Time_Left", "ListBox_Results", "Button_Cancel", "Button_Open_Folder", "Button_Close".
  HWND control(std::string_view name) const;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  int scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  window::EncodeModel& model_;
  int dpi_;
  HWND window_ = nullptr;
  HWND clip_ = nullptr;
  HWND clipBar_ = nullptr;
  HWND allBar_ = nullptr;
  HWND timeLeft_ = nullptr;
  HWND results_ = nullptr;
  HWND cancel_ = nullptr;
  HWND openFolder_ = nullptr;
  HWND close_ = nullptr;
};

}  // namespace twinlens::win32
