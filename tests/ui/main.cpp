#include <gtest/gtest.h>

#include <QApplication>

#include "ui/AppFiles.h"

// The window tests need a QApplication; they run on the offscreen platform.
int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QApplication::setApplicationName(twinlens::ui::kApplicationTitle);
  return RUN_ALL_TESTS();
}
