// The preview window of the Qt window: opened from the button below the tabs on a side-by-side
// file, it shows the converted frame, follows its slider and renders anew when a setting changes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cmath>

#include "WindowFixture.h"
#include "model/Choices.h"
#include "platform/ProgramOutput.h"
#include "ui/PreviewWindow.h"

namespace twinlens::ui::test {
namespace {

class PreviewWindowTest : public WindowFixture {
 protected:
  // The window set for the ffmpeg engine on a side-by-side file, made into `output`, with
  // `clip` the answer to the preview's dialog.
  void chooseSideBySide(const std::string& clip, choices::OutputFormat output) {
    activate();
    choose(QStringLiteral("RadioGroup_Engine"), 1);
    choose(QStringLiteral("RadioGroup_Input_Format"),
           choices::itemIndex(choices::InputFormat::SideBySide));
    choose(QStringLiteral("RadioGroup_Output_Format"), choices::itemIndex(output));
    prompter.openAnswers = {QStringList{QString::fromStdString(clip)}};
  }
};

// The mean difference of two equal-sized pictures' channels.
double meanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB888);
  const QImage y = b.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    for (int i = 0; i < x.width() * 3; ++i)
      sum += std::abs(x.scanLine(row)[i] - y.scanLine(row)[i]);
  }
  return sum / (x.width() * 3.0 * x.height());
}

TEST_F(PreviewWindowTest, ShowsTheConvertedFrameFollowsItsSliderAndTheSettings) {
  const std::string clip = folder.file("sbs.mkv");
  const platform::ProgramOutput made = platform::runProgram(
      {"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=160x90:r=25:d=3", "-filter_complex",
       "split[l][r];[r]hue=h=120[c];[l][c]hstack", "-c:v", "ffv1", clip});
  if (!made.started) GTEST_SKIP() << "no ffmpeg here";
  ASSERT_EQ(made.exitCode, 0) << made.errors;
  chooseSideBySide(clip, choices::OutputFormat::OverUnder);

  control<QPushButton>(QStringLiteral("Button_Preview"))->click();
  PreviewWindow* preview = window->previewWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(prompter.dialogs.size(), 1);
  auto* label = preview->findChild<QLabel*>(QStringLiteral("Label_Preview_Clip"));
  const auto shows = [&](const QString& caption) {
    return QTest::qWaitFor([&] { return label->text() == caption; }, 30000);
  };
  ASSERT_TRUE(shows(QStringLiteral("sbs.mkv: frame 0 of 75"))) << label->text().toStdString();
  const QImage first = preview->picture();
  EXPECT_EQ(first.size(), QSize(160, 180));

  preview->findChild<QSlider*>(QStringLiteral("TrackBar_Frame"))->setValue(40);
  ASSERT_TRUE(shows(QStringLiteral("sbs.mkv: frame 40 of 75"))) << label->text().toStdString();
  const QImage later = preview->picture();
  EXPECT_GT(meanDifference(later, first), 1.0);

  // "Reverse" in the main window puts the right view on top once the pause has passed.
  control<QCheckBox>(QStringLiteral("CheckBox_Reverse_LR"))->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview->picture() != later; }, 30000));
  ASSERT_TRUE(shows(QStringLiteral("sbs.mkv: frame 40 of 75")));
  const QImage reversed = preview->picture();
  EXPECT_LT(meanDifference(reversed.copy(0, 0, 160, 90), later.copy(0, 90, 160, 90)), 1.0);
  EXPECT_GT(meanDifference(reversed, later), 10.0);

  // Closed, it renders nothing more.
  preview->close();
  control<QCheckBox>(QStringLiteral("CheckBox_Reverse_LR"))->click();
  QTest::qWait(1000);
  EXPECT_EQ(preview->picture(), reversed);
}

// The headset view looks into a VR output where its sliders say, and they are there only in it.
TEST_F(PreviewWindowTest, TheHeadsetViewLooksWhereItsSlidersSay) {
  const std::string clip = folder.file("vr.mkv");
  const platform::ProgramOutput made =
      platform::runProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                            "testsrc2=s=720x360:r=25:d=1", "-c:v", "ffv1", clip});
  if (!made.started) GTEST_SKIP() << "no ffmpeg here";
  ASSERT_EQ(made.exitCode, 0) << made.errors;
  chooseSideBySide(clip, choices::OutputFormat::SideBySide);
  choose(QStringLiteral("RadioGroup_Projection"), choices::itemIndex(choices::Projection::VR180));
  control<QPushButton>(QStringLiteral("Button_Preview"))->click();
  PreviewWindow* preview = window->previewWindow();
  ASSERT_NE(preview, nullptr);
  auto* yaw = preview->findChild<QSlider*>(QStringLiteral("TrackBar_Yaw"));
  ASSERT_NE(yaw, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->picture().isNull(); }, 30000));
  EXPECT_FALSE(yaw->isVisible());

  preview->findChild<QComboBox*>(QStringLiteral("ComboBox_Preview_Mode"))->setCurrentIndex(4);
  auto* message = preview->findChild<QLabel*>(QStringLiteral("Label_Preview_Message"));
  // Two 16:9 windows side by side, no larger than the room the window has.
  const auto twoWindows = [&] {
    const QSize size = preview->picture().size();
    return size.height() > 0 && std::abs(size.width() * 9 - size.height() * 32) <= 32 &&
           size.width() <= 1600;
  };
  ASSERT_TRUE(QTest::qWaitFor(twoWindows, 30000)) << message->text().toStdString();
  EXPECT_TRUE(yaw->isVisible());
  const QImage ahead = preview->picture();
  yaw->setValue(90);
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview->picture() != ahead; }, 30000));
  EXPECT_GT(meanDifference(preview->picture(), ahead), 10.0);
}

// Play, pause and step, from the buttons and the keys: the slider follows the frames played.
TEST_F(PreviewWindowTest, PlaysPausesAndStepsFromItsButtonsAndKeys) {
  const std::string clip = folder.file("sbs.mkv");
  const platform::ProgramOutput made = platform::runProgram(
      {"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=320x90:r=25:d=8", "-f", "lavfi",
       "-i", "sine=d=8", "-c:v", "ffv1", "-c:a", "pcm_s16le", clip});
  if (!made.started) GTEST_SKIP() << "no ffmpeg here";
  ASSERT_EQ(made.exitCode, 0) << made.errors;
  chooseSideBySide(clip, choices::OutputFormat::SideBySide);
  control<QPushButton>(QStringLiteral("Button_Preview"))->click();
  PreviewWindow* preview = window->previewWindow();
  ASSERT_NE(preview, nullptr);
  auto* slider = preview->findChild<QSlider*>(QStringLiteral("TrackBar_Frame"));
  auto* play = preview->findChild<QPushButton*>(QStringLiteral("Button_Preview_Play"));
  ASSERT_NE(play, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return play->isEnabled(); }, 30000));
  EXPECT_EQ(play->text(), QStringLiteral("Play"));

  play->click();
  EXPECT_EQ(play->text(), QStringLiteral("Pause"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return slider->value() >= 20; }, 30000));
  const QImage playing = preview->picture();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview->picture() != playing; }, 5000));
  // The space bar pauses; the slider stays where the picture is.
  QTest::keyClick(preview, Qt::Key_Space);
  EXPECT_EQ(play->text(), QStringLiteral("Play"));
  const int paused = slider->value();
  QTest::qWait(300);
  EXPECT_EQ(slider->value(), paused);
  QTest::keyClick(preview, Qt::Key_Right);
  EXPECT_EQ(slider->value(), paused + 1);
  preview->findChild<QPushButton*>(QStringLiteral("Button_Preview_Back"))->click();
  preview->findChild<QPushButton*>(QStringLiteral("Button_Preview_Back"))->click();
  EXPECT_EQ(slider->value(), paused - 1);
  auto* label = preview->findChild<QLabel*>(QStringLiteral("Label_Preview_Clip"));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return label->text() == QString("sbs.mkv: frame %1 of 200").arg(paused - 1); }, 30000))
      << label->text().toStdString();
  // Left playing: the window goes with the main window, and nothing plays on.
  play->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return slider->value() > paused + 2; }, 30000));
}

}  // namespace
}  // namespace twinlens::ui::test
