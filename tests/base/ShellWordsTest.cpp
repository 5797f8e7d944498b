// Typed options split into words, and words written for sh and cmd.exe: read back by each
// interpreter's own rules, every text gives exactly its words and nothing else runs.
#include "base/ShellWords.h"

#include <gtest/gtest.h>

#include "base/Error.h"
#include "support/ShellReaders.h"

namespace twinlens {
namespace {

using Words = std::vector<std::string>;

struct SplitCase {
  const char* text;
  Words words;
  std::string fault = {};  // what split() finds, with its place
  std::size_t at = 0;
};

class ShellWordsSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ShellWordsSplit, GivesTheWordsAndBothShellsHandThemOverExactly) {
  const SplitCase& c = GetParam();
  const shellwords::Split split = shellwords::split(c.text);
  if (!c.fault.empty()) {
    ASSERT_TRUE(split.fault) << c.text;
    EXPECT_EQ(split.fault->what, c.fault);
    EXPECT_EQ(split.fault->at, c.at);
    return;
  }
  ASSERT_FALSE(split.fault) << split.fault->what;
  EXPECT_EQ(split.words, c.words);
  for (const Shell shell : {Shell::Posix, Shell::Cmd}) {
    const std::string line = shellwords::joined(split.words, shell);
    const auto read = shell == Shell::Posix ? test::readShWords(line) : test::readCmdWords(line);
    ASSERT_TRUE(read) << line;
    EXPECT_EQ(*read, c.words) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShellWordsSplit,
    ::testing::Values(SplitCase{"-c:v libx264 -crf 20", {"-c:v", "libx264", "-crf", "20"}},
                      SplitCase{"  -an\t-sn  ", {"-an", "-sn"}}, SplitCase{"", {}},
                      SplitCase{"-metadata title=\"My film\"", {"-metadata", "title=My film"}},
                      SplitCase{"\"\" -x", {"", "-x"}},
                      SplitCase{"-crf 20; touch marker", {"-crf", "20;", "touch", "marker"}},
                      SplitCase{"a && b || c | d", {"a", "&&", "b", "||", "c", "|", "d"}},
                      SplitCase{"title=`touch m` $(touch m) $HOME ~ #x *",
                                {"title=`touch", "m`", "$(touch", "m)", "$HOME", "~", "#x", "*"}},
                      SplitCase{"%PATH% !x! a^b %%07d", {"%PATH%", "!x!", "a^b", "%%07d"}},
                      SplitCase{"& del *.* > nul (x) <y",
                                {"&", "del", "*.*", ">", "nul", "(x)", "<y"}},
                      SplitCase{"it's \"a & b\" C:\\out\\ \\\\server\\",
                                {"it's", "a & b", "C:\\out\\", "\\\\server\\"}},
                      SplitCase{"-vf \"drawtext=text='x'\"", {"-vf", "drawtext=text='x'"}},
                      SplitCase{"-crf 20 \"unclosed", {}, "a double quote that is not closed", 9},
                      SplitCase{"-crf 20\ntouch marker", {}, "a line break", 8},
                      SplitCase{"-crf 20\r", {}, "a line break", 8},
                      SplitCase{"-x \x01", {}, "a control character (code 1)", 4}));

TEST(ShellWords, PlainWordsStandAsTheyAreAndOthersAreQuotedForTheirShell) {
  EXPECT_EQ(
      shellwords::joined({"-c:v", "libx264", "-vf", "scale=1280:-2,fps=25", "+x/y.z"}, Shell::Cmd),
      "-c:v libx264 -vf scale=1280:-2,fps=25 +x/y.z");
  EXPECT_EQ(shellwords::word("it's", Shell::Posix), "'it'\\''s'");
  EXPECT_EQ(shellwords::word("100%", Shell::Cmd), "\"100%%\"");
  EXPECT_EQ(shellwords::word("C:\\out\\", Shell::Cmd), "\"C:\\out\\\\\"");
  EXPECT_EQ(shellwords::word("", Shell::Posix), "''");
}

TEST(ShellWords, WhatAShellCannotCarryIsRefused) {
  EXPECT_FALSE(shellwords::unsafe("a\"b", Shell::Posix));
  EXPECT_EQ(shellwords::unsafe("a\"b", Shell::Cmd)->what, "a double quote");
  EXPECT_EQ(shellwords::unsafe("ab\ncd", Shell::Posix)->at, 3u);
  EXPECT_THROW(shellwords::quoted("a\"b", Shell::Cmd), Error);
  const std::string sh = shellwords::quoted("a\"b'c$d`e\\", Shell::Posix);
  EXPECT_EQ(test::readShWords(sh), Words{"a\"b'c$d`e\\"});
}

}  // namespace
}  // namespace twinlens
