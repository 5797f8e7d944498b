#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace twinlens::ui {

// The modal dialogs and message boxes the window needs. The program shows real ones; the tests
// answer from scripts, so they drive the window without modal loops.
class UiPrompter {
 public:
  virtual ~UiPrompter() = default;

  // An open-file dialog. `filter` lists description and pattern pairs joined by "|" (empty for
  // none); `folder` is the initial folder (empty for the platform's default). Returns the chosen
  // full paths in order, or nothing when cancelled.
  virtual std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                               const QString& folder, bool multiple) = 0;
  // A save-file dialog; a name typed without an extension gets `defaultExtension`.
  virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                          const QString& folder,
                                          const QString& defaultExtension) = 0;
  // A message box with the error icon, titled with the program's name.
  virtual void showError(const QString& text) = 0;
  // A message box with the information icon, titled with the program's name.
  virtual void showInformation(const QString& text) = 0;
  // An error-style question with the buttons "OK" and "Cancel"; true only for "OK".
  virtual bool askOkCancel(const QString& title, const QString& text) = 0;
};

}  // namespace twinlens::ui
