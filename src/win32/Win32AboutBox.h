#pragma once

#include <windows.h>

namespace twinlens::win32 {

// The About box: the product's name, version, copyright and a few words on what it does, and an
// OK button that closes it.
class Win32AboutBox {
 public:
  // Shows the box over `owner` and returns once it is closed.
  static void showModal(HINSTANCE instance, HWND owner, HFONT font, int dpi);
  // Makes the box and shows it without waiting (for screenshots); the caller destroys it.
  static HWND create(HINSTANCE instance, HWND owner, HFONT font, int dpi);
};

}  // namespace twinlens::win32
