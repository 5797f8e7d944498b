#pragma once

#include <deque>
#include <functional>
#include <optional>

#include "ui/UiPrompter.h"

namespace twinlens::ui::test {

// Answers the window's dialogs from scripts and records what it was asked.
class ScriptedPrompter : public UiPrompter {
 public:
  struct FileDialog {
    QString title;
    QString filter;
    QString folder;
    bool multiple = false;
    QString defaultExtension;
  };

  std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                       const QString& folder, bool multiple) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter,
                                  const QString& folder, const QString& defaultExtension) override;
  void showError(const QString& text) override;
  void showInformation(const QString& text) override { informations.append(text); }
  bool askOkCancel(const QString& title, const QString& text) override;

  // Answers, used in order; an empty answer, or none left, cancels the dialog.
  std::deque<QStringList> openAnswers;
  std::deque<QString> saveAnswers;
  std::deque<bool> questionAnswers;
  // Runs while an error is shown, as the user's answer to the message box.
  std::function<void()> whileErrorShown;

  // What the window asked.
  std::vector<FileDialog> dialogs;
  QStringList errors;
  QStringList informations;
  QStringList questions;  // "title: text"
};

}  // namespace twinlens::ui::test
