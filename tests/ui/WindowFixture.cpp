#include "WindowFixture.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>

#include "ui/RadioGroup.h"

namespace twinlens::ui::test {

WindowFixture::WindowFixture() : files{folder.file("twinlens.ini"), folder.file("twinlens.prs")} {
  createWindow();
}

WindowFixture::~WindowFixture() = default;

void WindowFixture::createWindow() {
  window.reset();
  window = std::make_unique<TSDIAppForm>(prompter, files, programFolder());
  window->show();
}

void WindowFixture::type(const QString& field, const QString& text) {
  QTest::keyClicks(control<QLineEdit>(field), text);
}

void WindowFixture::erase(const QString& field) {
  auto* edit = control<QLineEdit>(field);
  edit->end(false);
  while (!edit->text().isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
}

void WindowFixture::click(const QString& checkBox) {
  control<QCheckBox>(checkBox)->click();
}

void WindowFixture::choose(const QString& radioGroup, int option) {
  control<RadioGroup>(radioGroup)->button(option)->click();
}

}  // namespace twinlens::ui::test
