// Renders the window on each of its tabs and the About box to PNG files, for review.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>

#include "platform/ProgramOutput.h"
#include "ui/ABOUT.h"
#include "ui/EncodeWindow.h"
#include "ui/MainScreen.h"
#include "ui/PreviewWindow.h"
#include "ui/RadioGroup.h"

namespace {

// The window is never activated here, so it reads and writes no settings files; the one dialog,
// the preview's, is answered with the clip made for it.
class SilentPrompter : public twinlens::ui::UiPrompter {
 public:
  QString clip;
  std::optional<QStringList> openFiles(const QString&, const QString&, const QString&,
                                       bool) override {
    if (clip.isEmpty()) return std::nullopt;
    return QStringList{clip};
  }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&,
                                  const QString&) override {
    return std::nullopt;
  }
  void showError(const QString&) override {}
  void showInformation(const QString&) override {}
  bool askOkCancel(const QString&, const QString&) override { return false; }
};

// Waits until the preview shows a frame and renders nothing more; false after half a minute.
bool settled(twinlens::ui::PreviewWindow& preview) {
  auto* clip = preview.findChild<QLabel*>(QStringLiteral("Label_Preview_Clip"));
  QElapsedTimer waited;
  waited.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!clip->text().isEmpty() && !clip->text().endsWith(QStringLiteral("(rendering...)")) &&
        !preview.picture().isNull()) {
      return true;
    }
  } while (waited.elapsed() < 30000);
  return false;
}

// The preview window on a side-by-side clip made with ffmpeg, whose right view stands 12 px to the
// side and 3 px higher: the converted frame, then the views' difference.
int previewShots(twinlens::ui::TSDIAppForm& window, SilentPrompter& prompter,
                 const QString& folder) {
  const QString clip = QDir(folder).filePath(QStringLiteral("preview-clip.mkv"));
  const twinlens::platform::ProgramOutput made = twinlens::platform::runProgram(
      {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=652x363:r=25:d=6",
       "-filter_complex", "split[a][b];[a]crop=640:360:12:3[l];[b]crop=640:360:0:0[r];[l][r]hstack",
       "-c:v", "ffv1", clip.toStdString()});
  if (made.exitCode != 0) {
    std::fprintf(stderr, "No preview pictures: ffmpeg cannot make the clip. %s\n",
                 made.errors.c_str());
    return 1;
  }
  prompter.clip = clip;
  const auto choose = [&](const char* group, int index) {
    window.findChild<twinlens::ui::RadioGroup*>(QString::fromLatin1(group))->setItemIndex(index);
  };
  choose("RadioGroup_Engine", 1);
  choose("RadioGroup_Input_Format", 1);   // side by side
  choose("RadioGroup_Output_Format", 2);  // over-under
  window.Preview1Click();
  twinlens::ui::PreviewWindow& preview = *window.previewWindow();
  preview.resize(760, 640);
  int shot = 8;
  for (const int mode : {0, 2}) {
    preview.findChild<QComboBox*>(QStringLiteral("ComboBox_Preview_Mode"))->setCurrentIndex(mode);
    if (!settled(preview)) {
      std::fprintf(stderr, "The preview showed no frame\n");
      return 1;
    }
    const QString file = QDir(folder).filePath(
        QStringLiteral("%1-preview-%2.png").arg(shot++).arg(mode == 0 ? "output" : "difference"));
    if (!preview.grab().save(file)) return 1;
    std::printf("%s\n", qPrintable(file));
  }
  // The headset view of the same clip read as VR180, looking a little up and to the right.
  choose("RadioGroup_Output_Format", 1);  // side by side
  choose("RadioGroup_Projection", 1);     // VR180
  preview.findChild<QSlider*>(QStringLiteral("TrackBar_Yaw"))->setValue(25);
  preview.findChild<QSlider*>(QStringLiteral("TrackBar_Pitch"))->setValue(10);
  preview.findChild<QComboBox*>(QStringLiteral("ComboBox_Preview_Mode"))->setCurrentIndex(4);
  QElapsedTimer waited;
  waited.start();
  // Two 16:9 windows side by side.
  const auto twoWindows = [&] {
    const QSize size = preview.picture().size();
    return size.height() > 0 && std::abs(size.width() * 9 - size.height() * 32) <= 32;
  };
  while (!twoWindows() && waited.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  if (!twoWindows() || !settled(preview)) {
    std::fprintf(stderr, "The preview showed no headset view\n");
    return 1;
  }
  QString file = QDir(folder).filePath(QStringLiteral("12-preview-headset.png"));
  if (!preview.grab().save(file)) return 1;
  std::printf("%s\n", qPrintable(file));

  // Playing the output, caught in the middle of the clip.
  choose("RadioGroup_Projection", 0);
  choose("RadioGroup_Output_Format", 2);
  preview.findChild<QComboBox*>(QStringLiteral("ComboBox_Preview_Mode"))->setCurrentIndex(0);
  if (!settled(preview)) return 1;
  auto* slider = preview.findChild<QSlider*>(QStringLiteral("TrackBar_Frame"));
  slider->setValue(25);
  if (!settled(preview)) return 1;
  preview.findChild<QPushButton*>(QStringLiteral("Button_Preview_Play"))->click();
  waited.restart();
  while (slider->value() < 75 && waited.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  if (slider->value() < 75) {
    std::fprintf(stderr, "The preview did not play\n");
    return 1;
  }
  file = QDir(folder).filePath(QStringLiteral("13-preview-playing.png"));
  if (!preview.grab().save(file)) return 1;
  std::printf("%s\n", qPrintable(file));
  preview.findChild<QPushButton*>(QStringLiteral("Button_Preview_Play"))->click();
  return 0;
}

// The encoding window shows what the encodes' behaviour tells it.
class EncodeShown : public twinlens::window::EncodeView {
 public:
  twinlens::ui::EncodeWindow* window = nullptr;
  void showEncodeWindow() override { window->show(); }
  void showEncodeState(const twinlens::window::EncodeState& state) override {
    window->showState(state);
  }
  void openFolder(const std::string&) override {}
};

// The encoding window during the second of three clips, the first encoded: followed through a
// runner that says what the ffmpeg engine's runner says and reports as ffmpeg does, then waits.
int encodeShots(const QString& folder) {
  const std::string runner =
      QDir(folder).absoluteFilePath(QStringLiteral("encode-runner.sh")).toStdString();
  if (std::FILE* out = std::fopen(runner.c_str(), "w")) {
    std::fputs(
        "echo 'Encoding 3 clips, 750 frames'\n"
        "echo 'Encoding clip 1 of 3 (250 frames): trip_LR.mkv'\n"
        "echo 'Encoding clip 2 of 3 (250 frames): beach_LR.mkv'\n"
        "printf 'frame=150\\nfps=48.0\\nprogress=continue\\n' > \"$TWINLENS_PROGRESS\"\n"
        "sleep 30\n",
        out);
    std::fclose(out);
  }
  EncodeShown shown;
  twinlens::window::EncodeModel model(shown);
  twinlens::ui::EncodeWindow window(model, nullptr);
  shown.window = &window;
  const std::string clips = QDir(folder).absolutePath().toStdString() + "/";
  if (!model
           .start({runner,
                   "",
                   clips,
                   {{clips + "trip_LR.mkv"}, {clips + "beach_LR.mkv"}, {clips + "hill_LR.mkv"}}})
           .empty()) {
    return 1;
  }
  QElapsedTimer waited;
  waited.start();
  while (model.state().timeLeft.empty() && waited.elapsed() < 10000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    model.tick();
  }
  const QString file = QDir(folder).filePath(QStringLiteral("10-encoding.png"));
  const bool saved = window.grab().save(file);
  model.Button_CancelClick();
  std::remove(runner.c_str());
  if (!saved || model.state().results.empty()) return 1;
  std::printf("%s\n", qPrintable(file));
  return 0;
}

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
  const QString file = QDir(folder).filePath(QStringLiteral("11-about.png"));
  if (!about->grab().save(file)) return 1;
  std::printf("%s\n", qPrintable(file));
  about->hide();
  if (previewShots(window, prompter, folder) != 0) return 1;
  return encodeShots(folder);
}
