#pragma once

#include "ui/UiPrompter.h"

namespace twinlens::ui {

// The real dialogs: QFileDialog and QMessageBox, parented to the active window.
class QtUiPrompter : public UiPrompter {
 public:
  std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                       const QString& folder, bool multiple) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter,
                                  const QString& folder, const QString& defaultExtension) override;
  void showError(const QString& text) override;
  void showInformation(const QString& text) override;
  bool askOkCancel(const QString& title, const QString& text) override;

  // "Layout files (*.lay)|*.lay|All files (*.*)|*.*" as QFileDialog's list of name filters.
  static QStringList nameFilters(const QString& filter);
};

}  // namespace twinlens::ui
