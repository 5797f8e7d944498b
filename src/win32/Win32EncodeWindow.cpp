#include "win32/Win32EncodeWindow.h"

#include <commctrl.h>

#include <string>

#include "win32/WindowClass.h"

namespace twinlens::win32 {

namespace {

constexpr const char* kEncodeClass = "TwinlensEncode";
constexpr int kCancel = 20;
constexpr int kOpenFolder = 21;
constexpr int kClose = 22;

}  // namespace

Win32EncodeWindow::Win32EncodeWindow(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                                     window::EncodeModel& model)
    : model_(model), dpi_(dpi) {
  registerWindowClass(instance, kEncodeClass, windowProc, true);
  const int width = scale(560);
  const int height = scale(360);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
  window_ = CreateWindowExA(WS_EX_CONTROLPARENT, kEncodeClass, "Encoding",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                            instance, this);
  auto child = [&](const char* type, const char* text, DWORD style, int x, int y, int w, int h,
                   int id = 0) {
    HWND control =
        CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
  };
  const int margin = scale(8);
  const int inner = width - 2 * margin;
  clip_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, margin, margin, inner, scale(18));
  clipBar_ = child(PROGRESS_CLASSA, "", 0, margin, scale(30), inner, scale(18));
  allBar_ = child(PROGRESS_CLASSA, "", 0, margin, scale(54), inner, scale(18));
  timeLeft_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, margin, scale(78), inner, scale(18));
  results_ = child("LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, margin,
                   scale(100), inner, height - scale(146));
  SendMessageA(results_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(scale(2000)), 0);
  const int top = height - scale(36);
  cancel_ = child("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, width - scale(300), top,
                  scale(92), scale(26), kCancel);
  openFolder_ = child("BUTTON", "Open folder", BS_PUSHBUTTON | WS_TABSTOP, width - scale(200), top,
                      scale(100), scale(26), kOpenFolder);
  close_ = child("BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, width - scale(92), top, scale(84),
                 scale(26), kClose);
}

Win32EncodeWindow::~Win32EncodeWindow() {
  if (IsWindow(window_)) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void Win32EncodeWindow::show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
}

HWND Win32EncodeWindow::control(std::string_view name) const {
  if (name == "Label_Encode_Clip") return clip_;
  if (name == "ProgressBar_Clip") return clipBar_;
  if (name == "ProgressBar_All") return allBar_;
  if (name == "Label_Time_Left") return timeLeft_;
  if (name == "ListBox_Results") return results_;
  if (name == "Button_Cancel") return cancel_;
  if (name == "Button_Open_Folder") return openFolder_;
  if (name == "Button_Close") return close_;
  return nullptr;
}

void Win32EncodeWindow::showState(const window::EncodeState& state) {
  SetWindowTextA(clip_, state.clip.c_str());
  SendMessageA(clipBar_, PBM_SETPOS, static_cast<WPARAM>(state.clipPercent), 0);
  SendMessageA(allBar_, PBM_SETPOS, static_cast<WPARAM>(state.percent), 0);
  SetWindowTextA(timeLeft_, state.timeLeft.c_str());
  SendMessageA(results_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : state.results) {
    SendMessageA(results_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  EnableWindow(cancel_, state.running);
  EnableWindow(openFolder_, !state.running);
  EnableWindow(close_, !state.running);
}

LRESULT CALLBACK Win32EncodeWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = objectOf<Win32EncodeWindow>(window, message, lParam);
  if (self == nullptr || self->window_ == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT Win32EncodeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == kCancel) model_.Button_CancelClick();
      if (LOWORD(wParam) == kOpenFolder) model_.Button_Open_FolderClick();
      if (LOWORD(wParam) == kClose || LOWORD(wParam) == IDCANCEL) {
        SendMessageA(window_, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_CLOSE:
      if (model_.running()) model_.Button_CancelClick();
      ShowWindow(window_, SW_HIDE);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace twinlens::win32
