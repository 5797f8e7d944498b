// The Qt window shows every control of the window model: under its parent, with its caption,
// items, initial value and hint.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "WindowFixture.h"
#include "ui/RadioGroup.h"
#include "window/ControlTable.h"

namespace twinlens::ui::test {
namespace {

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using ControlTableView = WindowFixture;

TEST_F(ControlTableView, ShowsEveryControlOfTheModelAsItDescribesIt) {
  auto* tabs = control<QTabWidget>(QStringLiteral("PageControl1"));
  int tab = 0;
  for (const window::Control& spec : window::controls()) {
    const QString name = qt(spec.name);
    SCOPED_TRACE(name.toStdString());
    QWidget* widget = window->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr);
    if (spec.kind == window::ControlKind::Tab) {
      // The tabs in the model's order, each titled by its caption.
      EXPECT_EQ(tabs->widget(tab), widget);
      EXPECT_EQ(tabs->tabText(tab++), qt(spec.caption));
      continue;
    }
    if (!spec.parent.empty()) {
      QWidget* parent = window->findChild<QWidget*>(qt(spec.parent));
      ASSERT_NE(parent, nullptr);
      EXPECT_TRUE(parent->isAncestorOf(widget));
    }
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) caption = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) caption = group->title();
    if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
    // A label without a caption shows what the program puts there (a chosen file).
    if (!spec.caption.empty()) {
      EXPECT_EQ(caption, qt(spec.caption));
    }
    if (auto* group = qobject_cast<RadioGroup*>(widget)) {
      ASSERT_EQ(group->count(), static_cast<int>(spec.options.size()));
      for (int i = 0; i < group->count(); ++i) {
        EXPECT_EQ(group->button(i)->text(), qt(spec.options[static_cast<std::size_t>(i)]));
      }
      EXPECT_EQ(QString::number(group->itemIndex()), qt(spec.initial));
    }
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
      EXPECT_EQ(box->count(), static_cast<int>(spec.options.size()));
      EXPECT_EQ(box->isEditable() ? box->currentText() : QString::number(box->currentIndex()),
                qt(spec.initial));
    }
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(field->text(), qt(spec.initial));
    }
    if (!spec.labelFor.empty()) {
      EXPECT_EQ(qobject_cast<QLabel*>(widget)->buddy(),
                window->findChild<QWidget*>(qt(spec.labelFor)));
    }
    EXPECT_EQ(widget->toolTip(), qt(window::tooltipOf(spec)));
    EXPECT_EQ(widget->statusTip(), qt(window::statusHintOf(spec)));
  }
  EXPECT_EQ(tab, tabs->count());
}

}  // namespace
}  // namespace twinlens::ui::test
