// The header probes: whatever the bytes say, defaults where they say
// nothing, bfType 0 only for a file that cannot be opened.
#include "korvelgraphline/bmp_probe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "korvelgraphline/raster_image.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using testing::BmpBytes;
using testing::BmpFields;
using testing::ScratchDir;
using testing::WriteFile;
using Bytes = std::vector<std::uint8_t>;

void ExpectInfoDefaults(const BitmapInfoHeader& info, std::uint32_t biSize = 0,
                        std::int32_t width = 0, std::int32_t height = 0) {
  EXPECT_EQ(info.biSize, biSize);
  EXPECT_EQ(info.biWidth, width);
  EXPECT_EQ(info.biHeight, height);
  EXPECT_EQ(info.biPlanes, 1);
  EXPECT_EQ(info.biBitCount, 0);
  EXPECT_EQ(info.biCompression, 0u);
  EXPECT_EQ(info.biSizeImage, 0u);
  EXPECT_EQ(info.biXPelsPerMeter, 3780);
  EXPECT_EQ(info.biYPelsPerMeter, 3780);
  EXPECT_EQ(info.biClrUsed, 0u);
  EXPECT_EQ(info.biClrImportant, 0u);
}

TEST(ProbeTest, FilesThatCannotBeOpened) {
  for (const char* path : {static_cast<const char*>(nullptr), "/no/such/file.bmp"}) {
    SCOPED_TRACE(path == nullptr ? "null" : path);
    const BitmapFileHeader file = ReadFileHeader(path);
    EXPECT_EQ(file.bfType, 0);
    EXPECT_EQ(file.bfSize, 0u);
    EXPECT_EQ(file.bfReserved1, 0);
    EXPECT_EQ(file.bfReserved2, 0);
    EXPECT_EQ(file.bfOffBits, 0u);
    ExpectInfoDefaults(ReadInfoHeader(path));
    EXPECT_EQ(ProbeColorDepth(path), 0);
  }
}

TEST(ProbeTest, ShortFilesKeepTheDefaultsOfWhatIsMissing) {
  ScratchDir dir;
  const std::string path = dir.Path("short.bmp");
  WriteFile(path, Bytes{});
  BitmapFileHeader file = ReadFileHeader(path.c_str());
  EXPECT_EQ(file.bfType, 0x4D42);  // opened, nothing read: the default stays
  EXPECT_EQ(file.bfSize, 0u);
  ExpectInfoDefaults(ReadInfoHeader(path.c_str()));

  WriteFile(path, std::string("XY"));
  file = ReadFileHeader(path.c_str());
  EXPECT_EQ(file.bfType, 0x5958);
  EXPECT_EQ(file.bfSize, 0u);

  BmpFields fields;
  fields.biWidth = 7;
  fields.biHeight = -3;
  fields.biBitCount = 16;
  const Bytes whole = BmpBytes(fields);
  // Cut inside biWidth: biSize arrives, biWidth and the rest do not.
  WriteFile(path, Bytes(whole.begin(), whole.begin() + 20));
  ExpectInfoDefaults(ReadInfoHeader(path.c_str()), 40);
  // Cut inside biBitCount: one byte of it is not enough.
  WriteFile(path, Bytes(whole.begin(), whole.begin() + 29));
  ExpectInfoDefaults(ReadInfoHeader(path.c_str()), 40, 7, -3);
  EXPECT_EQ(ProbeColorDepth(path.c_str()), 0);
  WriteFile(path, Bytes(whole.begin(), whole.begin() + 30));
  EXPECT_EQ(ProbeColorDepth(path.c_str()), 16);
}

TEST(ProbeTest, FieldsOfAFileWrittenHere) {
  ScratchDir dir;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    ASSERT_TRUE(image.SetDimensions(13, 5));
    image.SetResolutionDpi(72, 300);
    const std::string path = dir.Path("probe.bmp");
    ASSERT_TRUE(image.SaveBmp(path.c_str()));
    const std::uint32_t table = depth <= 8 ? 4u << depth : depth == 16 ? 12 : 0;
    const std::uint32_t rows = ((13u * depth + 31) / 32 * 4) * 5;

    const BitmapFileHeader file = ReadFileHeader(path.c_str());
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(file.bfSize, 54 + table + rows);
    EXPECT_EQ(file.bfOffBits, 54 + table);
    const BitmapInfoHeader info = ReadInfoHeader(path.c_str());
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 13);
    EXPECT_EQ(info.biHeight, 5);
    EXPECT_EQ(info.biBitCount, depth);
    EXPECT_EQ(info.biCompression, depth == 16 ? 3u : 0u);
    EXPECT_EQ(info.biSizeImage, rows);
    EXPECT_EQ(info.biXPelsPerMeter, 2834);
    EXPECT_EQ(info.biYPelsPerMeter, 11811);
    EXPECT_EQ(ProbeColorDepth(path.c_str()), depth);
  }
}

TEST(ProbeTest, AnyFileIsReadAsIfItWereABitmap) {
  ScratchDir dir;
  const std::string path = dir.Path("text.txt");
  const std::string text = "This is not a picture, but its bytes are read all the same.";
  WriteFile(path, text);
  const int expected = static_cast<unsigned char>(text[28]) | static_cast<unsigned char>(text[29]) << 8;
  EXPECT_EQ(ProbeColorDepth(path.c_str()), expected);
  EXPECT_EQ(ReadFileHeader(path.c_str()).bfType, 'T' | 'h' << 8);
}

}  // namespace
}  // namespace korvel
