#include "chart/value_file.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
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

// The reading loop as it reads with one fgets per line: the reference for
// the chunked reader, whose lines, line-buffer contents and end-of-file
// moment must be the same.
std::vector<std::uint32_t> ReadWithFgets(const std::string& path) {
  std::vector<std::uint32_t> bits;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return bits;
  char line[kLineLimit] = {};
  do {
    if (std::fgets(line, kLineLimit, file) == nullptr && std::ferror(file)) break;
    const std::size_t length = std::strlen(line);
    if (length > 0) line[length - 1] = '\0';
    const float value = ParseValue(line);
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    bits.push_back(word);
  } while (!std::feof(file) && bits.size() < static_cast<std::size_t>(kSeriesCapacity));
  if (std::ferror(file)) bits.clear();
  std::fclose(file);
  return bits;
}

std::vector<std::uint32_t> EntryBits(const std::string& path) {
  ValueSeries series;
  ReadValueFile(path.c_str(), series);
  std::vector<std::uint32_t> bits(series.count);
  std::memcpy(bits.data(), series.entries, sizeof(float) * series.count);
  return bits;
}

// Files of random lines (empty ones, ones longer than a read, zero bytes,
// carriage returns) and files whose size puts a line break, or the end,
// exactly at the edge of the reader's 16 KiB chunks; all of them end before
// the 800th entry.
TEST(ReadValueFileTest, ReadsWhatOneFgetsPerLineReads) {
  std::vector<std::string> files;
  std::mt19937 random(11);
  const std::string alphabet = std::string("0123456789.-+eE \t\r") + '\0';
  for (int n = 0; n < 60; ++n) {
    std::string contents;
    const std::size_t size = random() % (n < 30 ? 3000 : 25000);
    while (contents.size() < size) {
      const std::size_t lineLength = random() % 4 == 0 ? random() % 450 : random() % 12;
      for (std::size_t i = 0; i < lineLength; ++i) contents += alphabet[random() % alphabet.size()];
      contents += '\n';
    }
    files.push_back(contents);
  }
  for (std::size_t edge : {16384u, 32768u}) {
    for (int shift = -2; shift <= 2; ++shift) {
      std::string contents;
      while (contents.size() < edge + shift - 1) {
        contents += std::string(90, ' ') + std::to_string(contents.size() % 97) + "\n";
      }
      contents.resize(edge + shift - 1, '7');
      files.push_back(contents + "\n");
      files.push_back(contents.substr(0, contents.size() - 1) + "\n9");
    }
  }
  testing::ScratchDir dir;
  const std::string path = dir.Path("values.txt");
  for (std::size_t i = 0; i < files.size(); ++i) {
    testing::WriteFile(path, files[i]);
    const std::vector<std::uint32_t> expected = ReadWithFgets(path);
    ASSERT_LT(expected.size(), static_cast<std::size_t>(kSeriesCapacity)) << "file " << i;
    ASSERT_EQ(EntryBits(path), expected) << "file " << i << ", " << files[i].size() << " bytes";
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
