#pragma once

#include <windows.h>

namespace twinlens::win32 {

// Registers a window class of the program's windows: the arrow cursor, the dialog background,
// and the program's icon when `withIcon`. Registering a class again changes nothing.
void registerWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                         bool withIcon = false);

}  // namespace twinlens::win32
