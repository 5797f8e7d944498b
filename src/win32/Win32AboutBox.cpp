#include "win32/Win32AboutBox.h"

#include "win32/WindowClass.h"

namespace twinlens::win32 {

namespace {

constexpr const char* kAboutClass = "TwinlensAboutBox";
constexpr int kOk = IDOK;

struct Line {
  const char* name;
  const char* text;
  int height;  // at 96 dots per inch
};

constexpr Line kLines[] = {
    {"ProductName", "Twinlens", 28},
    {"Version", "Version 1.00", 18},
    {"Copyright", "Copyright (C) 2026 the Twinlens developers", 18},
    {"Comments",
     "Stereoscopic converter for conversion between different stereoscopic formats and codecs. It "
     "exports avs files, but can automatically batch encode in conjunction with FFmpeg or "
     "VirtualDub. Use it on your own risk.",
     68},
};

LRESULT CALLBACK aboutProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kOk || LOWORD(wParam) == IDCANCEL) DestroyWindow(box);
      return 0;
    case WM_CLOSE:
      DestroyWindow(box);
      return 0;
    default:
      return DefWindowProcA(box, message, wParam, lParam);
  }
}

}  // namespace

HWND Win32AboutBox::create(HINSTANCE instance, HWND owner, HFONT font, int dpi) {
  registerWindowClass(instance, kAboutClass, aboutProc);

  auto px = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  const int width = px(360);
  int height = px(12);
  for (const Line& line : kLines) height += px(line.height) + px(4);
  const int buttonTop = height + px(8);
  height = buttonTop + px(23) + px(12);

  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  // Centred on the screen, as a dialog opens.
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kAboutClass, "About",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                             (GetSystemMetrics(SM_CXSCREEN) - frameWidth) / 2,
                             (GetSystemMetrics(SM_CYSCREEN) - frameHeight) / 2, frameWidth,
                             frameHeight, owner, nullptr, instance, nullptr);

  LOGFONTA bold{};
  GetObjectA(font, sizeof bold, &bold);
  bold.lfWeight = FW_BOLD;
  bold.lfHeight = bold.lfHeight * 3 / 2;
  HFONT big = CreateFontIndirectA(&bold);
  int top = px(12);
  for (const Line& line : kLines) {
    HWND text =
        CreateWindowExA(0, "STATIC", line.text, WS_CHILD | WS_VISIBLE | SS_LEFT, px(12), top,
                        width - px(24), px(line.height), box, nullptr, instance, nullptr);
    SetWindowTextA(text, line.text);
    SendMessageA(text, WM_SETFONT,
                 reinterpret_cast<WPARAM>(line.name == kLines[0].name ? big : font), TRUE);
    top += px(line.height) + px(4);
  }
  HWND ok =
      CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                      (width - px(80)) / 2, buttonTop, px(80), px(23), box,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOk)), instance, nullptr);
  SendMessageA(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SetFocus(ok);
  return box;
}

void Win32AboutBox::showModal(HINSTANCE instance, HWND owner, HFONT font, int dpi) {
  HWND box = create(instance, owner, font, dpi);
  EnableWindow(owner, FALSE);
  MSG message;
  while (IsWindow(box) && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(box, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  EnableWindow(owner, TRUE);
  SetActiveWindow(owner);
}

}  // namespace twinlens::win32
