#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "run/RunReport.h"

class QListWidget;

namespace twinlens::ui {

// Opens a folder in the desktop's file manager.
using FolderOpener = std::function<void(const QString& folder)>;

// The last run's report: every file it wrote and every program it started, and a way to open the
// folder of the one chosen.
class RunReportDialog : public QDialog {
  Q_OBJECT

 public:
  RunReportDialog(const std::vector<std::string>& written, const RunReport& report,
                  FolderOpener opener, QWidget* parent = nullptr);

  // Opens the folder of the chosen line, or of the first one when none is chosen.
  void openFolder();

 private:
  QListWidget* list_ = nullptr;
  FolderOpener opener_;
};

}  // namespace twinlens::ui
