#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/bmp_layout.h"
#include "image/truecolour_kernels.h"
#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/raster_image.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using testing::FillRandom;
using testing::ReadFileBytes;
using testing::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& file, std::size_t offset) {
  return bmp::LoadLittleEndian<std::uint32_t>(file.data() + offset);
}
std::uint16_t U16At(const Bytes& file, std::size_t offset) {
  return bmp::LoadLittleEndian<std::uint16_t>(file.data() + offset);
}

TEST(BmpWriterTest, ChartCanvasHeaderMatchesTheKnownBytes) {
  ScratchDir dir;
  RasterImage canvas;
  ASSERT_TRUE(canvas.SetDimensions(800, 600));
  ASSERT_TRUE(canvas.SaveBmp(dir.Path("chart.bmp").c_str()));
  const Bytes file = ReadFileBytes(dir.Path("chart.bmp"));
  ASSERT_EQ(file.size(), 1440054u);
  const Bytes expected = {
      0x42, 0x4D, 0x36, 0xF9, 0x15, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,
      0x28, 0x00, 0x00, 0x00, 0x20, 0x03, 0x00, 0x00, 0x58, 0x02, 0x00, 0x00, 0x01, 0x00,
      0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF9, 0x15, 0x00, 0xC4, 0x0E, 0x00, 0x00,
      0xC4, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), expected);
  for (std::size_t i = 54; i < file.size(); ++i) ASSERT_EQ(file[i], 0xFF) << i;
  EXPECT_EQ(canvas.HorizontalPixelsPerMetre(), 0);  // written as 3780, kept as 0
}

TEST(BmpWriterTest, FileLayoutAtEveryDepth) {
  struct Case {
    int width, height, depth;
    std::uint32_t offBits, rowBytes, compression;
  };
  const Case cases[] = {
      {1, 1, 24, 54, 4, 0},   {2, 2, 32, 54, 8, 0},  {3, 2, 16, 66, 8, 3},
      {5, 2, 8, 1078, 8, 0},  {3, 1, 4, 118, 4, 0},  {9, 1, 1, 62, 4, 0},
      {800, 600, 24, 54, 2400, 0}, {7, 3, 24, 54, 24, 0}, {33, 2, 1, 62, 8, 0},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "@" +
                 std::to_string(c.depth));
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    ASSERT_TRUE(image.SetDimensions(c.width, c.height));
    const std::string path = dir.Path("layout.bmp");
    ASSERT_TRUE(image.SaveBmp(path.c_str()));
    const Bytes file = ReadFileBytes(path);
    const std::uint32_t imageBytes = c.rowBytes * c.height;
    EXPECT_EQ(file.size(), c.offBits + imageBytes);
    EXPECT_EQ(U16At(file, 0), 0x4D42);
    EXPECT_EQ(U32At(file, 2), file.size());
    EXPECT_EQ(U32At(file, 6), 0u);  // both reserved fields
    EXPECT_EQ(U32At(file, 10), c.offBits);
    EXPECT_EQ(U32At(file, 14), 40u);
    EXPECT_EQ(U32At(file, 18), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(U32At(file, 22), static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(U16At(file, 26), 1);
    EXPECT_EQ(U16At(file, 28), c.depth);
    EXPECT_EQ(U32At(file, 30), c.compression);
    EXPECT_EQ(U32At(file, 34), imageBytes);
    EXPECT_EQ(U32At(file, 38), 3780u);
    EXPECT_EQ(U32At(file, 42), 3780u);
    EXPECT_EQ(U32At(file, 46), 0u);
    EXPECT_EQ(U32At(file, 50), 0u);
  }
}

TEST(BmpWriterTest, SixteenBitMasksAndWords) {
  struct Case {
    ColorQuad colour;
    std::uint8_t low, high;
  };
  const Case cases[] = {
      {{255, 255, 255, 0}, 0xFF, 0xFF}, {{0, 0, 255, 0}, 0x00, 0xF8},
      {{0, 255, 0, 0}, 0xE0, 0x07},     {{255, 0, 0, 0}, 0x1F, 0x00},
      {{7, 3, 7, 0}, 0x00, 0x00},       {{50, 100, 200, 9}, 0x26, 0xCB},
  };
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(16));
  ASSERT_TRUE(image.SetDimensions(6, 1));
  for (int x = 0; x < 6; ++x) image.PutPixel(x, 0, cases[x].colour);
  ScratchDir dir;
  ASSERT_TRUE(image.SaveBmp(dir.Path("16.bmp").c_str()));
  const Bytes file = ReadFileBytes(dir.Path("16.bmp"));
  ASSERT_EQ(file.size(), 66u + 12u);
  EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 66),
            (Bytes{0x00, 0xF8, 0x00, 0x00, 0xE0, 0x07, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}));
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(file[66 + 2 * x], cases[x].low) << x;
    EXPECT_EQ(file[67 + 2 * x], cases[x].high) << x;
  }
}

TEST(BmpWriterTest, RowsRunBottomFirstAndAlphaOnlyAt32Bits) {
  const ColorQuad red = {0, 0, 255, 0x11};
  const ColorQuad blue = {255, 0, 0, 0x22};
  ScratchDir dir;
  for (int depth : {24, 32}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    ASSERT_TRUE(image.SetDimensions(1, 2));
    image.PutPixel(0, 0, red);
    image.PutPixel(0, 1, blue);
    ASSERT_TRUE(image.SaveBmp(dir.Path("rows.bmp").c_str()));
    const Bytes file = ReadFileBytes(dir.Path("rows.bmp"));
    const Bytes rows(file.begin() + 54, file.end());
    if (depth == 24) {
      EXPECT_EQ(rows, (Bytes{0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00}));
    } else {
      EXPECT_EQ(rows, (Bytes{0xFF, 0x00, 0x00, 0x22, 0x00, 0x00, 0xFF, 0x11}));
    }
  }
}

TEST(BmpWriterTest, ResolutionIsWrittenAndAnUnsetFieldAs3780) {
  RasterImage image;
  image.SetResolutionDpi(72, 0);
  ASSERT_EQ(image.HorizontalPixelsPerMetre(), 2834);
  ScratchDir dir;
  ASSERT_TRUE(image.SaveBmp(dir.Path("dpi.bmp").c_str()));
  const Bytes file = ReadFileBytes(dir.Path("dpi.bmp"));
  EXPECT_EQ(U32At(file, 38), 2834u);
  EXPECT_EQ(U32At(file, 42), 3780u);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 0);
}

// The writer assembles rows straight from the column store, small files whole
// and large ones (over 4 MiB) in blocks of 64 rows; either way it must give
// exactly the bytes of the one-row-at-a-time encoders, padding zero, for odd
// widths and heights around the block size.
TEST(BmpWriterTest, BlockWriterEqualsRowByRowEncoding) {
  ScratchDir dir;
  std::uint32_t seed = 1;
  for (int depth : {16, 24, 32}) {
    for (auto [width, height] :
         {std::pair{1, 1}, {3, 63}, {5, 64}, {7, 65}, {2, 130}, {31, 200}, {1031, 2113}}) {
      SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "@" +
                   std::to_string(depth));
      RasterImage image;
      ASSERT_TRUE(image.ChangeBitDepth(depth));
      ASSERT_TRUE(image.SetDimensions(width, height));
      FillRandom(image, seed++);
      ASSERT_TRUE(image.SaveBmp(dir.Path("block.bmp").c_str()));
      const Bytes file = ReadFileBytes(dir.Path("block.bmp"));
      const std::size_t rowBytes = bmp::RowBytes(width, depth);
      const std::size_t offset = depth == 16 ? 66 : 54;
      ASSERT_EQ(file.size(), offset + rowBytes * height);
      for (int row = 0; row < height; ++row) {
        Bytes expected(rowBytes, 0);
        const int y = height - 1 - row;
        if (depth == 16) {
          for (int x = 0; x < width; ++x) {
            const ColorQuad p = image.ReadPixel(x, y);
            const int word = ((p.red >> 3) << 11) + ((p.green >> 2) << 5) + (p.blue >> 3);
            expected[2 * x] = static_cast<std::uint8_t>(word);
            expected[2 * x + 1] = static_cast<std::uint8_t>(word >> 8);
          }
        } else if (depth == 24) {
          ASSERT_TRUE(image.EncodeRow24(expected.data(), static_cast<int>(rowBytes), y));
        } else {
          ASSERT_TRUE(image.EncodeRow32(expected.data(), static_cast<int>(rowBytes), y));
        }
        ASSERT_EQ(Bytes(file.begin() + offset + row * rowBytes,
                        file.begin() + offset + (row + 1) * rowBytes),
                  expected)
            << "file row " << row;
      }
    }
  }
}

// Every variant of the 24-bit encoder this processor runs must give the
// bytes of EncodeRow24, for whole images and for blocks of rows that do not
// start at the bottom, at widths and heights on both sides of the 8 x 8 and
// 16-column groups the wide variants work in. Bytes past each row's pixels
// must stay untouched.
TEST(BmpWriterTest, EveryTrueColourVariantEqualsRowByRowEncoding) {
  struct Case {
    int width, height, yFirst, rows;
  };
  const Case cases[] = {
      {1, 1, 0, 1},     {7, 9, 8, 9},     {8, 8, 7, 8},     {15, 7, 6, 7},
      {16, 16, 15, 16}, {17, 17, 16, 17}, {33, 25, 24, 25}, {48, 64, 40, 13},
      {800, 600, 599, 600}, {803, 37, 20, 21},
  };
  const TrueColourKernels* variants[4];
  const int count = RunnableTrueColourKernels(variants, 4);
  ASSERT_GE(count, 1);
  EXPECT_STREQ(variants[0]->name, "baseline");
  EXPECT_EQ(&FastestTrueColourKernels(), variants[count - 1]);
  std::uint32_t seed = 7;
  for (const Case& c : cases) {
    RasterImage image;
    ASSERT_TRUE(image.SetDimensions(c.width, c.height));
    FillRandom(image, seed++);
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(c.width);
    const std::size_t rowBytes = pixelBytes + 5;  // a gap that must stay as it was
    Bytes expected(rowBytes * c.rows, 0xA5);
    for (int r = 0; r < c.rows; ++r) {
      ASSERT_TRUE(image.EncodeRow24(expected.data() + r * rowBytes, static_cast<int>(pixelBytes),
                                    c.yFirst - r));
    }
    for (int v = 0; v < count; ++v) {
      SCOPED_TRACE(std::string(variants[v]->name) + " " + std::to_string(c.width) + "x" +
                   std::to_string(c.height) + " rows " + std::to_string(c.yFirst) + "-" +
                   std::to_string(c.rows));
      Bytes out(rowBytes * c.rows, 0xA5);
      variants[v]->encodeRows24(image, c.yFirst, c.rows, rowBytes, out.data());
      EXPECT_EQ(out, expected);
    }
  }
}

TEST(BmpWriterTest, EncodersRefuseShortBuffersAndRowsOutside) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(3, 2));
  image.PutPixel(2, 1, ColorQuad{1, 2, 3, 4});
  Bytes buffer(16, 0xAA);
  EXPECT_FALSE(image.EncodeRow24(buffer.data(), 8, 0));
  EXPECT_FALSE(image.EncodeRow32(buffer.data(), 11, 0));
  EXPECT_FALSE(image.EncodeRow24(buffer.data(), 16, 2));
  EXPECT_FALSE(image.EncodeRow32(buffer.data(), 16, -1));
  EXPECT_FALSE(image.EncodeRow24(nullptr, 16, 0));
  EXPECT_EQ(buffer, Bytes(16, 0xAA));

  ASSERT_TRUE(image.EncodeRow24(buffer.data(), 9, 1));
  EXPECT_EQ(Bytes(buffer.begin() + 6, buffer.end()),
            (Bytes{1, 2, 3, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));
  ASSERT_TRUE(image.EncodeRow32(buffer.data(), 12, 1));
  EXPECT_EQ(Bytes(buffer.begin() + 8, buffer.end()),
            (Bytes{1, 2, 3, 4, 0xAA, 0xAA, 0xAA, 0xAA}));
}

TEST(BmpWriterTest, FailuresAreReported) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(64, 64));
  EXPECT_FALSE(image.SaveBmp(nullptr));
  EXPECT_FALSE(image.SaveBmp(""));
  ScratchDir dir;
  EXPECT_FALSE(image.SaveBmp(dir.Path("no-such-dir/x.bmp").c_str()));
  EXPECT_FALSE(image.SaveBmp(dir.Path("").c_str()));  // a directory
  // A full disk: the short write, or at the latest the close, fails.
  EXPECT_FALSE(image.SaveBmp("/dev/full"));
  RasterImage small;
  EXPECT_FALSE(small.SaveBmp("/dev/full"));
  RasterImage sixteen;
  ASSERT_TRUE(sixteen.ChangeBitDepth(16));
  EXPECT_FALSE(sixteen.SaveBmp("/dev/full"));
}

TEST(BmpLayoutTest, FileSizesBeyond32BitsAreDetected) {
  // The writer refuses before opening when bfSize could not hold the size.
  EXPECT_EQ(bmp::RowBytes(800, 24), 2400u);
  EXPECT_EQ(bmp::RowBytes(1, 1), 4u);
  EXPECT_EQ(bmp::RowBytes(INT32_MAX, 32), 8589934588u);
  EXPECT_EQ(bmp::TableBytes(1), 8);
  EXPECT_EQ(bmp::TableBytes(4), 64);
  EXPECT_EQ(bmp::TableBytes(8), 1024);
  EXPECT_EQ(bmp::TableBytes(16), 12);
  EXPECT_EQ(bmp::TableBytes(24), 0);
  EXPECT_EQ(bmp::TableBytes(32), 0);
}

TEST(BmpFormatTest, RecordDefaults) {
  const BitmapFileHeader file;
  EXPECT_EQ(file.bfType, 0x4D42);
  EXPECT_EQ(file.bfReserved1, 0);
  EXPECT_EQ(file.bfReserved2, 0);
  const BitmapInfoHeader info;
  EXPECT_EQ(info.biPlanes, 1);
  EXPECT_EQ(info.biCompression, 0u);
  EXPECT_EQ(info.biXPelsPerMeter, 3780);
  EXPECT_EQ(info.biYPelsPerMeter, 3780);
  EXPECT_EQ(info.biClrUsed, 0u);
  EXPECT_EQ(info.biClrImportant, 0u);
}

TEST(BmpFormatTest, ByteOrderSwitches) {
  EXPECT_EQ(SwapBytes16(0x1234), 0x3412);
  EXPECT_EQ(SwapBytes32(0x12345678u), 0x78563412u);
  BitmapFileHeader file;
  file.bfSize = 0x11223344;
  file.bfOffBits = 0x36;
  file.SwitchByteOrder();
  EXPECT_EQ(file.bfType, 0x424D);
  EXPECT_EQ(file.bfSize, 0x44332211u);
  EXPECT_EQ(file.bfOffBits, 0x36000000u);
  file.SwitchByteOrder();
  EXPECT_EQ(file.bfType, 0x4D42);
  EXPECT_EQ(file.bfSize, 0x11223344u);

  BitmapInfoHeader info;
  info.biWidth = -2;
  info.biBitCount = 24;
  info.SwitchByteOrder();
  EXPECT_EQ(info.biWidth, static_cast<std::int32_t>(0xFEFFFFFFu));
  EXPECT_EQ(info.biBitCount, 0x1800);
  EXPECT_EQ(info.biXPelsPerMeter, static_cast<std::int32_t>(0xC40E0000u));
  EXPECT_EQ(info.biPlanes, 0x0100);
  info.SwitchByteOrder();
  EXPECT_EQ(info.biWidth, -2);
  EXPECT_EQ(info.biXPelsPerMeter, 3780);
}

// stb_image is an independent decoder: what it reads back from our files
// must be the pixels we wrote.
TEST(BmpWriterCrossCheckTest, StbDecodesTruecolourFilesToTheSamePixels) {
  ScratchDir dir;
  for (int depth : {24, 32}) {
    for (auto [width, height] : {std::pair{1, 1}, {5, 3}, {97, 66}}) {
      RasterImage image;
      ASSERT_TRUE(image.ChangeBitDepth(depth));
      ASSERT_TRUE(image.SetDimensions(width, height));
      FillRandom(image, 100 + width + depth);
      const std::string path = dir.Path("cross.bmp");
      ASSERT_TRUE(image.SaveBmp(path.c_str()));
      const int channels = depth == 32 ? 4 : 3;
      const testing::DecodedImage decoded = testing::DecodeWithStb(path, channels);
      ASSERT_EQ(decoded.width, width);
      ASSERT_EQ(decoded.height, height);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const ColorQuad p = image.ReadPixel(x, y);
          const std::uint8_t* d = decoded.At(x, y);
          ASSERT_EQ(d[0], p.red) << x << "," << y;
          ASSERT_EQ(d[1], p.green);
          ASSERT_EQ(d[2], p.blue);
          if (depth == 32) {
            ASSERT_EQ(d[3], p.alpha);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace korvel
