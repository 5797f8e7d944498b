#pragma once

#include <QDialog>

class QPushButton;

namespace twinlens::ui {

// The About box: product, version, copyright and description, closed with "OK".
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QPushButton* OKButton() const { return okButton_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QPushButton* okButton_;
};

}  // namespace twinlens::ui
