#include "ui/AppFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "engine/Paths.h"
#include "platform/ProgramPath.h"
#include "ui/QtText.h"

namespace twinlens::ui {

AppFiles AppFiles::forProgram(const QString& programPath, const QString& configFolder) {
  const QFileInfo program(programPath);
  const QString base = fromCore(paths::noext(toCore(program.fileName())));
  QString folder = program.absolutePath();
  if (!QFileInfo(folder).isWritable()) {
    folder = configFolder;
    QDir().mkpath(folder);
  }
  const QString stem = QDir::toNativeSeparators(QDir(folder).filePath(base));
  return AppFiles{toCore(stem + QStringLiteral(".ini")), toCore(stem + QStringLiteral(".prs"))};
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
