#include "storage/IniText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace twinlens {
namespace {

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

class IniTextRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniTextRead, FindsTheValue) {
  const auto& c = GetParam();
  const IniText text(c.text);
  EXPECT_EQ(text.value(c.section, c.key), c.expected);
  EXPECT_EQ(text.lookup().value(c.section, c.key), c.expected);  // many keys read at once
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, IniTextRead,
    ::testing::Values(
        ReadCase{"Plain", "[Input]\r\nFormat=2\r\n", "Input", "Format", "2"},
        ReadCase{"SectionAndKeyIgnoreCase", "[INPUT]\r\nformat=2\r\n", "input", "FORMAT", "2"},
        ReadCase{"BlanksTrimmed", "[S]\r\n  Key \t=  a b  \t\r\n", "S", "Key", "a b"},
        ReadCase{"DoubleQuotesStripped", "[S]\r\nk=\"-c:v utvideo\"\r\n", "S", "k", "-c:v utvideo"},
        ReadCase{"SingleQuotesStripped", "[S]\r\nk= 'x' \r\n", "S", "k", "x"},
        ReadCase{"OnlyOnePairStripped", "[S]\r\nk=\"\"x\"\"\r\n", "S", "k", "\"x\""},
        ReadCase{"MismatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
        ReadCase{"OpeningQuoteOnlyKept", "[S]\r\nk=\"18|1|\r\n", "S", "k", "\"18|1|"},
        ReadCase{"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        ReadCase{"ValueAfterFirstEquals", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        ReadCase{"EmptyValue", "[S]\r\nk=\r\n", "S", "k", ""},
        ReadCase{"MissingKey", "[S]\r\nk=1\r\n", "S", "j", std::nullopt},
        ReadCase{"MissingSection", "[S]\r\nk=1\r\n", "T", "k", std::nullopt},
        ReadCase{"KeyOfAnotherSection", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", std::nullopt},
        ReadCase{"KeyBeforeAnySection", "k=1\r\n[S]\r\n", "S", "k", std::nullopt},
        ReadCase{"FirstDuplicateKeyWins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
        ReadCase{"FirstDuplicateSectionWins", "[S]\r\n[s]\r\nk=2\r\n", "S", "k", std::nullopt},
        ReadCase{"IndentedHeader", "  [S]  \r\nk=1\r\n", "S", "k", "1"},
        ReadCase{"BlanksInsideBrackets", "[ S ]\r\nk=1\r\n", "S", "k", "1"},
        ReadCase{"HeaderRunsToLastBracket", "[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
        ReadCase{"UnclosedHeaderIsNoSection", "[S]\r\n[T\r\nk=1\r\n", "S", "k", "1"},
        ReadCase{"CommentIsNoKey", "[S]\r\n;k=1\r\n", "S", ";k", std::nullopt},
        ReadCase{"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\nk=2\r\n", "S", "k", "2"},
        ReadCase{"LfAndLoneCr", "[S]\nj=1\rk=2", "S", "k", "2"},
        ReadCase{"NoFinalLineEnd", "[S]\r\nk=last", "S", "k", "last"},
        ReadCase{"NulBytesAreText", std::string("[S]\r\nk=a\0b\r\n", 11), "S", "k",
                 std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniText, CutsValuesAt2047CharactersAfterStrippingQuotes) {
  const std::string longValue(3000, 'v');
  const IniText text("[S]\r\nk=\"" + longValue + "\"\r\nj=" + std::string(2047, 'w') + "\r\n");
  EXPECT_EQ(text.value("S", "k"), std::string(2047, 'v'));
  EXPECT_EQ(text.value("S", "j"), std::string(2047, 'w'));
}

TEST(IniText, ListsKeysInFileOrderOnceEach) {
  const IniText text(
      "k0=x\r\n[P]\r\nutvideo=a\r\n;note\r\nx264 = b\r\nUTVIDEO=c\r\n[Q]\r\nq=1\r\n");
  EXPECT_EQ(text.keys("p"), (std::vector<std::string>{"utvideo", "x264"}));
  EXPECT_TRUE(text.keys("R").empty());
}

TEST(IniText, KeyListStopsAtTheFirstNameThatDoesNotFitIn16KB) {
  // 1000 names of 15 characters take 16000 bytes with their terminators; a 384-byte name is one
  // byte too long for the rest, and the short name after it is not listed either.
  std::string file = "[P]\r\n";
  for (int i = 0; i < 1000; ++i) {
    std::string name = "preset" + std::to_string(100000000 + i);
    file += name + "=x\r\n";
  }
  file += std::string(384, 'L') + "=x\r\nshort=x\r\n";
  auto names = IniText(file).keys("P");
  ASSERT_EQ(names.size(), 1000u);
  EXPECT_EQ(names.back(), "preset100000999");

  file = "[P]\r\n" + std::string(16383, 'n') + "=x\r\nx=y\r\n";
  names = IniText(file).keys("P");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].size(), 16383u);
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

class IniTextWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniTextWrite, ChangesOnlyWhatItMust) {
  const auto& c = GetParam();
  IniText text(c.before);
  text.set(c.section, c.key, c.value);
  EXPECT_EQ(text.text(), c.after);
  EXPECT_EQ(text.value(c.section, c.key), IniText::readBack(c.value));
  // Set among others at once, it lands where it lands alone.
  IniText many(c.before);
  many.set({{c.section, c.key, "first"}, {c.section, c.key, c.value}});
  EXPECT_EQ(many.text(), c.after);
}

// Many values at once give what setting each in turn gives: keys a section gains follow its
// last key in order, new sections follow at the end, and a key set twice keeps the last value.
TEST(IniText, ManyValuesAtOnceAsOneByOne) {
  const std::string before = "x=0\r\n[S]\r\na=1\r\n; note\r\n[T]\r\n[s]\r\nb=2\r\n";
  const std::vector<IniText::Change> changes{{"U", "u", "1"}, {"S", "b", "3"}, {"T", "t", "4"},
                                             {"s", "A", "5"}, {"u", "v", "6"}, {"S", "c", "7"},
                                             {"U", "u", "8"}, {"W", "w", "9"}};
  IniText oneByOne(before);
  for (const IniText::Change& change : changes) {
    oneByOne.set(change.section, change.key, change.value);
  }
  IniText many(before);
  many.set(changes);
  EXPECT_EQ(many.text(), oneByOne.text());
  EXPECT_EQ(many.text(),
            "x=0\r\n[S]\r\na=5\r\nb=3\r\nc=7\r\n; note\r\n[T]\r\nt=4\r\n[s]\r\nb=2\r\n"
            "[U]\r\nu=8\r\nv=6\r\n[W]\r\nw=9\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Writes, IniTextWrite,
    ::testing::Values(
        WriteCase{"CreatesTheFirstSection", "", "Input", "Format", "0", "[Input]\r\nFormat=0\r\n"},
        WriteCase{"ReplacesInPlace", "[S]\r\na=1\r\nk=old\r\nb=2\r\n", "S", "k", "new",
                  "[S]\r\na=1\r\nk=new\r\nb=2\r\n"},
        WriteCase{"KeepsKeySpellingAndBlanks", "[s]\r\n  KEY =  old  \r\n", "S", "key", "new",
                  "[s]\r\n  KEY =  new\r\n"},
        WriteCase{"WritesVerbatim", "[S]\r\n", "S", "Prefix", "  two", "[S]\r\nPrefix=  two\r\n"},
        WriteCase{"AppendsAfterTheLastKeyOfTheSection",
                  "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\nt=1\r\n", "S", "k", "v",
                  "[S]\r\na=1\r\nk=v\r\n\r\n; about T\r\n[T]\r\nt=1\r\n"},
        WriteCase{"AppendsBelowAnEmptyHeader", "[S]\r\n[T]\r\n", "S", "k", "v",
                  "[S]\r\nk=v\r\n[T]\r\n"},
        WriteCase{"AppendsANewSectionAtTheEnd", "[S]\r\na=1", "T", "k", "v",
                  "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
        WriteCase{"UpdatesTheFirstDuplicate", "[S]\r\nk=1\r\n[S]\r\nk=2\r\nk=3\r\n", "s", "K", "9",
                  "[S]\r\nk=9\r\n[S]\r\nk=2\r\nk=3\r\n"},
        WriteCase{"KeyBeforeAnySectionStays", "k=1\r\n", "S", "k", "2", "k=1\r\n[S]\r\nk=2\r\n"},
        WriteCase{"ForeignLinesStay", "garbage\r\n[S\r\n=x\r\n\x01\xff\r\n", "S", "k", "v",
                  "garbage\r\n[S\r\n=x\r\n\x01\xff\r\n[S]\r\nk=v\r\n"},
        WriteCase{"LoneCrAndLfBecomeCrLf", "[S]\rk=1\na=2", "S", "k", "3",
                  "[S]\r\nk=3\r\na=2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniText, RemovesEveryCopyOfAKeyInItsSectionOnly) {
  IniText text("[S]\r\nk=1\r\na=2\r\n K = 3\r\n[T]\r\nk=4\r\n");
  EXPECT_TRUE(text.remove("s", "K"));
  EXPECT_EQ(text.text(), "[S]\r\na=2\r\n[T]\r\nk=4\r\n");
  EXPECT_FALSE(text.value("S", "k"));
  EXPECT_FALSE(text.remove("S", "k"));
  EXPECT_FALSE(text.remove("U", "k"));
  EXPECT_EQ(text.text(), "[S]\r\na=2\r\n[T]\r\nk=4\r\n");
}

struct NameCase {
  const char* text;
  bool key;
  bool section;
  bool value;
};

class IniTextNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(IniTextNames, AcceptOnlyWhatReadsBack) {
  const auto& c = GetParam();
  EXPECT_EQ(IniText::canHoldKey(c.text), c.key);
  EXPECT_EQ(IniText::canHoldSection(c.text), c.section);
  EXPECT_EQ(IniText::canHoldValue(c.text), c.value);
  // Whatever is accepted must come back as written.
  if (c.key && c.section && c.value) {
    IniText text("[x]\r\n");
    text.set(c.text, c.text, "v");
    EXPECT_EQ(IniText(text.text()).value(c.text, c.text), "v");
    EXPECT_EQ(IniText(text.text()).keys(c.text), std::vector<std::string>{c.text});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Checks, IniTextNames,
    ::testing::Values(NameCase{"x264 fast", true, true, true}, NameCase{"", false, true, true},
                      NameCase{"a=b", false, true, true}, NameCase{"[a", false, true, true},
                      NameCase{";a", false, true, true}, NameCase{" a", false, false, true},
                      NameCase{"a\t", false, false, true}, NameCase{"a\nb", false, false, false},
                      NameCase{"a\rb", false, false, false}, NameCase{"a]b", true, true, true},
                      NameCase{"a;b[", true, true, true}));

TEST(IniText, HundredMegabyteLineWithoutLineEndIsReadAndKept) {
  std::string big = "[S]\r\nk=" + std::string(100u << 20, 'x');
  IniText text(big);
  EXPECT_EQ(text.value("S", "k")->size(), IniText::kMaxValueLength);
  text.set("S", "j", "1");
  const std::string written = text.text();
  EXPECT_EQ(written.size(), big.size() + 2 + 5);
  EXPECT_EQ(written.substr(written.size() - 7), "\r\nj=1\r\n");
}

}  // namespace
}  // namespace twinlens
