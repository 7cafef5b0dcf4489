// Bit depths, the standard colour tables, the gray ramps, the nearest-entry
// search and the indexed row encoding, down to the bytes of small files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/palette_search.h"
#include "korvelgraphline/palette.h"
#include "korvelgraphline/raster_image.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using testing::Bgra;
using testing::FillRandom;
using testing::ReadFileBytes;
using testing::Rgb;
using testing::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

constexpr ColorQuad kWhite = {255, 255, 255, 0};

std::vector<ColorQuad> TableOf(const RasterImage& image) {
  std::vector<ColorQuad> table;
  for (int i = 0; i < image.ColorCount(); ++i) table.push_back(image.PaletteEntry(i));
  return table;
}

TEST(ChangeBitDepthTest, SetsTheDepthWithATableOnlyAtOneFourAndEightBits) {
  struct Case {
    int depth;
    int colorCount;
    bool hasTable;
  };
  for (const Case& c : {Case{1, 2, true}, Case{4, 16, true}, Case{8, 256, true},
                        Case{16, 65536, false}, Case{24, 16777216, false},
                        Case{32, 16777216, false}}) {
    SCOPED_TRACE(c.depth);
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    EXPECT_EQ(image.BitDepth(), c.depth);
    EXPECT_EQ(image.ColorCount(), c.colorCount);
    const ColorQuad mark = {1, 2, 3, 4};
    const int outside = c.hasTable ? c.colorCount : 5;
    EXPECT_EQ(image.SetPaletteEntry(c.hasTable ? c.colorCount - 1 : 0, mark), c.hasTable);
    EXPECT_FALSE(image.SetPaletteEntry(outside, mark));
    EXPECT_EQ(Bgra(image.PaletteEntry(outside)), Bgra(kWhite));
  }
}

TEST(ChangeBitDepthTest, RefusesOtherDepthsAndChangesNothing) {
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(4));
  ASSERT_TRUE(image.SetDimensions(2, 2));
  const ColorQuad mark = {9, 8, 7, 6};
  image.SetPaletteEntry(3, mark);
  image.PutPixel(1, 1, mark);
  for (int depth : {0, 2, 3, 7, 9, 15, 64, -1, -8}) {
    EXPECT_FALSE(image.ChangeBitDepth(depth)) << depth;
    EXPECT_EQ(image.BitDepth(), 4);
    EXPECT_EQ(Bgra(image.PaletteEntry(3)), Bgra(mark));
    EXPECT_EQ(Bgra(image.ReadPixel(1, 1)), Bgra(mark));
  }
}

TEST(ChangeBitDepthTest, GivesAFreshStandardTableAndLeavesThePixels) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(3, 3));
  const ColorQuad pixel = {10, 20, 30, 40};
  image.PutPixel(2, 1, pixel);
  ASSERT_TRUE(image.ChangeBitDepth(8));
  ASSERT_TRUE(image.SetPaletteEntry(10, ColorQuad{1, 1, 1, 1}));
  ASSERT_TRUE(image.ChangeBitDepth(8));  // the same depth still refills
  EXPECT_EQ(Bgra(image.PaletteEntry(10)), Bgra(Rgb(64, 32, 0)));
  for (int depth : {1, 16, 4, 32}) ASSERT_TRUE(image.ChangeBitDepth(depth));
  EXPECT_EQ(Bgra(image.ReadPixel(2, 1)), Bgra(pixel));
  EXPECT_EQ(image.Width(), 3);
}

TEST(StandardPaletteTest, OneAndFourBitTables) {
  const std::vector<ColorQuad> oneBit = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
  // Bit 0 of the index is red, bit 1 green, bit 2 blue; 7 is the dark gray
  // and 8 the light one.
  const std::vector<ColorQuad> fourBit = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
      Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(128, 128, 128),
      Rgb(192, 192, 192), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
      Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};
  for (const auto& [depth, expected] : {std::pair{1, oneBit}, {4, fourBit}}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    const std::vector<ColorQuad> table = TableOf(image);
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
      EXPECT_EQ(Bgra(table[i]), Bgra(expected[i])) << depth << " bits, entry " << i;
    }
  }
}

TEST(StandardPaletteTest, EightBitTable) {
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(8));
  const std::vector<ColorQuad> table = TableOf(image);
  ASSERT_EQ(table.size(), 256u);
  const std::pair<int, ColorQuad> fixed[] = {
      {0, Rgb(0, 0, 0)},         {1, Rgb(128, 0, 0)},       {2, Rgb(0, 128, 0)},
      {3, Rgb(128, 128, 0)},     {4, Rgb(0, 0, 128)},       {5, Rgb(128, 0, 128)},
      {6, Rgb(0, 128, 128)},     {7, Rgb(192, 192, 192)},   {8, Rgb(192, 220, 192)},
      {9, Rgb(166, 202, 240)},   {246, Rgb(255, 251, 240)}, {247, Rgb(160, 160, 164)},
      {248, Rgb(128, 128, 128)}, {249, Rgb(255, 0, 0)},     {250, Rgb(0, 255, 0)},
      {251, Rgb(255, 255, 0)},   {252, Rgb(0, 0, 255)},     {253, Rgb(255, 0, 255)},
      {254, Rgb(0, 255, 255)},   {255, Rgb(255, 255, 255)}, {10, Rgb(64, 32, 0)},
      {245, Rgb(160, 192, 192)}, {63, Rgb(224, 224, 0)},    {200, Rgb(0, 32, 192)}};
  for (const auto& [index, colour] : fixed) {
    EXPECT_EQ(Bgra(table[index]), Bgra(colour)) << "entry " << index;
  }
  // Between the fixed ends: three bits of red, three of green, two of blue.
  for (int i = 10; i < 246; ++i) {
    EXPECT_EQ(Bgra(table[i]), Bgra(Rgb(i % 8 * 32, i / 8 % 8 * 32, i / 64 * 64))) << i;
  }
}

TEST(StandardPaletteTest, FillRestoresTheTableAndNeedsOne) {
  for (int depth : {1, 4, 8}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    const std::vector<ColorQuad> standard = TableOf(image);
    ASSERT_TRUE(MakeGrayscalePalette(image));
    image.SetPaletteEntry(1, ColorQuad{5, 6, 7, 8});
    ASSERT_TRUE(image.FillStandardPalette());
    const std::vector<ColorQuad> refilled = TableOf(image);
    for (std::size_t i = 0; i < standard.size(); ++i) {
      EXPECT_EQ(Bgra(refilled[i]), Bgra(standard[i])) << depth << " bits, entry " << i;
      EXPECT_EQ(standard[i].alpha, 0);
    }
  }
  for (int depth : {16, 24, 32}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    EXPECT_FALSE(image.FillStandardPalette()) << depth;
  }
}

TEST(GrayscalePaletteTest, EvenRampsAtEachIndexedDepth) {
  struct Case {
    int depth, step;
  };
  for (const Case& c : {Case{1, 255}, Case{4, 17}, Case{8, 1}}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    ASSERT_TRUE(MakeGrayscalePalette(image));
    for (int i = 0; i < image.ColorCount(); ++i) {
      const int v = i * c.step;
      EXPECT_EQ(Bgra(image.PaletteEntry(i)), Bgra(Rgb(v, v, v))) << c.depth << " bits, " << i;
    }
    EXPECT_EQ(image.PaletteEntry(image.ColorCount() - 1).red, 255);
  }
  for (int depth : {16, 24, 32}) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(depth));
    EXPECT_FALSE(MakeGrayscalePalette(image)) << depth;
  }
}

TEST(NearestPaletteIndexTest, ClosestEntryWithTiesToTheLowestIndex) {
  struct Case {
    int depth;
    ColorQuad colour;
    int expected;
  };
  const Case cases[] = {
      {4, Rgb(0, 0, 64), 0},           // entries 0 and 4 both at 4096
      {4, Rgb(160, 160, 160), 7},      // entries 7 and 8 both at 3072
      {4, Rgb(159, 159, 159), 7},      {4, Rgb(200, 200, 200), 8},
      {1, Rgb(128, 128, 128), 1},      {1, Rgb(127, 127, 127), 0},
      {8, Rgb(255, 255, 255), 255},    {8, Rgb(255, 0, 0), 249},
      {8, Rgb(192, 192, 192), 7},
      {8, Rgb(128, 128, 128), 164},    // the 3-3-2 entry comes before 248
      {8, ColorQuad{0, 32, 64, 99}, 10},  // alpha takes no part
      {4, Rgb(250, 5, 250), 13},
  };
  for (const Case& c : cases) {
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    EXPECT_EQ(image.NearestPaletteIndex(c.colour), c.expected)
        << c.depth << " bits, colour " << ::testing::PrintToString(Bgra(c.colour));
  }
}

TEST(NearestPaletteIndexTest, ExactMatchesStopAtTheFirstEqualEntry) {
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(8));
  const ColorQuad colour = {11, 22, 33, 44};
  image.SetPaletteEntry(30, ColorQuad{11, 22, 33, 0});
  image.SetPaletteEntry(200, colour);
  EXPECT_EQ(image.NearestPaletteIndex(colour), 30);
  RasterImage truecolour;
  EXPECT_EQ(truecolour.NearestPaletteIndex(Rgb(255, 255, 255)), 0);  // no table
}

// Tables on which the pruned search must agree with the plain scan: the
// standard ones, the gray ramps, and random ones with clusters and repeats.
std::vector<RasterImage*> SearchTables(std::vector<std::unique_ptr<RasterImage>>& owner) {
  std::mt19937 random(7);
  auto add = [&owner](int depth) {
    owner.push_back(std::make_unique<RasterImage>());
    owner.back()->ChangeBitDepth(depth);
    return owner.back().get();
  };
  for (int depth : {1, 4, 8}) add(depth);
  for (int depth : {1, 4, 8}) MakeGrayscalePalette(*add(depth));
  for (int depth : {1, 4, 8, 8}) {
    RasterImage* image = add(depth);
    for (int i = 0; i < image->ColorCount(); ++i) {
      const std::uint32_t v = random();
      image->SetPaletteEntry(i, ColorQuad{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                          static_cast<std::uint8_t>(v >> 16), 0});
    }
  }
  RasterImage* clustered = add(8);  // entries close together, many repeated
  for (int i = 0; i < 256; ++i) {
    const int v = 100 + static_cast<int>(random() % 12);
    clustered->SetPaletteEntry(i, Rgb(v, 100 + static_cast<int>(random() % 3), v));
  }
  RasterImage* equal = add(4);
  for (int i = 0; i < 16; ++i) equal->SetPaletteEntry(i, Rgb(16, 31, 32));
  std::vector<RasterImage*> tables;
  for (auto& image : owner) tables.push_back(image.get());
  return tables;
}

TEST(NearestIndexSearchTest, AgreesWithThePlainScanOnEveryTable) {
  std::vector<std::unique_ptr<RasterImage>> owner;
  std::vector<ColorQuad> colours;
  // A lattice through all of RGB space, every cell corner, random colours.
  for (int r = 0; r < 256; r += 9) {
    for (int g = 0; g < 256; g += 9) {
      for (int b = 0; b < 256; b += 9) colours.push_back(Rgb(r, g, b));
    }
  }
  for (int r = 0; r < 256; r += 16) {
    for (int g = 0; g < 256; g += 16) {
      for (int b = 0; b < 256; b += 16) {
        colours.push_back(Rgb(r, g, b));
        colours.push_back(Rgb(r + 15, g + 15, b + 15));
      }
    }
  }
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t v = random();
    colours.push_back(ColorQuad{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
  }
  int tableNumber = 0;
  for (RasterImage* image : SearchTables(owner)) {
    const std::vector<ColorQuad> table = TableOf(*image);
    // Every entry and its near neighbours too.
    std::vector<ColorQuad> near = colours;
    for (const ColorQuad& e : table) {
      for (int d : {-17, -1, 0, 1, 16}) {
        near.push_back(Rgb(std::clamp(e.red + d, 0, 255), std::clamp(e.green - d, 0, 255),
                           std::clamp(e.blue + d, 0, 255)));
      }
    }
    NearestIndexSearch search(table.data(), static_cast<int>(table.size()));
    ASSERT_TRUE(search.Fast());
    for (const ColorQuad& c : near) {
      ASSERT_EQ(search.Find(c), image->NearestPaletteIndex(c))
          << "table " << tableNumber << ", colour " << ::testing::PrintToString(Bgra(c));
    }
    ++tableNumber;
  }
}

TEST(NearestIndexSearchTest, EmptyTableGivesZero) {
  NearestIndexSearch search(nullptr, 0);
  EXPECT_EQ(search.Find(Rgb(1, 2, 3)), 0);
}

TEST(IndexedEncoderTest, RowsPackIndicesLeftPixelHighest) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(9, 2));
  const ColorQuad row[9] = {Rgb(255, 255, 255), Rgb(0, 0, 0),     Rgb(255, 0, 0),
                            Rgb(0, 0, 255),     Rgb(128, 128, 128), Rgb(192, 192, 192),
                            Rgb(250, 250, 250), Rgb(0, 128, 0),   Rgb(255, 255, 0)};
  for (int x = 0; x < 9; ++x) image.PutPixel(x, 1, row[x]);
  struct Case {
    int depth;
    Bytes expected;  // then 0xAA where the encoder must not write
  };
  const Case cases[] = {
      {8, {255, 0, 249, 252, 164, 7, 255, 2, 251, 0xAA, 0xAA}},
      {4, {0xF0, 0x9C, 0x78, 0xF2, 0xB0, 0xAA, 0xAA}},
      {1, {0x8E, 0x80, 0xAA, 0xAA}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    const int bytes = static_cast<int>(c.expected.size()) - 2;
    Bytes buffer(c.expected.size(), 0xAA);
    auto encode = [&](int size, int y) {
      switch (c.depth) {
        case 8: return image.EncodeRow8(buffer.data(), size, y);
        case 4: return image.EncodeRow4(buffer.data(), size, y);
        default: return image.EncodeRow1(buffer.data(), size, y);
      }
    };
    EXPECT_FALSE(encode(bytes - 1, 1));
    EXPECT_FALSE(encode(bytes, 2));
    EXPECT_FALSE(encode(bytes, -1));
    EXPECT_EQ(buffer, Bytes(c.expected.size(), 0xAA));
    ASSERT_TRUE(encode(bytes, 1));
    EXPECT_EQ(buffer, c.expected);
  }
}

// The complete files of three small indexed images.
TEST(IndexedFileTest, SmallFilesByteForByte) {
  struct Case {
    int depth, width;
    std::vector<ColorQuad> top, bottom;  // rows y = 0 and y = 1
    Bytes header;                        // the first 54 bytes
    Bytes rows;                          // bottom row first
  };
  const Case cases[] = {
      {8, 5,
       {Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(64, 32, 0), Rgb(1, 2, 3), Rgb(255, 255, 255)},
       {Rgb(160, 192, 192), Rgb(128, 0, 0), Rgb(192, 220, 192), Rgb(255, 255, 255), Rgb(0, 0, 1)},
       {0x42, 0x4D, 0x46, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0,  // 1094, 1078
        40, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,
        16, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {245, 1, 8, 255, 0, 0, 0, 0, 0, 249, 10, 0, 255, 0, 0, 0}},
      {4, 3,
       {Rgb(128, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 255)},
       {Rgb(0, 0, 0), Rgb(192, 192, 192), Rgb(255, 255, 0)},
       {0x42, 0x4D, 0x7E, 0, 0, 0, 0, 0, 0, 0, 0x76, 0, 0, 0,  // 126, 118
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0, 0,
        8, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x08, 0xB0, 0, 0, 0x1F, 0xC0, 0, 0}},
      {1, 9,
       std::vector<ColorQuad>(9, Rgb(255, 255, 255)),
       {Rgb(0, 0, 0), Rgb(200, 200, 200), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(0, 0, 0),
        Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(130, 130, 130), Rgb(255, 255, 255)},
       {0x42, 0x4D, 0x46, 0, 0, 0, 0, 0, 0, 0, 0x3E, 0, 0, 0,  // 70, 62
        40, 0, 0, 0, 9, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,
        8, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x41, 0x80, 0, 0, 0xFF, 0x80, 0, 0}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    RasterImage image;
    ASSERT_TRUE(image.ChangeBitDepth(c.depth));
    ASSERT_TRUE(image.SetDimensions(c.width, 2));
    for (int x = 0; x < c.width; ++x) {
      image.PutPixel(x, 0, c.top[x]);
      image.PutPixel(x, 1, c.bottom[x]);
    }
    const std::string path = dir.Path("small.bmp");
    ASSERT_TRUE(image.SaveBmp(path.c_str()));
    const Bytes file = ReadFileBytes(path);
    const std::size_t tableBytes = 4u << c.depth;
    ASSERT_EQ(file.size(), 54 + tableBytes + c.rows.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), c.header);
    for (std::size_t i = 0; i < tableBytes / 4; ++i) {
      const ColorQuad e = image.PaletteEntry(static_cast<int>(i));
      EXPECT_EQ(Bytes(file.begin() + 54 + 4 * i, file.begin() + 58 + 4 * i),
                (Bytes{e.blue, e.green, e.red, e.alpha}))
          << "entry " << i;
    }
    EXPECT_EQ(Bytes(file.begin() + 54 + tableBytes, file.end()), c.rows);
  }
}

// The writer encodes whole blocks through the pruned search; its rows must
// be the bytes that the plain scan gives one row at a time, for any table.
TEST(IndexedFileTest, WriterEqualsThePlainScanRowByRow) {
  std::vector<std::unique_ptr<RasterImage>> owner;
  ScratchDir dir;
  std::uint32_t seed = 1;
  for (RasterImage* table : SearchTables(owner)) {
    for (auto [width, height] : {std::pair{1, 1}, {3, 63}, {9, 64}, {17, 65}, {33, 130}}) {
      const int depth = table->BitDepth();
      SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "@" +
                   std::to_string(depth) + " seed " + std::to_string(seed));
      RasterImage image;
      ASSERT_TRUE(image.ChangeBitDepth(depth));
      for (int i = 0; i < image.ColorCount(); ++i) image.SetPaletteEntry(i, table->PaletteEntry(i));
      ASSERT_TRUE(image.SetDimensions(width, height));
      FillRandom(image, seed++);
      const std::string path = dir.Path("indexed.bmp");
      ASSERT_TRUE(image.SaveBmp(path.c_str()));
      const Bytes file = ReadFileBytes(path);
      const std::size_t rowBytes = ((static_cast<std::size_t>(width) * depth + 31) / 32) * 4;
      const std::size_t offset = 54 + (4u << depth);
      ASSERT_EQ(file.size(), offset + rowBytes * height);
      Bytes expected;
      for (int y = height - 1; y >= 0; --y) {
        Bytes row(rowBytes, 0);
        const int size = static_cast<int>(rowBytes);
        const bool encoded = depth == 8   ? image.EncodeRow8(row.data(), size, y)
                             : depth == 4 ? image.EncodeRow4(row.data(), size, y)
                                          : image.EncodeRow1(row.data(), size, y);
        ASSERT_TRUE(encoded);
        expected.insert(expected.end(), row.begin(), row.end());
      }
      ASSERT_EQ(Bytes(file.begin() + offset, file.end()), expected);
    }
  }
}

}  // namespace
}  // namespace korvel
