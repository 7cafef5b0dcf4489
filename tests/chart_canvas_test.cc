// The chart canvas against the general image: the same drawing calls on a
// ChartCanvas and on an 800 x 600 RasterImage must give the same file, byte
// for byte. The canvas rebuilds its rows only where a drawing call marked a
// possible change, so the cases aim at the marks: first and last rows and
// columns, the row below a run that ends at the bottom, drawing over earlier
// drawing, rows across columns, and drawing white back over colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "chart/chart_canvas.h"
#include "korvelgraphline/raster_image.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using chart::ChartCanvas;
using testing::ReadFileBytes;
using testing::Rgb;
using testing::ScratchDir;

constexpr ColorQuad kBlue = {255, 0, 0, 0};
constexpr ColorQuad kRed = {0, 0, 255, 0};
constexpr ColorQuad kWhite = {255, 255, 255, 0};
constexpr ColorQuad kInks[] = {kBlue, kRed, kWhite, Rgb(0, 0, 0), Rgb(1, 2, 3), {0, 0, 255, 77}};

// One drawing call: a pixel at (x, top), a run of column x from top to
// bottom, or a run of row top from column x to column bottom.
enum class Shape { kPixel, kColumn, kRow };
struct Stroke {
  Shape shape;
  int x;
  int top;
  int bottom;
  ColorQuad colour;
};

Stroke Pixel(int x, int y, ColorQuad colour) { return {Shape::kPixel, x, y, y, colour}; }
Stroke ColumnRun(int x, int top, int bottom, ColorQuad colour) {
  return {Shape::kColumn, x, top, bottom, colour};
}
Stroke RowRun(int y, int left, int right, ColorQuad colour) {
  return {Shape::kRow, left, y, right, colour};
}

// Draws strokes on both surfaces, saves both and compares the files.
void ExpectSameFile(const std::vector<Stroke>& strokes, const std::string& label) {
  ChartCanvas canvas;
  ASSERT_TRUE(canvas.Valid());
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(800, 600));
  for (const Stroke& s : strokes) {
    switch (s.shape) {
      case Shape::kPixel:
        EXPECT_EQ(canvas.PutPixel(s.x, s.top, s.colour), image.PutPixel(s.x, s.top, s.colour))
            << label << " pixel (" << s.x << ", " << s.top << ")";
        break;
      case Shape::kColumn:
        ASSERT_TRUE(canvas.FillColumn(s.x, s.top, s.bottom, s.colour)) << label;
        for (int y = s.top; y <= s.bottom; ++y) image.PutPixel(s.x, y, s.colour);
        break;
      case Shape::kRow:
        ASSERT_TRUE(canvas.FillRow(s.top, s.x, s.bottom, s.colour)) << label;
        for (int x = s.x; x <= s.bottom; ++x) image.PutPixel(x, s.top, s.colour);
        break;
    }
  }
  ScratchDir dir;
  ASSERT_TRUE(canvas.SaveBmp(dir.Path("canvas.bmp").c_str())) << label;
  ASSERT_TRUE(image.SaveBmp(dir.Path("image.bmp").c_str())) << label;
  const std::vector<std::uint8_t> got = ReadFileBytes(dir.Path("canvas.bmp"));
  const std::vector<std::uint8_t> want = ReadFileBytes(dir.Path("image.bmp"));
  ASSERT_EQ(got.size(), 1440054u) << label;
  if (got == want) return;
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      const std::size_t pixel = (i - 54) / 3;
      FAIL() << label << ": first difference at byte " << i << ", x " << pixel % 800 << ", y "
             << 599 - static_cast<long>(pixel / 800);
    }
  }
}

TEST(ChartCanvasTest, DrawingGivesTheFileOfTheSameImage) {
  const struct {
    const char* label;
    std::vector<Stroke> strokes;
  } cases[] = {
      {"white page", {}},
      {"corners", {Pixel(0, 0, kRed), Pixel(799, 0, kBlue), Pixel(0, 599, kBlue), Pixel(799, 599, kRed)}},
      {"whole columns", {ColumnRun(0, 0, 599, kRed), ColumnRun(799, 0, 599, kBlue)}},
      {"runs ending in the bottom row", {ColumnRun(5, 300, 599, kRed), ColumnRun(6, 599, 599, kBlue)}},
      {"mark word edges", {ColumnRun(63, 10, 20, kRed), ColumnRun(64, 15, 25, kBlue), ColumnRun(127, 0, 5, kRed),
                           ColumnRun(128, 594, 599, kRed), Pixel(767, 1, kBlue), Pixel(768, 598, kBlue)}},
      {"run over earlier pixels", {Pixel(40, 100, kBlue), Pixel(40, 101, kBlue), ColumnRun(40, 50, 150, kRed)}},
      {"pixels inside an earlier run", {ColumnRun(40, 50, 150, kRed), Pixel(40, 50, kBlue),
                                       Pixel(40, 100, kBlue), Pixel(40, 150, kBlue)}},
      {"white back over colour", {ColumnRun(12, 0, 599, kRed), ColumnRun(12, 200, 300, kWhite),
                                  Pixel(12, 0, kWhite), Pixel(12, 599, kWhite)}},
      {"rows across columns", {RowRun(0, 0, 799, kBlue), RowRun(599, 0, 799, kRed),
                               RowRun(590, 10, 799, kBlue), ColumnRun(10, 10, 590, kBlue),
                               ColumnRun(700, 300, 590, kRed), RowRun(300, 60, 70, kWhite)}},
      {"stacked runs in one column", {ColumnRun(10, 10, 590, kBlue), ColumnRun(10, 300, 580, kRed),
                                      ColumnRun(10, 100, 310, kRed), ColumnRun(10, 590, 590, kBlue)}},
      {"alpha never reaches the file", {ColumnRun(20, 0, 599, {0, 0, 255, 77}), Pixel(21, 5, {255, 0, 0, 9})}},
      {"pixels outside are refused", {Pixel(-1, 0, kRed), Pixel(800, 5, kRed), Pixel(3, -1, kRed),
                                      Pixel(3, 600, kRed), Pixel(3, 2, kRed)}},
  };
  for (const auto& c : cases) ExpectSameFile(c.strokes, c.label);
}

TEST(ChartCanvasTest, RandomDrawingGivesTheFileOfTheSameImage) {
  std::mt19937 random(20261211);
  auto uniform = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  for (int round = 0; round < 60; ++round) {
    std::vector<Stroke> strokes;
    const int count = uniform(1, 400);
    // Strokes cluster in a few columns in some rounds, so that they overlap.
    const int columns = uniform(0, 1) == 0 ? 800 : uniform(1, 6);
    for (int i = 0; i < count; ++i) {
      const int x = columns == 800 ? uniform(0, 799) : uniform(0, columns - 1) * 64 + uniform(0, 1);
      const ColorQuad colour = kInks[uniform(0, 5)];
      const int shape = uniform(0, 5);
      if (shape <= 1) {
        strokes.push_back(Pixel(x, uniform(0, 599), colour));
      } else if (shape == 2) {
        const int left = uniform(0, 799);
        strokes.push_back(RowRun(uniform(0, 599), left, uniform(left, std::min(799, left + 130)), colour));
      } else {
        const int top = uniform(0, 599);
        strokes.push_back(ColumnRun(x, top, uniform(0, 3) == 0 ? 599 : uniform(top, 599), colour));
      }
    }
    ExpectSameFile(strokes, "round " + std::to_string(round));
  }
}

TEST(ChartCanvasTest, ColoursBeyondTheLimitAreRefused) {
  ChartCanvas canvas;
  ASSERT_TRUE(canvas.Valid());
  // White is colour number 0; this fills the rest.
  for (int i = 1; i < ChartCanvas::kMaxColours; ++i) {
    EXPECT_TRUE(canvas.PutPixel(i, 0, Rgb(i, 0, 0))) << i;
  }
  EXPECT_FALSE(canvas.PutPixel(0, 1, Rgb(0, 99, 0)));
  EXPECT_FALSE(canvas.FillColumn(0, 1, 5, Rgb(0, 99, 0)));
  // Known colours still draw, whatever their alpha byte.
  EXPECT_TRUE(canvas.PutPixel(0, 1, {0, 0, 3, 200}));
  EXPECT_TRUE(canvas.FillColumn(1, 1, 5, kWhite));

  ScratchDir dir;
  ASSERT_TRUE(canvas.SaveBmp(dir.Path("chart.bmp").c_str()));
  const std::vector<std::uint8_t> bytes = ReadFileBytes(dir.Path("chart.bmp"));
  ASSERT_EQ(bytes.size(), 1440054u);
  auto bgr = [&bytes](int x, int y) {
    const std::size_t at = 54 + (599 - y) * 2400 + 3 * x;
    return std::vector<int>{bytes[at], bytes[at + 1], bytes[at + 2]};
  };
  EXPECT_EQ(bgr(0, 1), (std::vector<int>{0, 0, 3}));  // the refused colour left no trace
  EXPECT_EQ(bgr(0, 2), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(bgr(15, 0), (std::vector<int>{0, 0, 15}));
}

TEST(ChartCanvasTest, RunsLeavingTheCanvasAreRefused) {
  ChartCanvas canvas;
  ASSERT_TRUE(canvas.Valid());
  const struct {
    int at, from, to;
  } runs[] = {{-1, 0, 5}, {800, 0, 5}, {5, -1, 5}, {5, 0, 600}, {5, 7, 6}};
  for (const auto& r : runs) {
    EXPECT_FALSE(canvas.FillColumn(r.at, r.from, r.to, kRed)) << r.at << " " << r.from << " " << r.to;
  }
  const struct {
    int at, from, to;
  } rowRuns[] = {{-1, 0, 5}, {600, 0, 5}, {5, -1, 5}, {5, 0, 800}, {5, 7, 6}};
  for (const auto& r : rowRuns) {
    EXPECT_FALSE(canvas.FillRow(r.at, r.from, r.to, kRed)) << r.at << " " << r.from << " " << r.to;
  }
  ScratchDir dir;
  ASSERT_TRUE(canvas.SaveBmp(dir.Path("chart.bmp").c_str()));
  const std::vector<std::uint8_t> bytes = ReadFileBytes(dir.Path("chart.bmp"));
  ASSERT_EQ(bytes.size(), 1440054u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()),
            std::vector<std::uint8_t>(1440000, 255));
}

TEST(ChartCanvasTest, SaveReportsFailures) {
  ChartCanvas canvas;
  ASSERT_TRUE(canvas.Valid());
  ScratchDir dir;
  EXPECT_FALSE(canvas.SaveBmp(nullptr));
  EXPECT_FALSE(canvas.SaveBmp(dir.Path("missing/chart.bmp").c_str()));
  EXPECT_FALSE(canvas.SaveBmp("/dev/full"));
}

}  // namespace
}  // namespace korvel
