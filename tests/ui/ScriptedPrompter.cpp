#include "ScriptedPrompter.h"

namespace twinlens::ui::test {

std::optional<QStringList> ScriptedPrompter::openFiles(const QString& title, const QString& filter,
                                                       const QString& folder, bool multiple) {
  dialogs.push_back({title, filter, folder, multiple, QString()});
  if (openAnswers.empty()) return std::nullopt;
  const QStringList answer = openAnswers.front();
  openAnswers.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

std::optional<QString> ScriptedPrompter::saveFile(const QString& title, const QString& filter,
                                                  const QString& folder,
                                                  const QString& defaultExtension) {
  dialogs.push_back({title, filter, folder, false, defaultExtension});
  if (saveAnswers.empty()) return std::nullopt;
  const QString answer = saveAnswers.front();
  saveAnswers.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

void ScriptedPrompter::showError(const QString& text) {
  errors.append(text);
  if (whileErrorShown) whileErrorShown();
}

bool ScriptedPrompter::askOkCancel(const QString& title, const QString& text) {
  questions.append(title + QStringLiteral(": ") + text);
  if (questionAnswers.empty()) return false;
  const bool answer = questionAnswers.front();
  questionAnswers.pop_front();
  return answer;
}

}  // namespace twinlens::ui::test
