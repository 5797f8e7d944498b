#include <QApplication>

#include "base/Paths.h"
#include "platform/ProgramPath.h"
#include "storage/ProgramFiles.h"
#include "ui/AppFiles.h"
#include "ui/MainScreen.h"
#include "ui/QtUiPrompter.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(twinlens::ui::kApplicationTitle);

  const twinlens::ui::AppFiles files = twinlens::ui::AppFiles::forThisProgram();
  // A first start gets the presets installed with the program.
  twinlens::provideDefaultPresets(
      files.presetsPath, twinlens::defaultPresetsPathFor(twinlens::platform::programPath()));
  twinlens::ui::QtUiPrompter prompter;
  twinlens::ui::TSDIAppForm window(prompter, files, twinlens::ui::AppFiles::programFolder());
  window.show();
  return application.exec();
}
