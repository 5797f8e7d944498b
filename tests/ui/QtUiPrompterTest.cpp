#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "support/TempDir.h"
#include "ui/QtUiPrompter.h"

namespace twinlens::ui::test {
namespace {

struct Filter {
  const char* given;
  QStringList expected;
};

class NameFilters : public ::testing::TestWithParam<Filter> {};

TEST_P(NameFilters, TurnDescriptionPatternPairsIntoFileDialogFilters) {
  EXPECT_EQ(QtUiPrompter::nameFilters(QString::fromLatin1(GetParam().given)), GetParam().expected);
}

#ifdef _WIN32
#define EVERY_FILE "(*.*)"
#else
#define EVERY_FILE "(*)"
#endif

INSTANTIATE_TEST_SUITE_P(
    Window, NameFilters,
    ::testing::Values(
        Filter{"", {}}, Filter{"All Files (*.*)|*.*", {"All Files " EVERY_FILE}},
        Filter{"Exe Files (*.exe)|*.exe|All files (*.*)|*.*",
               {"Exe Files (*.exe)", "All files " EVERY_FILE}},
        Filter{"Layout files (*.lay)|*.lay|All files (*.*)|*.*",
               {"Layout files (*.lay)", "All files " EVERY_FILE}},
        // A description that does not show its pattern gets it appended for the dialog.
        Filter{"Scripts|*.avs", {"Scripts (*.avs)"}}));

// Answers the next modal file dialog from inside its own loop.
void answerFileDialog(const std::function<void(QFileDialog&)>& answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

TEST(QtUiPrompter, OpenDialogShowsTitleFolderAndFiltersAndReturnsNativePaths) {
  twinlens::test::TempDir folder;
  twinlens::test::writeBytes(folder.file("a.vcf"), "");
  twinlens::test::writeBytes(folder.file("b.vcf"), "");
  const QString dir = QString::fromStdString(folder.path().string());
  QtUiPrompter prompter;
  answerFileDialog([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select VirtualDub vcf file"));
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(dir).canonicalPath());
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog.nameFilters().size(), 2);
    dialog.selectFile(QStringLiteral("\"a.vcf\" \"b.vcf\""));
    static_cast<QDialog&>(dialog).accept();
  });
  const auto chosen =
      prompter.openFiles(QStringLiteral("Select VirtualDub vcf file"),
                         QStringLiteral("Exe Files (*.exe)|*.exe|All files (*.*)|*.*"), dir, true);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, (QStringList{QDir::toNativeSeparators(QDir(dir).filePath("a.vcf")),
                                  QDir::toNativeSeparators(QDir(dir).filePath("b.vcf"))}));
}

TEST(QtUiPrompter, CancelledOpenDialogGivesNothing) {
  QtUiPrompter prompter;
  answerFileDialog([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(
      prompter.openFiles(QStringLiteral("Select the layout file"), QString(), QString(), false));
}

TEST(QtUiPrompter, SaveDialogAddsTheDefaultExtension) {
  twinlens::test::TempDir folder;
  const QString dir = QString::fromStdString(folder.path().string());
  QtUiPrompter prompter;
  answerFileDialog([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    dialog.selectFile(QStringLiteral("mine"));
    static_cast<QDialog&>(dialog).accept();
  });
  const auto chosen = prompter.saveFile(
      QStringLiteral("Select filename for saving the current layout"),
      QStringLiteral("Layout files (*.lay)|*.lay|All files (*.*)|*.*"), dir, QStringLiteral("lay"));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, QDir::toNativeSeparators(QDir(dir).filePath("mine.lay")));
}

// Presses a button of the next message box and reports what the box showed.
void answerMessageBox(QMessageBox::StandardButton press, QString* shown) {
  QTimer::singleShot(0, [press, shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    *shown = box->windowTitle() + u'|' + box->text();
    if (box->standardButtons() == (QMessageBox::Ok | QMessageBox::Cancel)) *shown += "|OK,Cancel";
    box->button(press)->click();
  });
}

TEST(QtUiPrompter, ErrorsShowInABoxTitledWithTheProgramsName) {
  QtUiPrompter prompter;
  QString shown;
  answerMessageBox(QMessageBox::Ok, &shown);
  prompter.showError(QStringLiteral("'x' is not a valid integer value."));
  EXPECT_EQ(shown, QStringLiteral("Twinlens|'x' is not a valid integer value."));
}

TEST(QtUiPrompter, TheQuestionGoesOnOnlyWithOk) {
  QtUiPrompter prompter;
  for (const auto& [press, expected] :
       {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
    QString shown;
    answerMessageBox(press, &shown);
    EXPECT_EQ(prompter.askOkCancel(QStringLiteral("Error"), QStringLiteral("Delete?")), expected);
    EXPECT_EQ(shown, QStringLiteral("Error|Delete?|OK,Cancel"));
  }
}

}  // namespace
}  // namespace twinlens::ui::test
