#include "ui/EncodeWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/QtText.h"

namespace twinlens::ui {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

EncodeWindow::EncodeWindow(window::EncodeModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
  setObjectName(QStringLiteral("EncodeForm"));
  setWindowTitle(QStringLiteral("Encoding"));
  clip_ = named(new QLabel, "Label_Encode_Clip");
  clipBar_ = named(new QProgressBar, "ProgressBar_Clip");
  allBar_ = named(new QProgressBar, "ProgressBar_All");
  allBar_->setFormat(QStringLiteral("All clips: %p%"));
  timeLeft_ = named(new QLabel, "Label_Time_Left");
  results_ = named(new QListWidget, "ListBox_Results");
  cancel_ = named(new QPushButton(QStringLiteral("Cancel")), "Button_Cancel");
  openFolder_ = named(new QPushButton(QStringLiteral("Open folder")), "Button_Open_Folder");
  close_ = named(new QPushButton(QStringLiteral("Close")), "Button_Close");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {cancel_, openFolder_, close_}) buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(clip_);
  layout->addWidget(clipBar_);
  layout->addWidget(allBar_);
  layout->addWidget(timeLeft_);
  layout->addWidget(results_, 1);
  layout->addLayout(buttons);
  resize(560, 360);

  connect(cancel_, &QPushButton::clicked, this, [this] { model_.Button_CancelClick(); });
  connect(openFolder_, &QPushButton::clicked, this, [this] { model_.Button_Open_FolderClick(); });
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void EncodeWindow::showState(const window::EncodeState& state) {
  clip_->setText(fromCore(state.clip));
  clipBar_->setValue(state.clipPercent);
  allBar_->setValue(state.percent);
  timeLeft_->setText(fromCore(state.timeLeft));
  results_->clear();
  for (const std::string& line : state.results) results_->addItem(fromCore(line));
  cancel_->setEnabled(state.running);
  openFolder_->setEnabled(!state.running);
  close_->setEnabled(!state.running);
}

void EncodeWindow::closeEvent(QCloseEvent* event) {
  if (model_.running()) model_.Button_CancelClick();
  event->accept();
}

}  // namespace twinlens::ui
