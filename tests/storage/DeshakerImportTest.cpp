#include "storage/DeshakerImport.h"

#include <gtest/gtest.h>

#include "base/Error.h"
#include "support/ErrorMessage.h"
#include "support/TempDir.h"

namespace twinlens {
namespace {

using test::TempDir;
using test::writeBytes;

const std::string kFilter = "VirtualDub.video.filters.Add(\"Deshaker v3.0\");";
// A configuration line as VirtualDub saves it: 65 fields, field 25 the log file.
const std::string kHead = "\"19|2|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|4|";
const std::string kTail =
    "|0|0|0|0|0|0|0|0|0|0|0|0|0|1|15|15|5|15|1|1|30|30|0|0|1|0|1|0|1|10|1000|1|64|0|0|20|5000|"
    "100|20|1\"";
const std::string kConfigLine = "VirtualDub.video.filters.instance[0].Config(" + kHead +
                                "C:\\My Logs\\Deshaker.log" + kTail + ");";

DeshakerParameters expectedFrom(std::string head, const std::string& tail) {
  DeshakerParameters p;
  const std::size_t field2 = head.find('|') + 1;
  head[field2] = '1';
  p.part1a = head;
  head[field2] = '2';
  p.part1b = head;
  p.part2 = tail;
  return p;
}

TEST(DeshakerImport, CutsA65FieldLineAroundTheLogFile) {
  const auto parameters = cutDeshakerLine(kConfigLine);
  ASSERT_TRUE(parameters);
  EXPECT_EQ(parameters->part1a,
            "\"19|1|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|4|");
  EXPECT_EQ(parameters->part1b,
            "\"19|2|30|4|1|0|1|0|640|480|0|1|1000|1000|1000|1000|4|1|0|2|8|30|300|4|");
  EXPECT_EQ(parameters->part2, kTail);
}

struct CutCase {
  const char* name;
  std::string line;
  std::optional<DeshakerParameters> expected;
};

class DeshakerCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(DeshakerCut, GivesThePartsOrNothing) {
  EXPECT_EQ(cutDeshakerLine(GetParam().line), GetParam().expected);
}

std::string fields(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + "|";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DeshakerCut,
    ::testing::Values(
        CutCase{"Field2OfSeveralCharacters", "\"7|25x|" + fields(22) + "log|9\"",
                expectedFrom("\"7|15x|" + fields(22), "|9\"")},
        CutCase{"Field2One", "(\"7|1|" + fields(22) + "log|9\")",
                expectedFrom("\"7|1|" + fields(22), "|9\"")},
        CutCase{"EmptyField2GetsTheDigit", "\"7||" + fields(22) + "log|9\"",
                DeshakerParameters{"\"7|1|" + fields(22), "\"7|2|" + fields(22), "|9\""}},
        CutCase{"EmptyLogName", "\"" + fields(24) + "|\"", expectedFrom("\"" + fields(24), "|\"")},
        CutCase{"NoOpeningQuote", fields(30) + "\"", std::nullopt},
        CutCase{"Only24Separators", "\"" + fields(24) + "log\"", std::nullopt},
        CutCase{"NoClosingQuote", "\"" + fields(30), std::nullopt},
        CutCase{"QuoteOnlyBefore25th", "\"" + fields(20) + "\"|1|2|3|4|5", std::nullopt},
        CutCase{"SeparatorsBeforeTheQuoteDoNotCount", "a|b|\"" + fields(24) + "log|9\"",
                expectedFrom("\"" + fields(24), "|9\"")},
        CutCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeshakerImport, FindsTheLineAfterTheFirstFilterLine) {
  const std::string other = "\"5|9|" + fields(22) + "x|other\"";
  const std::string text = "VirtualDub.audio.SetSource(1);\r\n" + kFilter + "\r\n" + kConfigLine +
                           "\r\n" + kFilter + "\r\n" + other + "\r\n";
  EXPECT_EQ(findDeshakerParameters(text), cutDeshakerLine(kConfigLine));
}

struct FindCase {
  const char* name;
  std::string text;
};

class DeshakerNotFound : public ::testing::TestWithParam<FindCase> {};

TEST_P(DeshakerNotFound, GivesNothing) {
  EXPECT_FALSE(findDeshakerParameters(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DeshakerNotFound,
    ::testing::Values(FindCase{"Empty", ""}, FindCase{"NoFilter", kConfigLine + "\r\n"},
                      FindCase{
                          "OtherVersion",
                          "VirtualDub.video.filters.Add(\"Deshaker v2.0\");\r\n" + kConfigLine},
                      FindCase{"Indented", " " + kFilter + "\r\n" + kConfigLine},
                      FindCase{"FilterIsLastLine", kFilter + "\r\n"},
                      FindCase{"FilterWithoutLineEnd", kFilter},
                      FindCase{"UnusableLineAfterTheFirstFilter",
                               kFilter + "\r\nbroken\r\n" + kFilter + "\r\n" + kConfigLine},
                      FindCase{"CutNeverReadsPastTheLine",
                               kFilter + "\r\n\"" + fields(20) + "\r\n" + fields(10) + "\"\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeshakerImport, AcceptsLfAndLoneCrLineEnds) {
  EXPECT_TRUE(findDeshakerParameters(kFilter + "\n" + kConfigLine));
  EXPECT_TRUE(findDeshakerParameters("x\r" + kFilter + "\r" + kConfigLine + "\r"));
}

TEST(DeshakerImport, ReplacesTheThreeTextsFromAFile) {
  TempDir dir;
  const auto path = dir.file("deshaker.vcf");
  writeBytes(path, "VirtualDub.video.filters.Clear();\r\n" + kFilter + "\r\n" + kConfigLine +
                       "\r\nVirtualDub.video.filters.instance[0].SetClipping(0,0,0,0);\r\n");
  ConversionSettings s;
  s.DeshakerDir = "/plugins/Deshaker.vdf";
  const ConversionSettings before = s;
  ASSERT_TRUE(importDeshakerSettings(s, path));
  const auto expected = cutDeshakerLine(kConfigLine);
  EXPECT_EQ(s.DeshakePart1a, expected->part1a);
  EXPECT_EQ(s.DeshakePart1b, expected->part1b);
  EXPECT_EQ(s.DeshakePart2, expected->part2);
  // Nothing else changes.
  s.DeshakePart1a = before.DeshakePart1a;
  s.DeshakePart1b = before.DeshakePart1b;
  s.DeshakePart2 = before.DeshakePart2;
  EXPECT_EQ(s, before);
}

TEST(DeshakerImport, FileWithoutTheFilterChangesNothing) {
  TempDir dir;
  const auto path = dir.file("plain.vcf");
  writeBytes(path, "VirtualDub.video.SetMode(1);\r\n");
  ConversionSettings s;
  EXPECT_FALSE(importDeshakerSettings(s, path));
  EXPECT_EQ(s, ConversionSettings());
}

TEST(DeshakerImport, UnreadableFileRaisesTheOpenErrorAndChangesNothing) {
  TempDir dir;
  const auto path = dir.file("missing.vcf");
  ConversionSettings s;
  EXPECT_EQ(test::messageOf([&] { importDeshakerSettings(s, path); }),
            "Cannot open file \"" + path + "\". No such file or directory");
  EXPECT_EQ(s, ConversionSettings());
}

TEST(DeshakerImport, HundredMegabyteLineIsCutWithoutReadingFurther) {
  std::string line = "\"" + fields(24) + std::string(100u << 20, 'L') + "|9\"";
  const auto parameters = cutDeshakerLine(line);
  ASSERT_TRUE(parameters);
  EXPECT_EQ(parameters->part2, "|9\"");
  line.pop_back();  // no closing quote: nothing
  EXPECT_FALSE(findDeshakerParameters(kFilter + "\n" + line));
}

}  // namespace
}  // namespace twinlens
