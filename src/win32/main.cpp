#include <shlobj.h>
#include <windows.h>

#include <string>

#include "base/Paths.h"
#include "platform/ProgramLauncher.h"
#include "platform/ProgramPath.h"
#include "storage/ProgramFiles.h"
#include "win32/Win32MainScreen.h"
#include "win32/Win32Prompter.h"

namespace {

// The settings and presets files are named after the program and lie beside it when its folder
// is writable (a portable copy), else in the user's application-data folder.
std::string filesFolder(const std::string& programFolder) {
  const std::string probe = programFolder + "\\~twinlens-write-test.tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return programFolder;
  }
  char appData[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData) != S_OK) {
    return programFolder;
  }
  const std::string folder = std::string(appData) + "\\Twinlens";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const std::string program = twinlens::platform::programPath();
  std::string programFolder = twinlens::paths::dir(program);
  if (programFolder.size() > 1 && programFolder.back() == '\\') programFolder.pop_back();
  const std::string base = twinlens::paths::noext(twinlens::paths::name(program));
  const std::string folder = filesFolder(programFolder);

  // A first start whose files lie in the application-data folder gets the presets that came with
  // the program.
  const std::string presets = folder + "\\" + base + ".prs";
  twinlens::provideDefaultPresets(presets, twinlens::defaultPresetsPathFor(program));

  twinlens::win32::Win32Prompter prompter;
  twinlens::win32::Win32MainScreen screen(instance, prompter, folder + "\\" + base + ".ini",
                                          presets, programFolder,
                                          &twinlens::platform::launchProgram);
  prompter.setOwner(screen.handle());
  ShowWindow(screen.handle(), show);
  UpdateWindow(screen.handle());

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(screen.handle(), screen.accelerators(), &message)) continue;
    if (screen.takePreviewKey(message)) continue;
    if (IsDialogMessageA(screen.handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
