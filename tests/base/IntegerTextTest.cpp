#include "base/IntegerText.h"

#include <gtest/gtest.h>

#include <utility>

#include "base/DecimalText.h"
#include "base/Error.h"
#include "base/Rational.h"
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

// Decimal numbers as typed: what is taken, and what is refused.
TEST(DecimalText, TakesSignedDecimalsAndNothingElse) {
  const std::pair<const char*, double> taken[] = {
      {"0", 0}, {"-12.5", -12.5}, {"+2", 2}, {".75", 0.75}, {"3.", 3}, {"-0.004", -0.004}};
  for (const auto& [text, value] : taken) EXPECT_EQ(tryToDecimal(text), value) << text;
  for (const char* text :
       {"", " ", "-", ".", "-.", "1e3", "inf", "nan", " 1", "1 ", "1,5", "1.2.3", "0x10", "--1"}) {
    EXPECT_EQ(tryToDecimal(text), std::nullopt) << text;
  }
  EXPECT_EQ(test::messageOf([] { toDecimal("1,5"); }), "'1,5' is not a valid number");
}

// A frame rate written as a decimal too large for its fraction's scale is no rate, not an
// overflow.
TEST(RationalText, ADecimalTooLargeForItsScaleIsNone) {
  EXPECT_EQ(Rational::parse("9352000000.000000000"), std::nullopt);
  EXPECT_EQ(Rational::parse("29.97"), (Rational{2997, 100}));
  EXPECT_EQ(Rational::parse("999999999999.5"), (Rational{1999999999999, 2}));
}

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
