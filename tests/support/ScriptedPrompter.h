#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "window/Prompter.h"

namespace twinlens::test {

// Answers the window's dialogs from scripts (a missing answer is a cancel) and records what it
// was asked and which errors it showed.
class ScriptedPrompter : public window::Prompter {
 public:
  std::deque<std::optional<std::vector<std::string>>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> okAnswers;
  // An open-file dialog as it was asked for.
  struct Dialog {
    std::string title;
    std::string filter;
    std::string folder;
    bool multiple;
  };
  std::vector<Dialog> dialogs;
  std::vector<std::string> titles;  // of every dialog and question, in order
  std::vector<std::string> errors;
  std::vector<std::string> informations;

  std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& folder,
                                                    bool multiple) override {
    dialogs.push_back({title, filter, folder, multiple});
    titles.push_back(title);
    return next(openAnswers);
  }
  std::optional<std::string> saveFile(const std::string& title, const std::string&,
                                      const std::string&, const std::string&) override {
    titles.push_back(title);
    return next(saveAnswers);
  }
  void showError(const std::string& text) override { errors.push_back(text); }
  void showInformation(const std::string& text) override { informations.push_back(text); }
  bool askOkCancel(const std::string& title, const std::string&) override {
    titles.push_back(title);
    return !okAnswers.empty() && next(okAnswers);
  }

 private:
  template <typename T>
  static T next(std::deque<T>& answers) {
    if (answers.empty()) return T{};
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace twinlens::test
