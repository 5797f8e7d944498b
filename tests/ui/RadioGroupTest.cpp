#include <gtest/gtest.h>

#include <QRadioButton>
#include <QSignalSpy>

#include "ui/RadioGroup.h"

namespace twinlens::ui::test {
namespace {

struct Clamp {
  int given;
  int expected;
};

class RadioGroupIndex : public ::testing::TestWithParam<Clamp> {};

TEST_P(RadioGroupIndex, IsClampedIntoMinusOneToTheLastOption) {
  RadioGroup group(QStringLiteral("Input Format"), {"a", "b", "c", "d"}, 1);
  group.setItemIndex(1);
  group.setItemIndex(GetParam().given);
  EXPECT_EQ(group.itemIndex(), GetParam().expected);
  for (int i = 0; i < group.count(); ++i) {
    EXPECT_EQ(group.button(i)->isChecked(), i == GetParam().expected) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Window, RadioGroupIndex,
                         ::testing::Values(Clamp{0, 0}, Clamp{3, 3}, Clamp{7, 3}, Clamp{-1, -1},
                                           Clamp{-5, -1}));

TEST(RadioGroup, ReportsEveryChangeOnce) {
  RadioGroup group(QStringLiteral("Pitch"), {"No change", "Change pitch"}, 2);
  QSignalSpy changes(&group, &RadioGroup::itemIndexChanged);
  group.setItemIndex(1);
  group.button(0)->click();
  group.setItemIndex(-1);
  group.setItemIndex(-1);
  ASSERT_EQ(changes.size(), 3);
  EXPECT_EQ(changes[0][0].toInt(), 1);
  EXPECT_EQ(changes[1][0].toInt(), 0);
  EXPECT_EQ(changes[2][0].toInt(), -1);
  // After nothing was chosen, an option can be chosen again.
  group.button(1)->click();
  EXPECT_EQ(group.itemIndex(), 1);
}

}  // namespace
}  // namespace twinlens::ui::test
