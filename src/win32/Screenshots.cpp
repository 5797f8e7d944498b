// Renders the Win32 window on each of its tabs, and the About box, to BMP files in the current
// folder (`make screenshots-windows` turns them into PNG files), for review.
#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/Win32AboutBox.h"
#include "win32/Win32MainScreen.h"
#include "win32/Win32Prompter.h"
#include "window/ControlTable.h"

namespace {

// Lets the window draw what it was told to.
void settle() {
  const DWORD until = GetTickCount() + 400;
  MSG message;
  while (GetTickCount() < until) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
}

// The window as it stands on the screen, as a 24-bit BMP file.
bool capture(HWND window, const std::string& file) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  SelectObject(memory, old);

  const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = header.bfOffBits + imageBytes;
  bool written = false;
  if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
    written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              std::fwrite(bits, 1, imageBytes, out) == imageBytes;
    written = std::fclose(out) == 0 && written;
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  twinlens::win32::Win32Prompter prompter;
  // The settings of a first start; nothing of the user's is read or written.
  twinlens::win32::Win32MainScreen screen(instance, prompter, std::string(folder) + "\\none.ini",
                                          std::string(folder) + "\\none.prs", folder, {});
  prompter.setOwner(screen.handle());
  SetWindowPos(screen.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  ShowWindow(screen.handle(), SW_SHOWNORMAL);
  int failures = 0;
  int tab = 0;
  for (const auto& control : twinlens::window::controls()) {
    if (control.kind != twinlens::window::ControlKind::Tab) continue;
    screen.showPage(tab);
    settle();
    const std::string file =
        "win32-tab" + std::to_string(tab + 1) + "-" + std::string(control.name) + ".bmp";
    if (!capture(screen.handle(), file)) ++failures;
    std::printf("%s\n", file.c_str());
    ++tab;
  }
  HWND about = twinlens::win32::Win32AboutBox::create(instance, screen.handle(), screen.font(),
                                                      screen.dpi());
  settle();
  if (!capture(about, "win32-about.bmp")) ++failures;
  std::printf("win32-about.bmp\n");
  DestroyWindow(about);

  // The preview window, with a picture made beforehand by the ffmpeg program (which Wine lacks):
  // the window is opened on a clip, then shown that picture and the texts of a rendered frame.
  std::string picture;
  if (std::FILE* in = std::fopen("preview-picture.bmp", "rb")) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
      picture.append(buffer, got);
    std::fclose(in);
  }
  if (!picture.empty()) {
    screen.model().preview().setClip("C:\\clips\\trip_L.mkv", "C:\\clips\\trip_R.mkv");
    screen.model().preview().Preview1Click();
    settle();
    twinlens::win32::Win32PreviewWindow& preview = *screen.previewWindow();
    twinlens::window::PreviewState state;
    state.clip = "trip_L.mkv: frame 120 of 250";
    state.figures =
        "Right view 3.00 px lower, roll 0.000 degrees, zoom 0.00 %, toe-in 0.00 and tilt 0.00 "
        "degrees; depth near -3.1, far 14.2 per mille: green";
    state.message = "\"C:\\clips\\trip_L.mkv\" has no sound: the outputs are silent";
    state.frame = 120;
    state.frames = 250;
    preview.showState(state);
    preview.showPicture(picture);
    SetWindowPos(preview.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    settle();
    if (!capture(preview.handle(), "win32-preview.bmp")) ++failures;
    std::printf("win32-preview.bmp\n");
  }

  // The encoding window during the second of three clips, the first encoded: followed through a
  // runner that says what the ffmpeg engine's runner says and reports as ffmpeg does, then waits.
  const std::string runner = std::string(folder) + "\\encode-runner.bat";
  if (std::FILE* out = std::fopen(runner.c_str(), "wb")) {
    std::fputs(
        "@echo off\r\n"
        "echo Encoding 3 clips, 750 frames\r\n"
        "echo Encoding clip 1 of 3 ^(250 frames^): trip_LR.mkv\r\n"
        "echo Encoding clip 2 of 3 ^(250 frames^): beach_LR.mkv\r\n"
        ">\"%TWINLENS_PROGRESS%\" echo frame=150\r\n"
        ">>\"%TWINLENS_PROGRESS%\" echo fps=48.0\r\n"
        ">>\"%TWINLENS_PROGRESS%\" echo progress=continue\r\n"
        "ping -n 30 127.0.0.1 >NUL\r\n",
        out);
    std::fclose(out);
  }
  const std::string clips = std::string(folder) + "\\";
  twinlens::window::EncodeModel& encodes = screen.model().encodes();
  if (encodes
          .start({runner,
                  "",
                  clips,
                  {{clips + "trip_LR.mkv"}, {clips + "beach_LR.mkv"}, {clips + "hill_LR.mkv"}}})
          .empty()) {
    for (int turns = 0; encodes.state().timeLeft.empty() && turns < 50; ++turns) settle();
    SetWindowPos(screen.encodeWindow()->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    settle();
    if (!capture(screen.encodeWindow()->handle(), "win32-encoding.bmp")) ++failures;
    std::printf("win32-encoding.bmp\n");
    encodes.Button_CancelClick();
  } else {
    ++failures;
  }
  std::remove(runner.c_str());
  return failures == 0 ? 0 : 1;
}
