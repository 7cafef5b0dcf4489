#include "korvelgraphline/rescale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <random>

#include "image/rescale_kernels.h"
#include "korvelgraphline/raster_image.h"
#include "support/image_fixtures.h"

namespace korvel {
namespace {

using testing::CompareImages;
using testing::Describe;
using testing::FillPseudoRandom;
using testing::SamePixel;

std::uint8_t Truncate(double value) {
  return static_cast<std::uint8_t>(static_cast<unsigned>(value));
}

int Side(double floorResult) { return floorResult < 1.0 ? 1 : static_cast<int>(floorResult); }

// The rescale written out the plain way: a copy of the old image, the new
// size by the mode table, then every new pixel through the clamped
// reference, rows outermost, each operation in its fixed order.
bool ReferenceRescale(RasterImage& image, char mode, int size) {
  if (mode >= 'a' && mode <= 'z') mode = static_cast<char>(mode - 'a' + 'A');
  RasterImage old(image);
  const int w = old.Width();
  const int h = old.Height();
  int nw, nh;
  if (mode == 'P') {
    nw = Side(std::floor(static_cast<double>(static_cast<long long>(w) * size) * 0.01));
    nh = Side(std::floor(static_cast<double>(static_cast<long long>(h) * size) * 0.01));
  } else if (mode == 'W' || (mode == 'F' && w > h)) {
    nw = size < 1 ? 1 : size;
    nh = Side(std::floor((static_cast<double>(size) / static_cast<double>(w)) * h));
  } else if (mode == 'H' || mode == 'F') {
    nw = Side(std::floor((static_cast<double>(size) / static_cast<double>(h)) * w));
    nh = size < 1 ? 1 : size;
  } else {
    return false;
  }
  image.SetDimensions(nw, nh);
  image.ChangeBitDepth(24);
  for (int j = 0; j <= nh - 2; ++j) {
    const double y = (static_cast<double>(j) * (static_cast<double>(h) - 1.0)) /
                     (static_cast<double>(nh) - 1.0);
    const int y0 = static_cast<int>(std::floor(y));
    const double fy = y - static_cast<double>(y0);
    for (int i = 0; i <= nw - 2; ++i) {
      const double x = (static_cast<double>(i) * (static_cast<double>(w) - 1.0)) /
                       (static_cast<double>(nw) - 1.0);
      const int x0 = static_cast<int>(std::floor(x));
      const double fx = x - static_cast<double>(x0);
      const ColorQuad tl = old.PixelAt(x0, y0);
      const ColorQuad tr = old.PixelAt(x0 + 1, y0);
      const ColorQuad bl = old.PixelAt(x0, y0 + 1);
      const ColorQuad br = old.PixelAt(x0 + 1, y0 + 1);
      const double wBR = fx * fy;
      const double wTL = ((1.0 - fx) - fy) + wBR;
      const double wBL = fy - wBR;
      const double wTR = fx - wBR;
      ColorQuad& pixel = image.PixelAt(i, j);
      pixel.red = Truncate(((tr.red * wTR + bl.red * wBL) + br.red * wBR) + tl.red * wTL);
      pixel.green =
          Truncate(((tr.green * wTR + bl.green * wBL) + br.green * wBR) + tl.green * wTL);
      pixel.blue = Truncate(((br.blue * wBR + tl.blue * wTL) + tr.blue * wTR) + bl.blue * wBL);
    }
    const ColorQuad rt = old.PixelAt(w - 1, y0);
    const ColorQuad rb = old.PixelAt(w - 1, y0 + 1);
    ColorQuad& edge = image.PixelAt(nw - 1, j);
    edge.red = Truncate(rb.red * fy + rt.red * (1.0 - fy));
    edge.green = Truncate(rb.green * fy + rt.green * (1.0 - fy));
    edge.blue = Truncate(rb.blue * fy + rt.blue * (1.0 - fy));
  }
  for (int i = 0; i <= nw - 2; ++i) {
    const double x = (static_cast<double>(i) * (static_cast<double>(w) - 1.0)) /
                     (static_cast<double>(nw) - 1.0);
    const int x0 = static_cast<int>(std::floor(x));
    const double fx = x - static_cast<double>(x0);
    const ColorQuad l = old.PixelAt(x0, h - 1);
    const ColorQuad r = old.PixelAt(x0 + 1, h - 1);
    ColorQuad& pixel = image.PixelAt(i, nh - 1);
    pixel.red = Truncate(r.red * fx + l.red * (1.0 - fx));
    pixel.green = Truncate(r.green * fx + l.green * (1.0 - fx));
    pixel.blue = Truncate(r.blue * fx + l.blue * (1.0 - fx));
  }
  image.PixelAt(nw - 1, nh - 1) = old.PixelAt(w - 1, h - 1);
  return true;
}

// Rescales two copies of the same image, one with the given variant of the
// inner loops and one the plain way, and compares them.
void ExpectSameAsReference(const RescaleKernels& kernels, int width, int height, int depth,
                           char mode, int size, std::uint32_t seed) {
  RasterImage image;
  FillPseudoRandom(image, width, height, seed);
  image.ChangeBitDepth(depth);
  RasterImage expected(image);
  RasterImage actual(image);
  ASSERT_TRUE(ReferenceRescale(expected, mode, size));
  ASSERT_TRUE(RescaleImageWith(actual, mode, size, kernels));
  const std::string difference = CompareImages(actual, expected);
  EXPECT_EQ(difference, "") << kernels.name << ": " << width << "x" << height << " " << mode
                            << " " << size;
  EXPECT_EQ(actual.BitDepth(), 24);
}

TEST(RescaleTest, NewSizeByModeTable) {
  struct Case {
    int width, height;
    char mode;
    int size;
    int newWidth, newHeight;
  };
  const Case cases[] = {
      {5, 3, 'P', 50, 2, 1},       // floor of 2.5 and 1.5
      {3, 3, 'P', 333, 9, 9},      // 9.99
      {640, 480, 'F', 100, 100, 75},
      {480, 640, 'F', 100, 75, 100},
      {11, 11, 'F', 15, 14, 15},   // (15 / 11) x 11 is 14.999999999999998
      {11, 11, 'f', 15, 14, 15},
      {7, 5, 'H', 10, 14, 10},
      {7, 5, 'w', 14, 14, 10},
      {2, 10, 'W', 1, 1, 5},
      {7, 5, 'P', 0, 1, 1},        // sides below 1 become 1
      {7, 5, 'p', -40, 1, 1},
      {7, 5, 'W', 0, 1, 1},
      {7, 5, 'H', -3, 1, 1},
      {7, 5, 'F', INT_MIN, 1, 1},
  };
  for (const Case& c : cases) {
    RasterImage image;
    ASSERT_TRUE(image.SetDimensions(c.width, c.height));
    EXPECT_TRUE(RescaleImage(image, c.mode, c.size)) << c.mode << " " << c.size;
    EXPECT_EQ(image.Width(), c.newWidth) << c.width << "x" << c.height << " " << c.mode << c.size;
    EXPECT_EQ(image.Height(), c.newHeight) << c.width << "x" << c.height << " " << c.mode << c.size;
  }
}

TEST(RescaleTest, PixelsMatchThePlainEvaluationWithEveryVariant) {
  // Each shape and direction: widening, narrowing, single rows and columns
  // both ways, more new rows than one band of the column walk, and indexed
  // images (interpolated by colour, not by index).
  struct Case {
    int width, height, depth;
    char mode;
    int size;
  };
  const Case cases[] = {
      {4, 4, 24, 'H', 11},  {9, 7, 24, 'P', 100}, {13, 8, 24, 'P', 37},
      {8, 13, 32, 'P', 260}, {1, 9, 24, 'H', 20},  {9, 1, 24, 'W', 20},
      {1, 9, 24, 'W', 4},    {9, 1, 24, 'H', 4},   {1, 1, 24, 'P', 700},
      {25, 2, 24, 'W', 1},   {2, 25, 24, 'H', 1},  {3, 2, 24, 'H', 1100},
      {600, 3, 8, 'P', 77},  {17, 300, 4, 'F', 1030}, {40, 30, 1, 'F', 64},
  };
  const RescaleKernels* variants[8];
  const int count = RunnableRescaleKernels(variants, 8);
  ASSERT_GE(count, 1);
  EXPECT_EQ(&FastestRescaleKernels(), variants[count - 1]);
  for (int v = 0; v < count; ++v) {
    const RescaleKernels& kernels = *variants[v];
    for (const Case& c : cases) {
      ExpectSameAsReference(kernels, c.width, c.height, c.depth, c.mode, c.size, 7);
    }
    std::mt19937 random(2024);
    const char modes[] = {'P', 'W', 'H', 'F'};
    for (int round = 0; round < 300; ++round) {
      const int width = 1 + static_cast<int>(random() % 40);
      const int height = 1 + static_cast<int>(random() % 40);
      const char mode = modes[random() % 4];
      const int size = mode == 'P' ? 1 + static_cast<int>(random() % 400)
                                   : 1 + static_cast<int>(random() % 90);
      ExpectSameAsReference(kernels, width, height, 24, mode, size, round);
    }
  }
}

TEST(RescaleTest, UniformWhiteLosesOneInBlueWhereItsSumRoundsLow) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(4, 4));
  ASSERT_TRUE(RescaleImage(image, 'H', 11));
  ASSERT_EQ(image.Width(), 11);
  ASSERT_EQ(image.Height(), 11);
  EXPECT_TRUE(SamePixel(image.ReadPixel(1, 2), ColorQuad{254, 255, 255, 0}))
      << Describe(image.ReadPixel(1, 2));
}

TEST(RescaleTest, FullSizeKeepsColoursAndOnlyTheCornerKeepsAlpha) {
  RasterImage image;
  FillPseudoRandom(image, 9, 7, 3);
  image.ChangeBitDepth(4);
  RasterImage old(image);
  ASSERT_TRUE(RescaleImage(image, 'P', 100));
  ASSERT_EQ(image.Width(), 9);
  ASSERT_EQ(image.Height(), 7);
  EXPECT_EQ(image.BitDepth(), 24);
  EXPECT_FALSE(image.SetPaletteEntry(0, ColorQuad{1, 2, 3, 0}));  // no table
  for (int x = 0; x < 9; ++x) {
    for (int y = 0; y < 7; ++y) {
      ColorQuad expected = old.ReadPixel(x, y);
      if (x != 8 || y != 6) expected.alpha = 0;
      EXPECT_TRUE(SamePixel(image.ReadPixel(x, y), expected)) << x << "," << y;
    }
  }
}

TEST(RescaleTest, OnePixelHighResultComesFromTheOldBottomRow) {
  RasterImage image;
  FillPseudoRandom(image, 5, 3, 11);
  RasterImage old(image);
  ASSERT_TRUE(RescaleImage(image, 'P', 50));
  ASSERT_EQ(image.Width(), 2);
  ASSERT_EQ(image.Height(), 1);
  ColorQuad left = old.ReadPixel(0, 2);
  left.alpha = 0;
  EXPECT_TRUE(SamePixel(image.ReadPixel(0, 0), left));
  EXPECT_TRUE(SamePixel(image.ReadPixel(1, 0), old.ReadPixel(4, 2)));  // the corner
}

TEST(RescaleTest, SizeZeroKeepsTheOldCornerWithAlpha) {
  RasterImage image;
  FillPseudoRandom(image, 6, 4, 5);
  const ColorQuad corner = image.ReadPixel(5, 3);
  ASSERT_TRUE(RescaleImage(image, 'P', 0));
  ASSERT_EQ(image.Width(), 1);
  ASSERT_EQ(image.Height(), 1);
  EXPECT_TRUE(SamePixel(image.ReadPixel(0, 0), corner));
}

// An 8-bit image with a custom table entry and a zero horizontal resolution.
void MakeIndexedImage(RasterImage& image, int width) {
  FillPseudoRandom(image, width, 5, 9);
  image.ChangeBitDepth(8);
  image.SetPaletteEntry(10, ColorQuad{1, 2, 3, 4});
  image.SetResolutionDpi(0, 72);
}

void ExpectUnchangedButResolution(RasterImage& image, RasterImage& before) {
  EXPECT_EQ(CompareImages(image, before), "");
  EXPECT_EQ(image.BitDepth(), 8);
  EXPECT_TRUE(SamePixel(image.PaletteEntry(10), ColorQuad{1, 2, 3, 4}));
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 3780);  // was 0
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 2834);
}

TEST(RescaleTest, UnknownModeChangesNothingButAnUnsetResolution) {
  for (char mode : {'X', 'q', '\0', '1', static_cast<char>(0xF0)}) {
    RasterImage image;
    MakeIndexedImage(image, 6);
    RasterImage before(image);
    EXPECT_FALSE(RescaleImage(image, mode, 50)) << int{mode};
    ExpectUnchangedButResolution(image, before);
  }
}

TEST(RescaleTest, SizesBeyondAnIntOrMemoryFailAndKeepTheImage) {
  struct Case {
    int width;  // the height is 5
    char mode;
    int size;
  };
  const Case cases[] = {
      {300, 'P', INT_MAX},  // 300 x INT_MAX / 100 is beyond an int (and 32-bit products)
      {6, 'H', INT_MAX},    // (INT_MAX / 5) x 6 likewise
      {6, 'W', INT_MAX},    // fits: INT_MAX x 1789569705 pixels cannot be had
      {6, 'P', INT_MAX},    // 128849018 x 107374182 pixels neither
  };
  for (const Case& c : cases) {
    RasterImage image;
    MakeIndexedImage(image, c.width);
    RasterImage before(image);
    EXPECT_FALSE(RescaleImage(image, c.mode, c.size)) << c.width << " " << c.mode;
    ExpectUnchangedButResolution(image, before);
  }
}

TEST(RescaleTest, ResolutionKeepsItsValue) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(8, 8));
  image.SetResolutionDpi(72, 300);
  ASSERT_TRUE(RescaleImage(image, 'P', 50));
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 2834);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 11811);
}

}  // namespace
}  // namespace korvel
