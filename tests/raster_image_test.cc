#include "korvelgraphline/raster_image.h"

#include <gtest/gtest.h>

#include <climits>

namespace korvel {
namespace {

constexpr ColorQuad kWhite = {255, 255, 255, 0};

bool Same(const ColorQuad& a, const ColorQuad& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}

TEST(RasterImageTest, NewImageIs24BitOnePixelWithoutTable) {
  RasterImage image;
  EXPECT_EQ(image.BitDepth(), 24);
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(image.ColorCount(), 16777216);
  EXPECT_TRUE(Same(image.PaletteEntry(0), kWhite));
  EXPECT_FALSE(image.SetPaletteEntry(0, ColorQuad{1, 2, 3, 4}));
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 0);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 0);
}

TEST(RasterImageTest, SetDimensionsWhitensEveryPixel) {
  RasterImage image;
  image.PutPixel(0, 0, ColorQuad{1, 2, 3, 4});
  ASSERT_TRUE(image.SetDimensions(800, 600));
  EXPECT_EQ(image.Width(), 800);
  EXPECT_EQ(image.Height(), 600);
  for (int x = 0; x < 800; ++x) {
    for (int y = 0; y < 600; ++y) {
      ASSERT_TRUE(Same(image.ReadPixel(x, y), kWhite)) << x << "," << y;
    }
  }
}

TEST(RasterImageTest, SetDimensionsRefusesSizesBelowOneAndKeepsTheImage) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(4, 3));
  const ColorQuad mark = {9, 8, 7, 6};
  image.PutPixel(2, 1, mark);
  for (auto [width, height] : {std::pair{0, 600}, {800, -1}, {-5, 0}, {INT_MIN, 1}}) {
    EXPECT_FALSE(image.SetDimensions(width, height)) << width << "x" << height;
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_TRUE(Same(image.ReadPixel(2, 1), mark));
  }
}

TEST(RasterImageTest, SetDimensionsThatCannotBeAllocatedKeepsTheImage) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(3, 2));
  image.PutPixel(1, 1, ColorQuad{1, 1, 1, 1});
  // 2^31 x 2^31 pixels can never be had.
  EXPECT_FALSE(image.SetDimensions(INT_MAX, INT_MAX));
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_TRUE(Same(image.ReadPixel(1, 1), ColorQuad{1, 1, 1, 1}));
}

TEST(RasterImageTest, ReadsClampAndPutPixelRefusesOutside) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(10, 10));
  const ColorQuad c = {10, 20, 30, 40};
  EXPECT_TRUE(image.PutPixel(3, 4, c));
  EXPECT_TRUE(Same(image.ReadPixel(3, 4), c));
  image.PutPixel(9, 0, ColorQuad{1, 0, 0, 0});
  image.PutPixel(0, 9, ColorQuad{2, 0, 0, 0});
  EXPECT_EQ(image.ReadPixel(12, -1).blue, 1);
  EXPECT_EQ(image.ReadPixel(-7, 25).blue, 2);
  EXPECT_EQ(image.PixelAt(INT_MAX, INT_MIN).blue, 1);

  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {10, 0}, {0, 10}, {INT_MIN, INT_MAX}}) {
    EXPECT_FALSE(image.PutPixel(x, y, ColorQuad{0, 0, 0, 0})) << x << "," << y;
  }
  EXPECT_EQ(image.ReadPixel(9, 0).blue, 1);  // the edges were not written
  EXPECT_EQ(image.ReadPixel(0, 9).blue, 2);
}

TEST(RasterImageTest, PixelAtGivesAWritableReference) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(5, 5));
  image.PixelAt(2, 3).red = 7;
  EXPECT_EQ(image.ReadPixel(2, 3).red, 7);
}

TEST(RasterImageTest, ResolutionConversions) {
  struct Case {
    int dpi;
    int pixelsPerMetre;
    int dpiBack;
  };
  for (const Case& c : {Case{96, 3779, 95}, Case{72, 2834, 71}, Case{300, 11811, 299},
                        Case{1, 39, 0}, Case{-96, -3779, -95}}) {
    RasterImage image;
    image.SetResolutionDpi(c.dpi, c.dpi);
    EXPECT_EQ(image.HorizontalPixelsPerMetre(), c.pixelsPerMetre) << c.dpi;
    EXPECT_EQ(image.VerticalPixelsPerMetre(), c.pixelsPerMetre) << c.dpi;
    EXPECT_EQ(image.HorizontalDpi(), c.dpiBack) << c.dpi;
  }
}

TEST(RasterImageTest, DpiQueryTurnsAnUnsetFieldInto3780) {
  RasterImage image;
  EXPECT_EQ(image.HorizontalDpi(), 96);
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 3780);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 0);
  EXPECT_EQ(image.VerticalDpi(), 96);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 3780);

  image.SetResolutionDpi(0, 0);
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 0);
  EXPECT_EQ(image.VerticalDpi(), 96);
}

TEST(RasterImageTest, SetResolutionDpiSaturatesInsteadOfOverflowing) {
  RasterImage image;
  image.SetResolutionDpi(INT_MAX, INT_MIN);
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), INT_MAX);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), INT_MIN);
  image.SetResolutionDpi(54545454, -54545454);  // just inside the int range
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 2147458818);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), -2147458818);
}

TEST(IntegerPowerTest, MultipliesAndWrapsIn32Bits) {
  struct Case {
    int base, exponent, expected;
  };
  for (const Case& c : {Case{2, 8, 256}, Case{3, 4, 81}, Case{2, -3, 1}, Case{2, 0, 1},
                        Case{2, -1, 1}, Case{2, 24, 16777216}, Case{2, 31, INT_MIN},
                        Case{2, 32, 0}, Case{3, 21, 1870418611}, Case{-2, 3, -8},
                        Case{7, INT_MAX, -1227133513}}) {
    EXPECT_EQ(IntegerPower(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
  }
}

TEST(TypeSizesValidTest, HoldsInThisBuild) { EXPECT_TRUE(TypeSizesValid()); }

}  // namespace
}  // namespace korvel
