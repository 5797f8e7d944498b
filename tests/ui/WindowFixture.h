#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QString>
#include <memory>

#include "ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/MainScreen.h"

namespace twinlens::ui::test {

// A window whose settings and presets files lie in a fresh folder, with scripted dialogs.
class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture();
  ~WindowFixture() override;

  // Creates the window (again); the files stay.
  void createWindow();
  // The first activation: presets, preset list, settings file.
  void activate() { window->FormActivate(); }

  template <typename W = QWidget>
  W* control(const QString& name) const {
    W* widget = window->findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }

  // Types into a field as the user does: every key pressed and released in it.
  void type(const QString& field, const QString& text);
  // Empties a field with a Backspace per character, each released in the field.
  void erase(const QString& field);
  // Clicks a check box or an option of a choice group.
  void click(const QString& checkBox);
  void choose(const QString& radioGroup, int option);

  std::string programFolder() const { return folder.path().string(); }

  twinlens::test::TempDir folder;
  AppFiles files;
  ScriptedPrompter prompter;
  std::unique_ptr<TSDIAppForm> window;
};

}  // namespace twinlens::ui::test
