#include "ui/WindowRunFrontEnd.h"

#include "ui/QtText.h"

namespace twinlens::ui {

std::optional<std::vector<std::string>> WindowRunFrontEnd::openFiles(
    const OpenFilesRequest& request) {
  // The input dialogs show every file.
  const auto chosen = prompter_.openFiles(fromCore(request.title), QString(),
                                          fromCore(request.initialFolder), request.multiple);
  if (!chosen) return std::nullopt;
  std::vector<std::string> files;
  for (const QString& path : *chosen) files.push_back(toCore(path));
  return files;
}

std::string WindowRunFrontEnd::launch(const std::string& file, const std::string& parameters,
                                      const std::string& workingFolder) {
  return launcher_ ? launcher_(file, parameters, workingFolder) : std::string();
}

}  // namespace twinlens::ui
