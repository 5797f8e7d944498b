#pragma once

#include <QString>
#include <string>

namespace twinlens::ui {

// The program's name in its message boxes and the task bar.
inline const QString kApplicationTitle = QStringLiteral("Twinlens");

// Where the program keeps its settings and presets files.
struct AppFiles {
  std::string settingsPath;
  std::string presetsPath;

  // Both files are named after the program (<program>.ini, <program>.prs). A portable copy keeps
  // them beside itself; an installed program, whose folder the user cannot write, keeps them in
  // the user's configuration folder, so that closing the window can always save the settings.
  static AppFiles forProgram(const QString& programPath, const QString& configFolder);
  // The same for the running program, with the platform's configuration folder.
  static AppFiles forThisProgram();
  // The running program's folder, without a trailing separator.
  static std::string programFolder();
};

}  // namespace twinlens::ui
