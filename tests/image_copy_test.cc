#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "korvelgraphline/pixel_copy.h"
#include "korvelgraphline/raster_image.h"
#include "support/image_fixtures.h"

namespace korvel {
namespace {

using testing::CompareImages;
using testing::Describe;
using testing::FillPositions;
using testing::FillPseudoRandom;
using testing::SamePixel;

constexpr ColorQuad kWhite = {255, 255, 255, 0};

// The pixel FillPositions puts at (x, y).
ColorQuad At(int x, int y) {
  return ColorQuad{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 100, 200};
}

TEST(ImageCopyTest, ResolutionTravelsThroughWholeDotsPerInch) {
  RasterImage source;  // both fields 0
  RasterImage copy(source);
  EXPECT_EQ(copy.HorizontalPixelsPerMetre(), 3779);
  EXPECT_EQ(copy.VerticalPixelsPerMetre(), 3779);
  EXPECT_EQ(source.HorizontalPixelsPerMetre(), 3780);
  EXPECT_EQ(source.VerticalPixelsPerMetre(), 3780);

  source.SetResolutionDpi(72, 300);  // 2834 and 11811
  RasterImage second(source);
  EXPECT_EQ(second.HorizontalPixelsPerMetre(), 2795);  // 71 dpi
  EXPECT_EQ(second.VerticalPixelsPerMetre(), 11771);   // 299 dpi
}

TEST(ImageCopyTest, CopiesDepthTableAndEveryPixelExactly) {
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    RasterImage source;
    FillPseudoRandom(source, 7, 5, depth);
    ASSERT_TRUE(source.ChangeBitDepth(depth));
    source.SetPaletteEntry(1, ColorQuad{1, 2, 3, 4});
    source.SetPaletteEntry(15, ColorQuad{9, 8, 7, 6});
    RasterImage copy(source);
    EXPECT_EQ(copy.BitDepth(), depth);
    EXPECT_EQ(CompareImages(copy, source), "") << depth;
    for (int i = 0; i < 256; ++i) {
      EXPECT_TRUE(SamePixel(copy.PaletteEntry(i), source.PaletteEntry(i)))
          << depth << " entry " << i;
    }
  }
}

TEST(ImageCopyTest, CopyIsIndependentOfItsSource) {
  RasterImage source;
  FillPositions(source, 3, 3);
  source.ChangeBitDepth(8);
  RasterImage copy(source);
  copy.PutPixel(1, 1, kWhite);
  copy.SetPaletteEntry(0, kWhite);
  EXPECT_TRUE(SamePixel(source.ReadPixel(1, 1), At(1, 1)));
  EXPECT_TRUE(SamePixel(source.PaletteEntry(0), ColorQuad{0, 0, 0, 0}));
}

TEST(PixelCopyTest, CopyPixelClampsBothReferences) {
  RasterImage source;
  FillPositions(source, 10, 20);
  RasterImage destination;
  ASSERT_TRUE(destination.SetDimensions(4, 4));
  CopyPixel(source, -3, 1000, destination, 1, 1);
  EXPECT_TRUE(SamePixel(destination.ReadPixel(1, 1), At(0, 19)));
  CopyPixel(source, 2, 3, destination, 9, 2);  // right of the last column
  EXPECT_TRUE(SamePixel(destination.ReadPixel(3, 2), At(2, 3)));
  CopyPixel(source, INT_MAX, INT_MIN, destination, INT_MIN, INT_MAX);
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 3), At(9, 0)));
}

TEST(PixelCopyTest, KeyColourIsComparedOnRedGreenAndBlueOnly) {
  RasterImage source;
  ASSERT_TRUE(source.SetDimensions(3, 1));
  const ColorQuad key = {10, 20, 30, 0};
  source.PutPixel(0, 0, ColorQuad{10, 20, 30, 99});  // the key but for alpha
  source.PutPixel(1, 0, ColorQuad{11, 20, 30, 77});  // differs in blue alone
  source.PutPixel(2, 0, ColorQuad{10, 20, 31, 0});   // differs in red alone
  RasterImage destination;
  ASSERT_TRUE(destination.SetDimensions(3, 1));
  for (int x = 0; x < 3; ++x) CopyPixelUnlessKey(source, x, 0, destination, x, 0, key);
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 0), kWhite));
  EXPECT_TRUE(SamePixel(destination.ReadPixel(1, 0), ColorQuad{11, 20, 30, 77}));
  EXPECT_TRUE(SamePixel(destination.ReadPixel(2, 0), ColorQuad{10, 20, 31, 0}));
}

// The eight bounds and positions of one block copy.
struct BlockCase {
  int left, right, bottom, top, destinationX, destinationY;
};

// Copies the block of a 10 x 10 source of positions into a white
// destination of size x size.
void CopyIntoWhite(const BlockCase& c, RasterImage& destination, int size) {
  RasterImage source;
  FillPositions(source, 10, 10);
  ASSERT_TRUE(destination.SetDimensions(size, size));
  CopyPixelBlock(source, c.left, c.right, c.bottom, c.top, destination, c.destinationX,
                 c.destinationY);
}

// Expects destination to hold source (x, y) at (x + dx, y + dy) for the
// source columns and rows given, and white everywhere else.
void ExpectBlock(RasterImage& destination, int firstColumn, int lastColumn, int firstRow,
                 int lastRow, int dx, int dy) {
  for (int x = 0; x < destination.Width(); ++x) {
    for (int y = 0; y < destination.Height(); ++y) {
      const int sx = x - dx;
      const int sy = y - dy;
      const bool inside = sx >= firstColumn && sx <= lastColumn && sy >= firstRow && sy <= lastRow;
      const ColorQuad expected = inside ? At(sx, sy) : kWhite;
      ASSERT_TRUE(SamePixel(destination.ReadPixel(x, y), expected))
          << "(" << x << ", " << y << ") " << Describe(destination.ReadPixel(x, y));
    }
  }
}

TEST(PixelCopyTest, BlockBoundsAreOrderedAndCutToBothImages) {
  struct Expected {
    BlockCase block;
    int destinationSize;
    int firstColumn, lastColumn, firstRow, lastRow;  // source bounds copied
    int dx, dy;                                      // destination - source
  };
  const Expected cases[] = {
      // Row bounds in either order copy the same rows.
      {{1, 3, 2, 7, 5, 0}, 20, 1, 3, 2, 7, 4, -2},
      {{1, 3, 7, 2, 5, 0}, 20, 1, 3, 2, 7, 4, -2},
      // Cut to the source's right and bottom edges.
      {{6, 40, 40, 8, 0, 0}, 20, 6, 9, 8, 9, -6, -8},
      // Cut to the destination's right and bottom edges.
      {{0, 9, 9, 0, 95, 0}, 100, 0, 4, 0, 9, 95, 0},
      {{0, 9, 9, 0, 0, 97}, 100, 0, 9, 0, 2, 0, 97},
      // A negative left or top moves the block: column 0 lands at x 3.
      {{-5, 4, 1, -3, 3, 6}, 20, 0, 4, 0, 1, 3, 6},
  };
  for (const Expected& e : cases) {
    RasterImage destination;
    CopyIntoWhite(e.block, destination, e.destinationSize);
    SCOPED_TRACE(::testing::Message() << "left " << e.block.left << " right " << e.block.right
                                      << " bottom " << e.block.bottom << " top " << e.block.top);
    ExpectBlock(destination, e.firstColumn, e.lastColumn, e.firstRow, e.lastRow, e.dx, e.dy);
  }
}

TEST(PixelCopyTest, EmptyBlocksCopyNothing) {
  const BlockCase cases[] = {
      {7, 2, 0, 5, 0, 0},          // left after right: never swapped
      {0, 9, 9, 0, 100, 0},        // starts right of the destination
      {0, 9, 9, 0, 0, 100},        // starts below it
      {0, 9, 9, 0, INT_MAX, 0},    // far right: no overflow either
      {0, 9, 9, 0, 0, INT_MAX},
      {12, 20, 3, 1, 0, 0},        // left of the block beyond the source
  };
  for (const BlockCase& c : cases) {
    RasterImage destination;
    CopyIntoWhite(c, destination, 100);
    ExpectBlock(destination, 0, -1, 0, -1, 0, 0);
  }
}

TEST(PixelCopyTest, NegativeDestinationLeavesTheLastPixelWrittenIntoColumnZero) {
  RasterImage source;
  FillPositions(source, 10, 1);
  RasterImage destination;
  ASSERT_TRUE(destination.SetDimensions(8, 1));
  CopyPixelBlock(source, 2, 7, 0, 0, destination, -3, 0);
  // Source columns 2, 3 and 4 went to -3, -2 and -1, i.e. column 0, then
  // column 5 to x 0 itself.
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 0), At(5, 0)));
  EXPECT_TRUE(SamePixel(destination.ReadPixel(2, 0), At(7, 0)));
  EXPECT_TRUE(SamePixel(destination.ReadPixel(3, 0), kWhite));

  // A destination far left: every column is written into column 0.
  CopyPixelBlock(source, 0, 9, 0, 0, destination, INT_MIN, 0);
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 0), At(9, 0)));
}

TEST(PixelCopyTest, NegativeDestinationWithKeyKeepsTheLastNonKeyPixel) {
  RasterImage source;
  FillPositions(source, 6, 1);
  const ColorQuad key = At(3, 0);
  source.PutPixel(4, 0, ColorQuad{key.blue, key.green, key.red, 1});  // key but for alpha
  RasterImage destination;
  ASSERT_TRUE(destination.SetDimensions(4, 1));
  // Columns 1, 2, 3 go to column 0, then 4 to x 0: 3 and 4 are key pixels.
  CopyPixelBlockUnlessKey(source, 1, 5, 0, 0, destination, -3, 0, key);
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 0), At(2, 0)));
  EXPECT_TRUE(SamePixel(destination.ReadPixel(1, 0), At(5, 0)));

  // All of them key-coloured: the old destination pixel stays.
  RasterImage plain;
  ASSERT_TRUE(plain.SetDimensions(6, 1));
  for (int x = 0; x < 6; ++x) plain.PutPixel(x, 0, ColorQuad{1, 2, 3, static_cast<std::uint8_t>(x)});
  ASSERT_TRUE(destination.SetDimensions(4, 1));
  CopyPixelBlockUnlessKey(plain, 0, 3, 0, 0, destination, -3, 0, ColorQuad{1, 2, 3, 0});
  EXPECT_TRUE(SamePixel(destination.ReadPixel(0, 0), kWhite));
}

TEST(PixelCopyTest, BlockWithKeyLeavesKeyPixelsAlone) {
  RasterImage source;
  FillPositions(source, 4, 4);
  RasterImage destination;
  ASSERT_TRUE(destination.SetDimensions(4, 4));
  const ColorQuad key = At(1, 2);
  CopyPixelBlockUnlessKey(source, 0, 3, 3, 0, destination, 0, 0, key);
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 4; ++y) {
      const ColorQuad expected = (x == 1 && y == 2) ? kWhite : At(x, y);
      EXPECT_TRUE(SamePixel(destination.ReadPixel(x, y), expected)) << x << "," << y;
    }
  }
}

TEST(PixelCopyTest, OverlapWithinOneImageReadsWhatTheCopyWrote) {
  RasterImage image;
  FillPositions(image, 6, 2);
  // Columns 0..3 of row 1 to x 1: each pixel is read after it was written.
  CopyPixelBlock(image, 0, 3, 1, 1, image, 1, 1);
  for (int x = 0; x <= 4; ++x) {
    EXPECT_TRUE(SamePixel(image.ReadPixel(x, 1), At(0, 1))) << x;
  }
  EXPECT_TRUE(SamePixel(image.ReadPixel(5, 1), At(5, 1)));
  EXPECT_TRUE(SamePixel(image.ReadPixel(2, 0), At(2, 0)));  // other row untouched
}

TEST(PixelCopyTest, KeyMayBeAPixelTheCopyOverwrites) {
  RasterImage image;
  FillPositions(image, 4, 1);
  // The key is a reference to pixel (1, 0), which the copy overwrites first;
  // the key still means its colour at the start.
  CopyPixelBlockUnlessKey(image, 0, 2, 0, 0, image, 1, 0, image.PixelAt(1, 0));
  EXPECT_TRUE(SamePixel(image.ReadPixel(1, 0), At(0, 0)));
  EXPECT_TRUE(SamePixel(image.ReadPixel(2, 0), At(0, 0)));
  EXPECT_TRUE(SamePixel(image.ReadPixel(3, 0), At(0, 0)));
}

}  // namespace
}  // namespace korvel
