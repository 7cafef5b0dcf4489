// The chart functions end to end: value file in, BMP file out, decoded by an
// independent decoder (stb_image) and compared pixel for pixel with a canvas
// that each test builds from the chart's geometry.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "chart/plot.h"
#include "chart/value_file.h"
#include "korvelgraphline/graph.h"
#include "support/failing_allocation.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using testing::ScratchDir;

enum Colour : std::uint8_t { kWhite, kBlue, kRed, kOther };

// The 800 x 600 picture a chart should show, as one colour per pixel.
class Canvas {
 public:
  Canvas() : pixels_(800 * 600, kWhite) {}

  static Canvas WithAxes() {
    Canvas canvas;
    for (int x = 10; x < 800; ++x) canvas.Set(x, 590, kBlue);
    for (int y = 10; y <= 590; ++y) canvas.Set(10, y, kBlue);
    return canvas;
  }
  static Canvas Decode(const std::string& path) {
    const testing::DecodedImage image = testing::DecodeWithStb(path, 3);
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 600);
    Canvas canvas;
    if (image.width != 800 || image.height != 600) return canvas;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const std::uint8_t* p = image.At(x, y);
        const Colour c = p[0] == 255 && p[1] == 255 && p[2] == 255 ? kWhite
                         : p[0] == 0 && p[1] == 0 && p[2] == 255   ? kBlue
                         : p[0] == 255 && p[1] == 0 && p[2] == 0   ? kRed
                                                                   : kOther;
        canvas.Set(x, y, c);
      }
    }
    return canvas;
  }

  void Set(int x, int y, Colour c) { pixels_[y * 800 + x] = c; }
  Colour At(int x, int y) const { return pixels_[y * 800 + x]; }
  void Bar(int left, int right, int top, Colour c = kRed) {
    for (int x = left; x <= right && x < 800; ++x) {
      for (int y = top; y <= 590; ++y) Set(x, y, c);
    }
  }
  int Count(Colour c) const {
    int count = 0;
    for (Colour p : pixels_) count += p == c;
    return count;
  }

 private:
  std::vector<Colour> pixels_;
};

// Reports the first few differing pixels, not 480,000 lines.
::testing::AssertionResult SameCanvas(const Canvas& actual, const Canvas& expected) {
  int differences = 0;
  std::string report;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      if (actual.At(x, y) == expected.At(x, y)) continue;
      if (++differences <= 5) {
        report += " (" + std::to_string(x) + "," + std::to_string(y) + "): got " +
                  std::to_string(actual.At(x, y)) + " want " + std::to_string(expected.At(x, y));
      }
    }
  }
  if (differences == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differences << " pixels differ:" << report;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Lines(const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& v : values) text += v + "\n";
  return text;
}

struct ChartRun {
  ScratchDir dir;
  Canvas Draw(int (*chart)(const wchar_t*, const wchar_t*), const std::string& values) {
    testing::WriteFile(dir.Path("values.txt"), values);
    EXPECT_EQ(chart(Wide(dir.Path("values.txt")).c_str(), Wide(dir.Path("chart.bmp")).c_str()),
              999);
    EXPECT_EQ(testing::ReadFileBytes(dir.Path("chart.bmp")).size(), 1440054u);
    return Canvas::Decode(dir.Path("chart.bmp"));
  }
};

const std::vector<int> kRowsOneToTen = {538, 484, 430, 376, 322, 269, 215, 161, 107, 53};

TEST(ChartGeometryTest, RowsOfKnownScales) {
  struct Case {
    float maximum, value;
    int row;
  };
  const Case cases[] = {
      {3, 3, 148},    {3, 2, 296},     {3, 1, 444},    {100, 100, 5}, {100, 99, 11},
      {100, 50, 298}, {0.5f, 0.5f, 394}, {0.5f, 0.25f, 493}, {10, 0, 592}, {10, -1, 645},
      // The product is rounded before the subtraction; fused, the row is 510.
      {100, 13.819259643554688f, 511},
  };
  for (const Case& c : cases) {
    const float scale = 1.0f / (c.maximum + 1.0f);
    EXPECT_EQ(chart::ValueRow(c.value, scale), c.row) << c.maximum << " " << c.value;
  }
  for (int v = 1; v <= 10; ++v) {
    EXPECT_EQ(chart::ValueRow(static_cast<float>(v), 1.0f / 11.0f), kRowsOneToTen[v - 1]);
  }
  EXPECT_EQ(chart::ValueRow(-1e30f, 1.0f), 2147483647);
  EXPECT_EQ(chart::ValueRow(-3.4e38f, 1.0f), 2147483647);  // the product overflows to infinity
}

TEST(ChartGeometryTest, ScaleFromTheEntries) {
  struct Case {
    std::vector<float> entries;
    int widthUnit;
    float scale;
  };
  const Case cases[] = {
      {{1, 2, 3, 0}, 350, 0.25f},
      {{1, 2, 0}, 700, 1.0f / 3.0f},
      {{5, 0}, 700, 1.0f / 6.0f},             // one value: the whole width
      {{-5, -3, 0}, 700, 1.0f},               // the search starts from 0
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 99}, 77, 1.0f / 11.0f},  // the last is never plotted
  };
  for (const Case& c : cases) {
    const chart::ChartScale scale =
        chart::ComputeScale(c.entries.data(), static_cast<int>(c.entries.size()));
    EXPECT_EQ(scale.widthUnit, c.widthUnit);
    EXPECT_EQ(scale.scale, c.scale);
  }
}

TEST(ChartTest, NothingToPlotLeavesTheAxesOnly) {
  for (const std::string values : {"", "7", "   ", "-1.5"}) {
    for (auto chart : {GraphBar, GraphLine}) {
      ChartRun run;
      const Canvas canvas = run.Draw(chart, values);
      EXPECT_TRUE(SameCanvas(canvas, Canvas::WithAxes())) << '"' << values << '"';
      EXPECT_EQ(canvas.Count(kBlue), 1370);
    }
  }
}

TEST(ChartTest, MissingOrNullValueFileStillWritesTheAxes) {
  for (auto chart : {GraphBar, GraphLine}) {
    ScratchDir dir;
    const std::wstring image = Wide(dir.Path("chart.bmp"));
    EXPECT_EQ(chart(Wide(dir.Path("missing.txt")).c_str(), image.c_str()), 999);
    EXPECT_TRUE(SameCanvas(Canvas::Decode(dir.Path("chart.bmp")), Canvas::WithAxes()));
    EXPECT_EQ(chart(nullptr, image.c_str()), 999);
    EXPECT_TRUE(SameCanvas(Canvas::Decode(dir.Path("chart.bmp")), Canvas::WithAxes()));
  }
}

TEST(ChartTest, UnwritableImageStillReturns999) {
  ScratchDir dir;
  testing::WriteFile(dir.Path("values.txt"), "1\n2\n");
  const std::wstring values = Wide(dir.Path("values.txt"));
  for (auto chart : {GraphBar, GraphLine}) {
    EXPECT_EQ(chart(values.c_str(), nullptr), 999);
    EXPECT_EQ(chart(values.c_str(), Wide(dir.Path("no/such/dir.bmp")).c_str()), 999);
    EXPECT_EQ(chart(values.c_str(), L"/dev/full"), 999);
  }
}

// Without memory for the canvas there is no chart to write, and a chart
// already at the path stays as it was.
TEST(ChartTest, NoMemoryForTheCanvasWritesNothing) {
  ScratchDir dir;
  testing::WriteFile(dir.Path("values.txt"), "1\n2\n");
  testing::WriteFile(dir.Path("old.bmp"), "an earlier chart");
  const std::wstring values = Wide(dir.Path("values.txt"));
  for (auto chart : {GraphBar, GraphLine}) {
    testing::FailLargeAllocations noCanvas(64 * 1024);
    EXPECT_EQ(chart(values.c_str(), Wide(dir.Path("new.bmp")).c_str()), 999);
    EXPECT_EQ(chart(values.c_str(), Wide(dir.Path("old.bmp")).c_str()), 999);
  }
  EXPECT_FALSE(std::ifstream(dir.Path("new.bmp")).good());
  const std::vector<std::uint8_t> old = testing::ReadFileBytes(dir.Path("old.bmp"));
  EXPECT_EQ(std::string(old.begin(), old.end()), "an earlier chart");
}

TEST(BarChartTest, TenValuesFillTheirColumns) {
  ChartRun run;
  const Canvas canvas = run.Draw(GraphBar, Lines({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  Canvas expected = Canvas::WithAxes();
  for (int k = 0; k < 10; ++k) expected.Bar(10 + 78 * k, 87 + 78 * k, kRowsOneToTen[k]);
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.At(790, 590), kBlue);  // the axis stays blue past the last bar
}

TEST(BarChartTest, AZeroValueLeavesItsColumnsEmpty) {
  ChartRun run;
  const Canvas canvas = run.Draw(GraphBar, Lines({"1", "2", "3", "4", "0", "6", "7", "8", "9", "10"}));
  Canvas expected = Canvas::WithAxes();
  for (int k = 0; k < 10; ++k) {
    if (k != 4) expected.Bar(10 + 78 * k, 87 + 78 * k, kRowsOneToTen[k]);
  }
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.At(322, 590), kBlue);
}

TEST(BarChartTest, BarsPastTheRightEdgeAreCut) {
  ChartRun run;  // N = 5: W = 175, bars of 176 columns, 880 in all
  const Canvas canvas = run.Draw(GraphBar, Lines({"1", "2", "3", "4", "5"}));
  Canvas expected = Canvas::WithAxes();
  const float scale = 1.0f / 6.0f;
  for (int k = 0; k < 5; ++k) {
    expected.Bar(10 + 176 * k, 185 + 176 * k, chart::ValueRow(static_cast<float>(k + 1), scale));
  }
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.At(799, 590), kRed);
}

TEST(BarChartTest, OneValueTakesTheWholeWidthUnit) {
  ChartRun run;  // n = 2: W = 700, one bar of 701 columns
  const Canvas canvas = run.Draw(GraphBar, "5\n");
  Canvas expected = Canvas::WithAxes();
  expected.Bar(10, 710, 98);
  EXPECT_TRUE(SameCanvas(canvas, expected));
}

TEST(BarChartTest, SevenHundredTwoValuesMakeOneColumnBars) {
  std::vector<std::string> values;
  for (int i = 0; i < 702; ++i) values.push_back(std::to_string(i % 7 + 1));
  ChartRun run;
  const Canvas canvas = run.Draw(GraphBar, Lines(values));
  Canvas expected = Canvas::WithAxes();
  for (int k = 0; k < 702; ++k) {
    expected.Bar(10 + k, 10 + k, chart::ValueRow(static_cast<float>(k % 7 + 1), 1.0f / 8.0f));
  }
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.At(711, 590), kRed);
  EXPECT_EQ(canvas.At(712, 590), kBlue);
}

TEST(BarChartTest, NegativeValuesDrawNothingAndTheScaleStartsFromZero) {
  ChartRun run;
  EXPECT_TRUE(SameCanvas(run.Draw(GraphBar, "-5\n-3\n"), Canvas::WithAxes()));
}

TEST(LineChartTest, TenRisingValues) {
  ChartRun run;
  const Canvas canvas = run.Draw(GraphLine, Lines({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  Canvas expected = Canvas::WithAxes();
  // First segment: from row 580 up to 538 with step 1, columns 11 to 53.
  for (int i = 0; i <= 42; ++i) expected.Set(11 + i, 580 - i, kRed);
  // Then nine segments of 54 rows (the sixth 53), step 1, each starting one
  // column right of where the previous ended, on that segment's last row.
  int column = 53;
  for (int k = 1; k < 10; ++k) {
    for (int row = kRowsOneToTen[k - 1]; row >= kRowsOneToTen[k]; --row) {
      expected.Set(++column, row, kRed);
    }
  }
  EXPECT_EQ(column, 547);
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.Count(kRed), 537);
  EXPECT_EQ(canvas.At(547, 53), kRed);
}

TEST(LineChartTest, AlternatingValuesGiveDottedSegments) {
  ChartRun run;
  const Canvas canvas =
      run.Draw(GraphLine, Lines({"10", "9.9", "10", "9.9", "10", "9.9", "10", "9.9", "10", "9.9"}));
  Canvas expected = Canvas::WithAxes();
  // 527 rows up from 580 exceed W = 77: step 0, all in column 10.
  for (int y = 53; y <= 580; ++y) expected.Set(10, y, kRed);
  // Then 6-row segments with step 12: seven dots 12 columns apart.
  for (int s = 0; s < 9; ++s) {
    for (int j = 0; j <= 6; ++j) {
      expected.Set(22 + 84 * s + 12 * j, s % 2 == 0 ? 53 + j : 59 - j, kRed);
    }
  }
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.At(766, 59), kRed);  // the last pixel
}

TEST(LineChartTest, LevelSegmentsStepByTheWholeWidthUnit) {
  ChartRun run;  // 3 values (W = 350), all on row 148: three one-pixel segments
  const Canvas canvas = run.Draw(GraphLine, Lines({"3", "3", "3"}));
  Canvas expected = Canvas::WithAxes();
  // 580 -> 148: 432 rows > 350, step 0: column 10 from row 148 to 580.
  for (int y = 148; y <= 580; ++y) expected.Set(10, y, kRed);
  expected.Set(360, 148, kRed);
  expected.Set(710, 148, kRed);
  EXPECT_TRUE(SameCanvas(canvas, expected));
}

TEST(LineChartTest, SegmentsFarBelowTheCanvasCostNothing) {
  ChartRun run;
  const auto start = std::chrono::steady_clock::now();
  const Canvas canvas = run.Draw(GraphLine, Lines({"5", "-1e30", "5"}));
  // A per-row walk down to row 2^31 would take seconds; the clipped run is
  // immediate. The bound is generous, only a runaway loop exceeds it.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  Canvas expected = Canvas::WithAxes();
  for (int y = 98; y <= 599; ++y) expected.Set(10, y, kRed);  // every segment has step 0
  EXPECT_TRUE(SameCanvas(canvas, expected));
}

TEST(LineChartTest, NegativeValuesRunBelowTheAxis) {
  ChartRun run;  // M = 0, S = 1: rows 3552 and 2368, step 0 in column 10
  Canvas expected = Canvas::WithAxes();
  for (int y = 580; y <= 599; ++y) expected.Set(10, y, kRed);
  EXPECT_TRUE(SameCanvas(run.Draw(GraphLine, "-5\n-3\n"), expected));
}

TEST(LineChartTest, CursorPastTheRightEdgeIsCut) {
  // Values alternating between neighbouring rows: step W per pixel.
  std::vector<std::string> values;
  for (int i = 0; i < 20; ++i) values.push_back(i % 2 == 0 ? "10" : "9.95");
  ChartRun run;
  const Canvas canvas = run.Draw(GraphLine, Lines(values));
  // W = 700 / 19 = 36; every pixel lies inside the canvas or is dropped.
  EXPECT_EQ(canvas.Count(kOther), 0);
  EXPECT_GT(canvas.Count(kRed), 0);
}

TEST(ChartPathTest, NonAsciiNamesAreUtf8) {
  ScratchDir dir;
  testing::WriteFile(dir.Path("werte-\xC3\xBC-\xE6\x95\xB0-\xF0\x9F\x93\x88.txt"), "1\n2\n");
  const std::wstring values = Wide(dir.Path("werte-")) + L"\u00FC-\u6570-\U0001F4C8.txt";
  const std::wstring image = Wide(dir.Path("")) + L"\u56FE.bmp";
  EXPECT_EQ(GraphBar(values.c_str(), image.c_str()), 999);
  const Canvas canvas = Canvas::Decode(dir.Path("\xE5\x9B\xBE.bmp"));
  EXPECT_EQ(canvas.At(10, 400), kRed);  // the values were found
}

TEST(ChartPathTest, InvalidUnicodeGivesTheEmptyName) {
  ScratchDir dir;
  std::wstring image = Wide(dir.Path("bad"));
  image += static_cast<wchar_t>(0xD800);  // an unpaired surrogate
  image += L".bmp";
  EXPECT_EQ(GraphBar(nullptr, image.c_str()), 999);
  std::wstring beyond = Wide(dir.Path("beyond"));
  beyond += static_cast<wchar_t>(0x110000);
  EXPECT_EQ(GraphLine(nullptr, beyond.c_str()), 999);
  EXPECT_TRUE(testing::ReadFileBytes(dir.Path("bad")).empty());
  EXPECT_TRUE(testing::ReadFileBytes(dir.Path("bad.bmp")).empty());
  EXPECT_TRUE(testing::ReadFileBytes(dir.Path("beyond")).empty());
}

}  // namespace
}  // namespace korvel
