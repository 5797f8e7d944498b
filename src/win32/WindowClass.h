#pragma once

#include <windows.h>

namespace twinlens::win32 {

// Registers a window class of the program's windows: the arrow cursor, the dialog background,
// and the program's icon when `withIcon`. Registering a class again changes nothing.
void registerWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                         bool withIcon = false);

// The object a window was made for (the parameter of its creation), kept in the window's user
// data from its first message on; nullptr once the object has cleared it.
template <typename T>
T* objectOf(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace twinlens::win32
