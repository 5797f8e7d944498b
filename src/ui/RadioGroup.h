#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QRadioButton;

namespace twinlens::ui {

// A captioned group of mutually exclusive options whose value is the zero-based index of the
// chosen option, -1 while none is chosen.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  RadioGroup(const QString& title, const QStringList& captions, int columns,
             QWidget* parent = nullptr);

  int count() const { return static_cast<int>(buttons_.buttons().size()); }
  int itemIndex() const { return buttons_.checkedId(); }
  // Clamps into -1 .. count-1.
  void setItemIndex(int index);
  QRadioButton* button(int index) const;

 signals:
  // The chosen option changed, by the user or by setItemIndex().
  void itemIndexChanged(int index);

 private:
  QButtonGroup buttons_;
};

}  // namespace twinlens::ui
