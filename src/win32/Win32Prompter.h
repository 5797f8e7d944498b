#pragma once

#include <windows.h>

#include "window/Prompter.h"

namespace twinlens::win32 {

// The dialogs and message boxes of the platform: the common file dialogs and MessageBoxA, all in
// the ANSI code page, owned by the main window.
class Win32Prompter : public window::Prompter {
 public:
  void setOwner(HWND owner) { owner_ = owner; }

  std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& folder,
                                                    bool multiple) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& folder,
                                      const std::string& defaultExtension) override;
  void showError(const std::string& text) override;
  void showInformation(const std::string& text) override;
  bool askOkCancel(const std::string& title, const std::string& text) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace twinlens::win32
