#include "win32/Win32Prompter.h"

#include <commdlg.h>

#include <cstring>

namespace twinlens::win32 {

namespace {

// "Text files (*.txt)|*.txt|All files (*.*)|*.*" as the dialogs take it: each part ended by a
// zero byte, the whole by another; "All files" when there is no filter.
std::string dialogFilter(const std::string& filter) {
  std::string parts = filter.empty() ? std::string("All files (*.*)|*.*") : filter;
  for (char& c : parts) {
    if (c == '|') c = '\0';
  }
  parts.push_back('\0');
  parts.push_back('\0');
  return parts;
}

// A buffer large enough for many selected files.
constexpr DWORD kFileBuffer = 1 << 16;

// What both file dialogs are given: owner, filter, the buffer for the answer, folder and title.
OPENFILENAMEA dialogOf(HWND owner, const std::string& filters, std::string& buffer,
                       const std::string& folder, const std::string& title) {
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title.c_str();
  return dialog;
}

}  // namespace

std::optional<std::vector<std::string>> Win32Prompter::openFiles(const std::string& title,
                                                                 const std::string& filter,
                                                                 const std::string& folder,
                                                                 bool multiple) {
  std::string buffer(kFileBuffer, '\0');
  const std::string filters = dialogFilter(filter);
  OPENFILENAMEA dialog = dialogOf(owner_, filters, buffer, folder, title);
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 (multiple ? OFN_ALLOWMULTISELECT : 0);
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;

  // One file: its full path. Several: the folder, then each name, each ended by a zero byte.
  std::vector<std::string> parts;
  for (const char* part = buffer.c_str(); *part != '\0'; part += std::strlen(part) + 1) {
    parts.emplace_back(part);
  }
  if (parts.size() <= 1) return parts;
  std::string folderPart = parts.front();
  if (folderPart.back() != '\\') folderPart.push_back('\\');
  std::vector<std::string> files;
  for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(folderPart + parts[i]);
  return files;
}

std::optional<std::string> Win32Prompter::saveFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& folder,
                                                   const std::string& defaultExtension) {
  std::string buffer(MAX_PATH * 4, '\0');
  const std::string filters = dialogFilter(filter);
  OPENFILENAMEA dialog = dialogOf(owner_, filters, buffer, folder, title);
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(buffer.c_str());
}

void Win32Prompter::showError(const std::string& text) {
  MessageBoxA(owner_, text.c_str(), "Twinlens", MB_OK | MB_ICONERROR);
}

void Win32Prompter::showInformation(const std::string& text) {
  MessageBoxA(owner_, text.c_str(), "Twinlens", MB_OK | MB_ICONINFORMATION);
}

bool Win32Prompter::askOkCancel(const std::string& title, const std::string& text) {
  return MessageBoxA(owner_, text.c_str(), title.c_str(), MB_OKCANCEL | MB_ICONERROR) == IDOK;
}

}  // namespace twinlens::win32
