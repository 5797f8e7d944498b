// Renders the window on each of its tabs and the About box to PNG files, for review.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "ui/ABOUT.h"
#include "ui/MainScreen.h"

namespace {

// The window is never activated here, so it reads and writes no files and asks nothing.
class SilentPrompter : public twinlens::ui::UiPrompter {
 public:
  std::optional<QStringList> openFiles(const QString&, const QString&, const QString&,
                                       bool) override {
    return std::nullopt;
  }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&,
                                  const QString&) override {
    return std::nullopt;
  }
  void showError(const QString&) override {}
  void showInformation(const QString&) override {}
  bool askOkCancel(const QString&, const QString&) override { return false; }
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  QDir().mkpath(folder);

  SilentPrompter prompter;
  twinlens::ui::TSDIAppForm window(prompter, {}, "/home/user");
  window.show();
  QApplication::processEvents();  // let the layouts settle before the first picture
  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    QApplication::processEvents();
    const QString name = tabs->tabText(i).toLower().replace(u' ', u'-');
    const QString file = QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(i + 1).arg(name));
    if (!window.grab().save(file)) {
      std::fprintf(stderr, "Cannot write %s\n", qPrintable(file));
      return 1;
    }
    std::printf("%s\n", qPrintable(file));
  }
  twinlens::ui::TAboutBox* about = window.aboutBox();
  about->show();
  QApplication::processEvents();
  const QString file = QDir(folder).filePath(QStringLiteral("7-about.png"));
  if (!about->grab().save(file)) return 1;
  std::printf("%s\n", qPrintable(file));
  return 0;
}
