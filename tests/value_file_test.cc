#include "chart/value_file.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace korvel {
namespace chart {
namespace {

TEST(ParseValueTest, DecimalPrefixesOnly) {
  struct Case {
    const char* text;
    float expected;
  };
  const Case cases[] = {
      {"7.5", 7.5f},       {"   7.5", 7.5f},    {"7.5abc", 7.5f},   {"+7.5e0", 7.5f},
      {"\t\v\f\r\n 3", 3.0f}, {"abc", 0.0f},    {"", 0.0f},         {"-2", -2.0f},
      {".5", 0.5f},        {"5.", 5.0f},        {".", 0.0f},        {"-", 0.0f},
      {"+.25E1", 2.5f},    {"1e", 1.0f},        {"1e+", 1.0f},      {"1e-2", 0.01f},
      {"1,5", 1.0f},       {"- 1", 0.0f},       {"12 34", 12.0f},   {"0.1", 0.1f},
      {"inf", 0.0f},       {"-infinity", 0.0f}, {"nan", 0.0f},      {"0x10", 0.0f},
      {"1e39", FLT_MAX},   {"-1e39", -FLT_MAX}, {"1e400", FLT_MAX}, {"-1e99999999999", -FLT_MAX},
      {"1e-400", 0.0f},    {"3.4028235e38", FLT_MAX}, {"1e-45", 1.4e-45f},
      {"00000000000000000000000000012.5", 12.5f},
      {"0.000000000000000000000000000000000000000000000000001e400", FLT_MAX},
      // Rounded to double first: this lies a hair above the midpoint between
      // 1 and the next float, but its nearest double is the midpoint itself,
      // which then rounds to even.
      {"1.00000005960464477550", 1.0f},
  };
  for (const Case& c : cases) {
    const float value = ParseValue(c.text);
    EXPECT_EQ(value, c.expected) << '"' << c.text << '"';
    EXPECT_EQ(std::signbit(value), std::signbit(c.expected)) << '"' << c.text << '"';
  }
}

TEST(ParseValueTest, NegativeZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(ParseValue("-0")));
  EXPECT_TRUE(std::signbit(ParseValue("-1e-400")));
}

std::vector<float> Entries(const ValueSeries& series) {
  return std::vector<float>(series.entries, series.entries + series.count);
}

std::vector<float> ReadContents(const std::string& contents) {
  testing::ScratchDir dir;
  const std::string path = dir.Path("values.txt");
  testing::WriteFile(path, contents);
  ValueSeries series;
  ReadValueFile(path.c_str(), series);
  return Entries(series);
}

TEST(ReadValueFileTest, EveryReadDropsOneCharacterAndTheEndRereadsTheLast) {
  struct Case {
    const char* name;
    std::string contents;
    std::vector<float> entries;
  };
  const Case cases[] = {
      {"lines ending in breaks", "1\n2\n3\n", {1, 2, 3, 0}},
      {"last line without break", "1\n2\n3", {1, 2, 0}},
      {"leftover of a two-digit line", "4\n25\n", {4, 25, 2}},
      {"single line without break", "7", {0}},
      {"empty file", "", {0}},
      {"single empty line", "\n", {0, 0}},
      {"carriage returns", "1\r\n2\r\n", {1, 2, 2}},
      {"text and blanks", "  7.5\n7.5 apples\n+7.5e0\nabc\n", {7.5, 7.5, 7.5, 0, 0}},
      {"negative values", "-3\n-0.5\n", {-3, -0.5, -0.0f}},
      // 199 characters before the break: one read takes them all but the
      // break, loses its last digit, and the break comes as a line of its own.
      {"long line split", "5" + std::string(198, '0') + "\n9\n", {FLT_MAX, 0, 9, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadContents(c.contents), c.entries) << c.name;
  }
}

TEST(ReadValueFileTest, StopsAt800Entries) {
  std::string contents;
  for (int i = 0; i < 900; ++i) contents += std::to_string(i) + "\n";
  const std::vector<float> entries = ReadContents(contents);
  ASSERT_EQ(entries.size(), 800u);
  EXPECT_EQ(entries.front(), 0.0f);
  EXPECT_EQ(entries.back(), 799.0f);
}

TEST(ReadValueFileTest, MissingNullOrUnreadableFilesGiveNoEntries) {
  testing::ScratchDir dir;
  ValueSeries series;
  series.count = 5;
  ReadValueFile(nullptr, series);
  EXPECT_EQ(series.count, 0);
  series.count = 5;
  ReadValueFile(dir.Path("missing.txt").c_str(), series);
  EXPECT_EQ(series.count, 0);
  series.count = 5;
  ReadValueFile(dir.Path("").c_str(), series);  // a directory opens but cannot be read
  EXPECT_EQ(series.count, 0);
}

}  // namespace
}  // namespace chart
}  // namespace korvel
