#include <gtest/gtest.h>

#include <QDir>

#include "support/TempDir.h"
#include "ui/AppFiles.h"

namespace twinlens::ui::test {
namespace {

QString native(const std::string& path) {
  return QDir::toNativeSeparators(QString::fromStdString(path));
}

TEST(AppFiles, LieBesideAProgramInAWritableFolderNamedAfterIt) {
  twinlens::test::TempDir folder;
  const AppFiles files =
      AppFiles::forProgram(native(folder.file("copy.of.twinlens")), native(folder.file("cfg")));
  EXPECT_EQ(QString::fromStdString(files.settingsPath), native(folder.file("copy.of.ini")));
  EXPECT_EQ(QString::fromStdString(files.presetsPath), native(folder.file("copy.of.prs")));
}

TEST(AppFiles, MoveToTheConfigurationFolderWhenTheProgramsFolderCannotBeWritten) {
  twinlens::test::TempDir folder;
  const AppFiles files = AppFiles::forProgram(native(folder.file("missing/bin/twinlens.exe")),
                                              native(folder.file("config/Twinlens")));
  EXPECT_EQ(QString::fromStdString(files.settingsPath),
            native(folder.file("config/Twinlens/twinlens.ini")));
  EXPECT_EQ(QString::fromStdString(files.presetsPath),
            native(folder.file("config/Twinlens/twinlens.prs")));
  EXPECT_TRUE(QDir(native(folder.file("config/Twinlens"))).exists());
}

}  // namespace
}  // namespace twinlens::ui::test
