#include "ui/QtUiPrompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/AppFiles.h"

namespace twinlens::ui {

namespace {

QStringList nativePaths(const QStringList& paths) {
  QStringList result;
  for (const QString& path : paths) result.append(QDir::toNativeSeparators(path));
  return result;
}

}  // namespace

QStringList QtUiPrompter::nameFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QString pattern = parts[i + 1];
#ifndef _WIN32
    // "*.*" means every file on Windows; elsewhere it would hide names without a dot.
    if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
#endif
    // QFileDialog takes the patterns from the parentheses of the description.
    const QString inParentheses = u'(' + pattern + u')';
    if (!description.contains(inParentheses)) description += u' ' + inParentheses;
    result.append(description);
  }
  return result;
}

std::optional<QStringList> QtUiPrompter::openFiles(const QString& title, const QString& filter,
                                                   const QString& folder, bool multiple) {
  QFileDialog dialog(QApplication::activeWindow(), title, folder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!filter.isEmpty()) dialog.setNameFilters(nameFilters(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return nativePaths(dialog.selectedFiles());
}

std::optional<QString> QtUiPrompter::saveFile(const QString& title, const QString& filter,
                                              const QString& folder,
                                              const QString& defaultExtension) {
  QFileDialog dialog(QApplication::activeWindow(), title, folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // A layout is written over an existing file without a question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(defaultExtension);
  if (!filter.isEmpty()) dialog.setNameFilters(nameFilters(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

void QtUiPrompter::showError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtUiPrompter::showInformation(const QString& text) {
  QMessageBox box(QMessageBox::Information, kApplicationTitle, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtUiPrompter::askOkCancel(const QString& title, const QString& text) {
  // Without a parent the box is centred on the screen.
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok | QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

}  // namespace twinlens::ui
