#include "ui/RunReportDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Paths.h"
#include "ui/QtText.h"

namespace twinlens::ui {

namespace {

QListWidgetItem* lineFor(QListWidget* list, const QString& text, const std::string& path) {
  auto* item = new QListWidgetItem(text, list);
  item->setData(Qt::UserRole, fromCore(paths::dir(path)));
  return item;
}

}  // namespace

RunReportDialog::RunReportDialog(const std::vector<std::string>& written, const RunReport& report,
                                 FolderOpener opener, QWidget* parent)
    : QDialog(parent), opener_(std::move(opener)) {
  setObjectName(QStringLiteral("RunReport"));
  setWindowTitle(QStringLiteral("Last run report"));
  auto* layout = new QVBoxLayout(this);
  auto* summary = new QLabel(fromCore(report.statusText()), this);
  summary->setObjectName(QStringLiteral("RunReportSummary"));
  summary->setWordWrap(true);
  layout->addWidget(summary);

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("RunReportList"));
  for (const std::string& path : written) lineFor(list_, "Wrote " + fromCore(path), path);
  for (const RunReport::Program& program : report.programs()) {
    QString text = program.failure.empty() ? "Started " + fromCore(program.file)
                                           : "Could not start " + fromCore(program.file) + ": " +
                                                 fromCore(program.failure);
    if (program.failure.empty() && !program.workingFolder.empty()) {
      text += " in " + fromCore(program.workingFolder);
    }
    lineFor(list_, text, program.file);
  }
  for (const RunReport::Note& note : report.notes()) {
    lineFor(list_, "Note on " + fromCore(note.clip) + ": " + fromCore(note.text), note.clip);
  }
  layout->addWidget(list_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* open =
      buttons->addButton(QStringLiteral("Open folder"), QDialogButtonBox::ActionRole);
  open->setObjectName(QStringLiteral("RunReportOpenFolder"));
  open->setEnabled(list_->count() > 0);
  connect(open, &QPushButton::clicked, this, &RunReportDialog::openFolder);
  connect(list_, &QListWidget::itemActivated, this, &RunReportDialog::openFolder);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(640, 360);
}

void RunReportDialog::openFolder() {
  if (list_->count() == 0 || !opener_) return;
  const QListWidgetItem* item = list_->currentItem() ? list_->currentItem() : list_->item(0);
  opener_(item->data(Qt::UserRole).toString());
}

}  // namespace twinlens::ui
