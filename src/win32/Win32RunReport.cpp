#include "win32/Win32RunReport.h"

#include "base/Paths.h"
#include "win32/WindowClass.h"

namespace twinlens::win32 {

namespace {

constexpr const char* kReportClass = "TwinlensRunReport";
constexpr int kList = 10;
constexpr int kOpenFolder = 11;

// What the window keeps: the folder of each line, and how to open one.
struct Report {
  std::vector<std::string> folders;
  FolderOpener opener;
  HWND list = nullptr;
};

void openChosenFolder(const Report& report) {
  if (report.folders.empty() || !report.opener) return;
  const LRESULT chosen = SendMessageA(report.list, LB_GETCURSEL, 0, 0);
  const auto line = chosen == LB_ERR ? std::size_t{0} : static_cast<std::size_t>(chosen);
  report.opener(report.folders[std::min(line, report.folders.size() - 1)]);
}

LRESULT CALLBACK reportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* report = reinterpret_cast<Report*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (report != nullptr && (LOWORD(wParam) == kOpenFolder ||
                                (LOWORD(wParam) == kList && HIWORD(wParam) == LBN_DBLCLK))) {
        openChosenFolder(*report);
      } else if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
        DestroyWindow(window);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_NCDESTROY:
      delete report;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND Win32RunReport::show(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                          const std::vector<std::string>& written, const RunReport& runReport,
                          FolderOpener opener) {
  registerWindowClass(instance, kReportClass, reportProc);

  auto px = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  const int width = px(640);
  const int height = px(360);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
  HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, kReportClass, "Last run report",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                owner, nullptr, instance, nullptr);
  auto* report = new Report{{}, std::move(opener), nullptr};
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(report));

  auto child = [&](const char* type, const char* text, DWORD style, int x, int y, int w, int h,
                   int id) {
    HWND control =
        CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
  };
  child("STATIC", runReport.statusText().c_str(), SS_LEFT | SS_NOPREFIX, px(8), px(8),
        width - px(16), px(32), 0);
  report->list = child("LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | WS_TABSTOP,
                       px(8), px(44), width - px(16), height - px(88), kList);
  auto addLine = [&](const std::string& text, const std::string& path) {
    SendMessageA(report->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    report->folders.push_back(paths::dir(path));
  };
  for (const std::string& path : written) addLine("Wrote " + path, path);
  for (const RunReport::Program& program : runReport.programs()) {
    std::string text = program.failure.empty()
                           ? "Started " + program.file
                           : "Could not start " + program.file + ": " + program.failure;
    if (program.failure.empty() && !program.workingFolder.empty()) {
      text += " in " + program.workingFolder;
    }
    addLine(text, program.file);
  }
  for (const RunReport::Note& note : runReport.notes()) {
    addLine("Note on " + note.clip + ": " + note.text, note.clip);
  }
  SendMessageA(report->list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(px(2000)), 0);
  HWND open = child("BUTTON", "Open folder", BS_PUSHBUTTON | WS_TABSTOP, width - px(200),
                    height - px(36), px(100), px(26), kOpenFolder);
  EnableWindow(open, !report->folders.empty());
  child("BUTTON", "Close", BS_DEFPUSHBUTTON | WS_TABSTOP, width - px(92), height - px(36), px(84),
        px(26), IDCANCEL);
  return window;
}

}  // namespace twinlens::win32
