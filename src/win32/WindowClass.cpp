#include "win32/WindowClass.h"

namespace twinlens::win32 {

void registerWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, bool withIcon) {
  WNDCLASSEXA type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hCursor = LoadCursor(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = name;
  if (withIcon) type.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
  RegisterClassExA(&type);  // a second registration fails harmlessly
}

}  // namespace twinlens::win32
