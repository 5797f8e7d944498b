#pragma once

#include <optional>
#include <string>
#include <vector>

namespace twinlens::window {

// The modal dialogs and message boxes of the main window, over the program's 8-bit strings. A
// window shows the platform's own; the tests answer from scripts.
class Prompter {
 public:
  virtual ~Prompter() = default;

  // An open-file dialog. `filter` lists description and pattern pairs joined by "|" (empty for
  // none); `folder` is the initial folder (empty for the platform's default). Returns the chosen
  // full paths in order, or nothing when cancelled.
  virtual std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                            const std::string& filter,
                                                            const std::string& folder,
                                                            bool multiple) = 0;
  // A save-file dialog; a name typed without an extension gets `defaultExtension`.
  virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                              const std::string& folder,
                                              const std::string& defaultExtension) = 0;
  // A message box with the error icon, titled with the program's name; `text` is shown as given.
  virtual void showError(const std::string& text) = 0;
  // A message box with the information icon, titled with the program's name.
  virtual void showInformation(const std::string& text) = 0;
  // An error-style question with the buttons "OK" and "Cancel"; true only for "OK".
  virtual bool askOkCancel(const std::string& title, const std::string& text) = 0;
};

}  // namespace twinlens::window
