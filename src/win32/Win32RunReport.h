#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "run/RunReport.h"

namespace twinlens::win32 {

// Opens a folder in the desktop's file manager.
using FolderOpener = std::function<void(const std::string& folder)>;

// The last run's report: every file it wrote and every program it started, and a button that
// opens the folder of the chosen line. A window of its own beside the main window.
class Win32RunReport {
 public:
  // Shows the report and returns its window; it closes itself.
  static HWND show(HINSTANCE instance, HWND owner, HFONT font, int dpi,
                   const std::vector<std::string>& written, const RunReport& report,
                   FolderOpener opener);
};

}  // namespace twinlens::win32
