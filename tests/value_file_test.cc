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

// Short decimals take a one-rounding path, the rest the general conversion;
// both must give the correctly rounded double (the C library's strtod here)
// narrowed to float. The texts sit on both sides of the short path's limits:
// 19 digits, a mantissa of 2^53, powers of ten of 22 either way.
TEST(ParseValueTest, AgreesWithTheCorrectlyRoundedDouble) {
  std::mt19937 random(7);
  auto uniform = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  std::vector<std::string> texts = {"9007199254740992",  "9007199254740993", "9007199254740993e-3",
                                    "1e22",              "1e23",             "1e-22",
                                    "1e-23",             "123456789012345678e-5",
                                    "1234567890123456789e-22", "12345678901234567890e-22",
                                    "0.0000000000000000000001", "4.35", "0.1e1", "100e-24"};
  for (int i = 0; i < 20000; ++i) {
    std::string text = uniform(0, 3) == 0 ? "-" : "";
    const int digits = uniform(1, 22);
    const int point = uniform(0, digits);
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) text += '.';
      text += static_cast<char>('0' + (d == 0 && uniform(0, 3) > 0 ? uniform(1, 9) : uniform(0, 9)));
    }
    if (uniform(0, 1) == 0) text += "e" + std::to_string(uniform(-30, 30));
    texts.push_back(text);
  }
  // Texts a hair from the midpoint between two floats: a double one unit
  // off shows up as the wrong float.
  for (int i = 0; i < 4000; ++i) {
    const float low = std::ldexp(static_cast<float>(uniform(1 << 23, (1 << 24) - 1)), uniform(-40, 40));
    const double midpoint = (static_cast<double>(low) + std::nextafter(low, FLT_MAX)) / 2;
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", uniform(15, 18), midpoint);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const double nearest = std::strtod(text.c_str(), nullptr);
    const float expected = std::fabs(nearest) > FLT_MAX ? std::copysign(FLT_MAX, nearest)
                                                         : static_cast<float>(nearest);
    const float value = ParseValue(text.c_str());
    ASSERT_EQ(value, expected) << text;
    ASSERT_EQ(std::signbit(value), std::signbit(expected)) << text;
  }
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
// carriage returns), files whose first zero byte comes in or just before
// their second chunk, and files whose size puts a line break, or the end, exactly at the
// edge of the reader's 16 KiB chunks; all of them end before the 800th entry.
TEST(ReadValueFileTest, ReadsWhatOneFgetsPerLineReads) {
  std::vector<std::string> files;
  std::mt19937 random(11);
  const std::string alphabet = std::string("0123456789.-+eE \t\r") + '\0';
  for (int n = 0; n < 60; ++n) {
    std::string contents;
    const std::size_t size = random() % (n < 30 ? 3000 : 25000);
    while (contents.size() < size) {
      const std::size_t lineLength = random() % 4 == 0 ? random() % 450 : random() % 12;
      // Every other file has no zero byte, which the reader handles apart.
      const std::size_t letters = alphabet.size() - n % 2;
      for (std::size_t i = 0; i < lineLength; ++i) contents += alphabet[random() % letters];
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
  // A zero byte only in the second chunk, after lines without one.
  std::string lateZero;
  while (lateZero.size() < 17000) lateZero += std::string(25, ' ') + "12.5\n";
  lateZero += std::string("4") + '\0' + "5\n6.25\n";
  files.push_back(lateZero);
  // A line whose zero byte ends the first chunk while its text goes on in
  // the second, which has none.
  std::string straddling;
  while (straddling.size() < 16350) straddling += std::string(25, ' ') + "12.5\n";
  straddling.resize(16382, ' ');
  files.push_back(straddling + '1' + '\0' + "23\n4\n");
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
