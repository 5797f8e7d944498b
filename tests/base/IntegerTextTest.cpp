#include "base/IntegerText.h"

#include <gtest/gtest.h>

#include "base/Error.h"
#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

struct Accepted {
  const char* text;
  std::int32_t value;
};

class IntegerTextAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(IntegerTextAccepts, Converts) {
  EXPECT_EQ(toInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IntegerTextAccepts,
    ::testing::Values(Accepted{"0", 0}, Accepted{"30000", 30000}, Accepted{"-3", -3},
                      Accepted{"+7", 7}, Accepted{"007", 7}, Accepted{"$1F", 31},
                      Accepted{"0x1f", 31}, Accepted{"0X10", 16}, Accepted{"-$10", -16},
                      Accepted{"2147483647", 2147483647}, Accepted{"-2147483648", -2147483647 - 1},
                      Accepted{"$7FFFFFFF", 2147483647}));

class IntegerTextRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(IntegerTextRejects, RaisesTheMessageWithTheText) {
  const std::string text = GetParam();
  EXPECT_EQ(test::messageOf([&] { toInteger(text); }),
            "'" + text + "' is not a valid integer value");
  EXPECT_FALSE(tryToInteger(text).has_value());
}

INSTANTIATE_TEST_SUITE_P(Forms, IntegerTextRejects,
                         ::testing::Values("", " ", " 5", "5 ", "12a", "abc", "-", "+", "$", "0x",
                                           "1.5", "2147483648", "-2147483649",
                                           "99999999999999999999", "$80000000", "--1", "0xG"));

TEST(ErrorDisplayText, AppendsAPeriodOnlyAfterALetterOrDigit) {
  EXPECT_EQ(Error::displayText("'x' is not a valid integer value"),
            "'x' is not a valid integer value.");
  EXPECT_EQ(Error::displayText("Unable to write to C:\\t\\a.ini"),
            "Unable to write to C:\\t\\a.ini.");
  EXPECT_EQ(Error::displayText("ends in a folder C:\\t\\"), "ends in a folder C:\\t\\");
  EXPECT_EQ(Error::displayText("ends in 9"), "ends in 9.");
  EXPECT_EQ(Error::displayText("already."), "already.");
  EXPECT_EQ(Error::displayText("quoted \"x\""), "quoted \"x\"");
  EXPECT_EQ(Error::displayText(""), "");
}

}  // namespace
}  // namespace twinlens
