#include <gtest/gtest.h>

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

}  // namespace
}  // namespace twinlens::ui::test
