#include "ui/AppFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/ProgramPath.h"
#include "storage/ProgramFiles.h"
#include "ui/QtText.h"

namespace twinlens::ui {

AppFiles AppFiles::forProgram(const QString& programPath, const QString& configFolder) {
  const QFileInfo program(programPath);
  QString folder = program.absolutePath();
  if (!QFileInfo(folder).isWritable()) {
    folder = configFolder;
    QDir().mkpath(folder);
  }
  // Named after the program wherever they lie.
  const std::string named =
      toCore(QDir::toNativeSeparators(QDir(folder).filePath(program.fileName())));
  return AppFiles{settingsPathFor(named), presetsPathFor(named)};
}

namespace {

QString thisProgram() {
  const std::string path = platform::programPath();
  return path.empty() ? QCoreApplication::applicationFilePath() : fromCore(path);
}

}  // namespace

AppFiles AppFiles::forThisProgram() {
  return forProgram(thisProgram(),
                    QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

std::string AppFiles::programFolder() {
  return toCore(QDir::toNativeSeparators(QFileInfo(thisProgram()).absolutePath()));
}

}  // namespace twinlens::ui
