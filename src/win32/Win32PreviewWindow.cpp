#include "win32/Win32PreviewWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <tuple>

#include "win32/WindowClass.h"

namespace twinlens::win32 {

namespace {

constexpr const char* kPreviewClass = "TwinlensPreview";
constexpr const char* kCanvasClass = "TwinlensPreviewCanvas";
constexpr int kSlider = 10;
constexpr int kMode = 11;
constexpr int kChoose = 12;
constexpr int kYaw = 13;
constexpr int kPitch = 14;
constexpr int kBack = 15;
constexpr int kPlay = 16;
constexpr int kForward = 17;

// The header of a BMP file's picture, or nullptr where the bytes hold none.
const BITMAPINFO* bitmapInfoOf(const std::string& bmp) {
  if (bmp.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bmp[0] != 'B' ||
      bmp[1] != 'M') {
    return nullptr;
  }
  return reinterpret_cast<const BITMAPINFO*>(bmp.data() + sizeof(BITMAPFILEHEADER));
}

}  // namespace

Win32PreviewWindow::Win32PreviewWindow(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                                       window::PreviewModel& model)
    : model_(model), dpi_(dpi) {
  registerWindowClass(instance, kPreviewClass, windowProc, true);
  registerWindowClass(instance, kCanvasClass, canvasProc);
  window_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPreviewClass, "Preview",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                            scale(760), scale(600), owner, nullptr, instance, this);
  auto child = [&](const char* type, const char* text, DWORD style, int id) {
    HWND control =
        CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
  };
  canvas_ = CreateWindowExA(0, kCanvasClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window_,
                            nullptr, instance, this);
  slider_ = child(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, kSlider);
  mode_ = child("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kMode);
  for (const char* name : window::PreviewModel::modeNames()) {
    SendMessageA(mode_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendMessageA(mode_, CB_SETCURSEL, 0, 0);
  for (auto [slider, id, most] : {std::tuple{&yaw_, kYaw, window::PreviewModel::kMostYawDeg},
                                  {&pitch_, kPitch, window::PreviewModel::kMostPitchDeg}}) {
    *slider = child(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, id);
    SendMessageA(*slider, TBM_SETRANGEMIN, FALSE, -most);
    SendMessageA(*slider, TBM_SETRANGEMAX, TRUE, most);
    ShowWindow(*slider, SW_HIDE);
  }
  choose_ = child("BUTTON", "Choose clip...", BS_PUSHBUTTON | WS_TABSTOP, kChoose);
  back_ = child("BUTTON", "<|", BS_PUSHBUTTON | WS_TABSTOP, kBack);
  play_ = child("BUTTON", "Play", BS_PUSHBUTTON | WS_TABSTOP, kPlay);
  forward_ = child("BUTTON", "|>", BS_PUSHBUTTON | WS_TABSTOP, kForward);
  clip_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 0);
  figures_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 0);
  message_ = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 0);
  placeControls();
}

Win32PreviewWindow::~Win32PreviewWindow() {
  // Nothing plays on into the sound output that goes with the window.
  model_.closed();
  if (IsWindow(window_)) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void Win32PreviewWindow::show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
}

HWND Win32PreviewWindow::control(std::string_view name) const {
  if (name == "Image_Preview") return canvas_;
  if (name == "TrackBar_Frame") return slider_;
  if (name == "Button_Preview_Back") return back_;
  if (name == "Button_Preview_Play") return play_;
  if (name == "Button_Preview_Forward") return forward_;
  if (name == "ComboBox_Preview_Mode") return mode_;
  if (name == "TrackBar_Yaw") return yaw_;
  if (name == "TrackBar_Pitch") return pitch_;
  if (name == "Button_Preview_Clip") return choose_;
  if (name == "Label_Preview_Clip") return clip_;
  if (name == "Label_Preview_Figures") return figures_;
  if (name == "Label_Preview_Message") return message_;
  return nullptr;
}

SIZE Win32PreviewWindow::pictureSize() const {
  const BITMAPINFO* info = bitmapInfoOf(picture_);
  if (info == nullptr) return {0, 0};
  return {info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight)};
}

void Win32PreviewWindow::showState(const window::PreviewState& state) {
  updating_ = true;
  const auto last = static_cast<LPARAM>(std::max<std::int64_t>(state.frames - 1, state.frame));
  SendMessageA(slider_, TBM_SETRANGEMIN, FALSE, 0);
  SendMessageA(slider_, TBM_SETRANGEMAX, TRUE, last);
  SendMessageA(slider_, TBM_SETPOS, TRUE, static_cast<LPARAM>(state.frame));
  EnableWindow(slider_, state.frames > 0);
  SetWindowTextA(play_, state.playing ? "Pause" : "Play");
  SendMessageA(mode_, CB_SETCURSEL, static_cast<WPARAM>(state.mode), 0);
  SendMessageA(yaw_, TBM_SETPOS, TRUE, state.yawDeg);
  SendMessageA(pitch_, TBM_SETPOS, TRUE, state.pitchDeg);
  const bool looked = IsWindowVisible(yaw_) != FALSE;
  ShowWindow(yaw_, state.looks ? SW_SHOW : SW_HIDE);
  ShowWindow(pitch_, state.looks ? SW_SHOW : SW_HIDE);
  updating_ = false;
  if (looked != state.looks) placeControls();
  const std::string clip = state.clip + (state.rendering ? " (rendering...)" : "");
  SetWindowTextA(clip_, clip.c_str());
  SetWindowTextA(figures_, state.figures.c_str());
  SetWindowTextA(message_, state.message.c_str());
  SetCursor(LoadCursor(nullptr, state.rendering ? IDC_APPSTARTING : IDC_ARROW));
}

void Win32PreviewWindow::showPicture(const std::string& bmp) {
  picture_ = bitmapInfoOf(bmp) != nullptr ? bmp : std::string();
  InvalidateRect(canvas_, nullptr, FALSE);
}

bool Win32PreviewWindow::takeKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.hwnd == mode_ ||
      (message.hwnd != window_ && IsChild(window_, message.hwnd) == FALSE)) {
    return false;
  }
  switch (message.wParam) {
    case VK_SPACE:
      model_.Button_Preview_PlayClick();
      return true;
    case VK_LEFT:
    case VK_RIGHT:
      model_.Button_Preview_StepClick(message.wParam == VK_LEFT ? -1 : 1);
      return true;
    default:
      return false;
  }
}

void Win32PreviewWindow::placeControls() {
  RECT area{};
  GetClientRect(window_, &area);
  const int margin = scale(8);
  const int width = area.right - 2 * margin;
  const int line = scale(18);
  const int row = scale(26);
  // From the bottom up: the notes, the figures, the clip, the controls; the picture above.
  int y = area.bottom - margin - 3 * line;
  MoveWindow(message_, margin, y, width, 3 * line, TRUE);
  y -= 2 * line;
  MoveWindow(figures_, margin, y, width, 2 * line, TRUE);
  y -= line;
  MoveWindow(clip_, margin, y, width, line, TRUE);
  y -= row + scale(4);
  const int chooseWidth = scale(110);
  const int modeWidth = scale(200);
  MoveWindow(choose_, area.right - margin - chooseWidth, y, chooseWidth, row, TRUE);
  MoveWindow(mode_, area.right - margin - chooseWidth - scale(6) - modeWidth, y, modeWidth,
             scale(200), TRUE);
  const int buttonWidth = scale(46);
  int x = margin;
  for (HWND button : {back_, play_, forward_}) {
    MoveWindow(button, x, y, buttonWidth, row, TRUE);
    x += buttonWidth + scale(4);
  }
  MoveWindow(slider_, x, y, std::max(0, width - chooseWidth - modeWidth - scale(12) - (x - margin)),
             row, TRUE);
  // The headset view's look above them, yaw and pitch side by side.
  if (IsWindowVisible(yaw_) != FALSE) {
    y -= row + scale(4);
    const int half = std::max(0, (width - scale(6)) / 2);
    MoveWindow(yaw_, margin, y, half, row, TRUE);
    MoveWindow(pitch_, margin + half + scale(6), y, half, row, TRUE);
  }
  MoveWindow(canvas_, margin, margin, width, std::max(0, y - 2 * margin), TRUE);
  // The picture is rendered no larger than the room it has.
  model_.setPictureBox(width, std::max(0, y - 2 * margin));
}

void Win32PreviewWindow::paintCanvas(HDC dc, const RECT& area) const {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The picture as large as fits with its shape kept, on black.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP surface = CreateCompatibleBitmap(dc, std::max(width, 1), std::max(height, 1));
  HGDIOBJ old = SelectObject(memory, surface);
  FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (const BITMAPINFO* info = bitmapInfoOf(picture_)) {
    const auto* file = reinterpret_cast<const BITMAPFILEHEADER*>(picture_.data());
    const int pictureWidth = info->bmiHeader.biWidth;
    const int pictureHeight = std::abs(info->bmiHeader.biHeight);
    if (file->bfOffBits < picture_.size() && pictureWidth > 0 && pictureHeight > 0) {
      int shownWidth = width;
      int shownHeight = MulDiv(width, pictureHeight, pictureWidth);
      if (shownHeight > height) {
        shownHeight = height;
        shownWidth = MulDiv(height, pictureWidth, pictureHeight);
      }
      SetStretchBltMode(memory, HALFTONE);
      SetBrushOrgEx(memory, 0, 0, nullptr);
      StretchDIBits(memory, (width - shownWidth) / 2, (height - shownHeight) / 2, shownWidth,
                    shownHeight, 0, 0, pictureWidth, pictureHeight,
                    picture_.data() + file->bfOffBits, info, DIB_RGB_COLORS, SRCCOPY);
    }
  }
  BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
}

LRESULT CALLBACK Win32PreviewWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  auto* self = objectOf<Win32PreviewWindow>(window, message, lParam);
  if (self == nullptr || self->window_ == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32PreviewWindow::canvasProc(HWND canvas, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  auto* self = objectOf<Win32PreviewWindow>(canvas, message, lParam);
  if (self != nullptr && message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(canvas, &paint);
    RECT area{};
    GetClientRect(canvas, &area);
    self->paintCanvas(dc, area);
    EndPaint(canvas, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // the painting covers it all
  return DefWindowProcA(canvas, message, wParam, lParam);
}

LRESULT Win32PreviewWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      placeControls();
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == slider_ && !updating_) {
        model_.setFrame(SendMessageA(slider_, TBM_GETPOS, 0, 0));
      }
      if ((reinterpret_cast<HWND>(lParam) == yaw_ || reinterpret_cast<HWND>(lParam) == pitch_) &&
          !updating_) {
        model_.setLook(static_cast<int>(SendMessageA(yaw_, TBM_GETPOS, 0, 0)),
                       static_cast<int>(SendMessageA(pitch_, TBM_GETPOS, 0, 0)));
      }
      return 0;
    case WM_COMMAND:
      if (updating_) return 0;
      if (LOWORD(wParam) == kMode && HIWORD(wParam) == CBN_SELCHANGE) {
        model_.setMode(static_cast<int>(SendMessageA(mode_, CB_GETCURSEL, 0, 0)));
      } else if (LOWORD(wParam) == kChoose && HIWORD(wParam) == BN_CLICKED) {
        model_.Button_Preview_ClipClick();
      } else if (LOWORD(wParam) == kPlay && HIWORD(wParam) == BN_CLICKED) {
        model_.Button_Preview_PlayClick();
      } else if ((LOWORD(wParam) == kBack || LOWORD(wParam) == kForward) &&
                 HIWORD(wParam) == BN_CLICKED) {
        model_.Button_Preview_StepClick(LOWORD(wParam) == kBack ? -1 : 1);
      }
      return 0;
    case WM_CLOSE:
      model_.closed();
      ShowWindow(window_, SW_HIDE);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace twinlens::win32
