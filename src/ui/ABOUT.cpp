#include "ui/ABOUT.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace twinlens::ui {

namespace {

QLabel* addLine(QLayout* layout, const QString& name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  layout->addWidget(label);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* lines = new QVBoxLayout(panel);
  QLabel* product = addLine(lines, QStringLiteral("ProductName"), QStringLiteral("Twinlens"));
  QFont bigger = product->font();
  bigger.setPointSizeF(bigger.pointSizeF() * 1.5);
  bigger.setBold(true);
  product->setFont(bigger);
  addLine(lines, QStringLiteral("Version"), QStringLiteral("Version 1.00"));
  addLine(lines, QStringLiteral("Copyright"),
          QStringLiteral("Copyright (C) 2026 the Twinlens developers"));
  QLabel* comments = addLine(
      lines, QStringLiteral("Comments"),
      QStringLiteral("Stereoscopic converter for conversion between different stereoscopic "
                     "formats and codecs. It exports avs files, but can automatically batch "
                     "encode in conjunction with FFmpeg or VirtualDub. Use it on your own risk."));
  comments->setWordWrap(true);
  comments->setFixedWidth(320);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addWidget(okButton_, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  okButton_->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace twinlens::ui
