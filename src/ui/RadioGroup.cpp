#include "ui/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace twinlens::ui {

RadioGroup::RadioGroup(const QString& title, const QStringList& captions, int columns,
                       QWidget* parent)
    : QGroupBox(title, parent) {
  auto* grid = new QGridLayout(this);
  const int count = static_cast<int>(captions.size());
  columns = std::max(columns, 1);
  // The options run down the first column, then down the next.
  const int rows = (count + columns - 1) / columns;
  for (int i = 0; i < count; ++i) {
    auto* option = new QRadioButton(captions[i], this);
    buttons_.addButton(option, i);
    grid->addWidget(option, i % rows, i / rows);
  }
  grid->setRowStretch(rows, 1);
  connect(&buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) emit itemIndexChanged(id);
  });
}

void RadioGroup::setItemIndex(int index) {
  index = std::clamp(index, -1, count() - 1);
  if (index == itemIndex()) return;
  if (index >= 0) {
    buttons_.button(index)->setChecked(true);
    return;
  }
  // An exclusive group refuses to uncheck its last checked option.
  buttons_.setExclusive(false);
  buttons_.checkedButton()->setChecked(false);
  buttons_.setExclusive(true);
  emit itemIndexChanged(-1);
}

QRadioButton* RadioGroup::button(int index) const {
  return qobject_cast<QRadioButton*>(buttons_.button(index));
}

}  // namespace twinlens::ui
