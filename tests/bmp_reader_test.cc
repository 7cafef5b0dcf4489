// LoadBmp, the row decoders and ReadChecked: round trips at every depth,
// hand-built files for every refusal and tolerance, files cut at every byte,
// and cross-checks with independent encoders and decoders.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "korvelgraphline/bmp_reader.h"
#include "korvelgraphline/raster_image.h"
#include "support/kept_by_depth.h"
#include "support/test_files.h"

namespace korvel {
namespace {

using testing::Bgra;
using testing::BmpBytes;
using testing::BmpFields;
using testing::FillRandom;
using testing::Rgb;
using testing::ScratchDir;
using testing::WriteFile;
using Bytes = std::vector<std::uint8_t>;

constexpr ColorQuad kWhite = {255, 255, 255, 0};
constexpr ColorQuad kMark = {1, 2, 3, 4};

std::size_t RowBytes(int width, int depth) {
  return (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
}

// The image every load starts from: 4 x 3 at 24 bits, one marked pixel,
// 2834 x 11811 pixels per metre.
void Prepare(RasterImage& image) {
  ASSERT_TRUE(image.ChangeBitDepth(24));
  ASSERT_TRUE(image.SetDimensions(4, 3));
  image.PutPixel(1, 2, kMark);
  image.SetResolutionDpi(72, 300);
}

void ExpectUntouched(const RasterImage& image) {
  EXPECT_EQ(image.BitDepth(), 24);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Height(), 3);
  EXPECT_EQ(Bgra(image.ReadPixel(1, 2)), Bgra(kMark));
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), 2834);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), 11811);
}

// 1 x 1 at one bit with the standard table and a white pixel.
void ExpectReset(const RasterImage& image, int horizontal, int vertical) {
  EXPECT_EQ(image.BitDepth(), 1);
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(Bgra(image.ReadPixel(0, 0)), Bgra(kWhite));
  EXPECT_EQ(Bgra(image.PaletteEntry(0)), Bgra(Rgb(0, 0, 0)));
  EXPECT_EQ(Bgra(image.PaletteEntry(1)), Bgra(kWhite));
  EXPECT_EQ(image.HorizontalPixelsPerMetre(), horizontal);
  EXPECT_EQ(image.VerticalPixelsPerMetre(), vertical);
}

// Loads bytes from a file into image.
bool LoadBytes(const ScratchDir& dir, const Bytes& bytes, RasterImage& image) {
  const std::string path = dir.Path("in.bmp");
  WriteFile(path, bytes);
  return image.LoadBmp(path.c_str());
}

// ReadChecked on a stream over the seven bytes "ABCDEFG".
class ReadCheckedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.Path("abc"), std::string("ABCDEFG"));
    stream_ = std::fopen(dir_.Path("abc").c_str(), "rb");
    ASSERT_NE(stream_, nullptr);
  }
  void TearDown() override { std::fclose(stream_); }

  ScratchDir dir_;
  std::FILE* stream_ = nullptr;
};

TEST_F(ReadCheckedTest, WholeItemsArriveAndACutItemLeavesItsDestination) {
  char out[10] = "---------";
  EXPECT_TRUE(ReadChecked(out, 3, 1, stream_));
  EXPECT_EQ(std::string(out), "ABC------");
  EXPECT_FALSE(ReadChecked(out, 2, 3, stream_));  // DE, FG, then nothing
  EXPECT_EQ(std::string(out), "DEFG-----");
  EXPECT_FALSE(ReadChecked(out, 0, 0, stream_));  // at the end: false
  EXPECT_FALSE(ReadChecked(out, 1, 1, stream_));
  EXPECT_EQ(std::string(out), "DEFG-----");
}

TEST_F(ReadCheckedTest, ACutSingleItemIsNotWritten) {
  char out[10] = "---------";
  EXPECT_TRUE(ReadChecked(out, 4, 1, stream_));
  EXPECT_FALSE(ReadChecked(out, 4, 1, stream_));  // only EFG left
  EXPECT_EQ(std::string(out), "ABCD-----");
}

TEST_F(ReadCheckedTest, NothingIsReadForEmptyOrInvalidRequests) {
  char out[10] = "---------";
  EXPECT_TRUE(ReadChecked(out, 3, 0, stream_));
  EXPECT_TRUE(ReadChecked(out, 0, 3, stream_));
  EXPECT_FALSE(ReadChecked(out, -1, 2, stream_));
  EXPECT_FALSE(ReadChecked(out, 2, -1, stream_));
  EXPECT_FALSE(ReadChecked(nullptr, 1, 1, stream_));
  EXPECT_FALSE(ReadChecked(out, 1, 1, nullptr));
  EXPECT_EQ(std::string(out), "---------");
  EXPECT_TRUE(ReadChecked(out, 1, 1, stream_));
  EXPECT_EQ(out[0], 'A');
}

TEST(ReadCheckedLargeItemTest, ItemsBeyondTheScratchBufferAreWholeOrUntouched) {
  ScratchDir dir;
  WriteFile(dir.Path("big"), Bytes(9000, 0x5A));
  std::FILE* stream = std::fopen(dir.Path("big").c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  Bytes out(6000, 0);
  EXPECT_TRUE(ReadChecked(out.data(), 5000, 1, stream));
  EXPECT_EQ(out[4999], 0x5A);
  EXPECT_EQ(out[5000], 0);
  Bytes second(6000, 0);
  EXPECT_FALSE(ReadChecked(second.data(), 5000, 1, stream));  // 4000 left
  EXPECT_EQ(second, Bytes(6000, 0));
  std::fclose(stream);
}

// What a loaded pixel must be, given the pixel that was saved at depth.
ColorQuad AfterRoundTrip(const RasterImage& saved, int x, int y) {
  return testing::KeptByDepth(saved.BitDepth(), saved.ReadPixel(x, y), [&](const ColorQuad& p) {
    return saved.PaletteEntry(saved.NearestPaletteIndex(p));
  });
}

// Random pixels, and at indexed depths a random table with some pixels set
// to its entries exactly.
void MakeTestImage(RasterImage& image, int depth, int width, int height, std::uint32_t seed) {
  ASSERT_TRUE(image.ChangeBitDepth(depth));
  ASSERT_TRUE(image.SetDimensions(width, height));
  FillRandom(image, seed);
  std::mt19937 random(seed);
  for (int i = 0; i < image.ColorCount() && depth <= 8; ++i) {
    const std::uint32_t v = random();
    image.SetPaletteEntry(i, ColorQuad{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                       static_cast<std::uint8_t>(v >> 16), 0});
  }
  for (int x = 0; x < width && depth <= 8; x += 2) {
    image.PutPixel(x, x % height, image.PaletteEntry(static_cast<int>(random() % image.ColorCount())));
  }
  image.SetResolutionDpi(300, 150);
}

// A test image (MakeTestImage) written to path.
void SaveTestImage(RasterImage& image, const std::string& path, int depth, int width,
                   int height, std::uint32_t seed) {
  MakeTestImage(image, depth, width, height, seed);
  ASSERT_TRUE(image.SaveBmp(path.c_str()));
}

TEST(LoadBmpTest, EveryDepthRoundTrips) {
  ScratchDir dir;
  std::uint32_t seed = 1;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    for (auto [width, height] : {std::pair{1, 1}, {3, 2}, {17, 65}, {130, 9}, {5, 129}}) {
      SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "@" +
                   std::to_string(depth));
      RasterImage saved;
      const std::string path = dir.Path("round.bmp");
      ASSERT_NO_FATAL_FAILURE(SaveTestImage(saved, path, depth, width, height, seed++));
      RasterImage loaded;
      Prepare(loaded);
      ASSERT_TRUE(loaded.LoadBmp(path.c_str()));
      ASSERT_EQ(loaded.BitDepth(), depth);
      ASSERT_EQ(loaded.Width(), width);
      ASSERT_EQ(loaded.Height(), height);
      EXPECT_EQ(loaded.HorizontalPixelsPerMetre(), saved.HorizontalPixelsPerMetre());
      EXPECT_EQ(loaded.VerticalPixelsPerMetre(), saved.VerticalPixelsPerMetre());
      for (int i = 0; i < 256 && depth <= 8; ++i) {
        ASSERT_EQ(Bgra(loaded.PaletteEntry(i)), Bgra(saved.PaletteEntry(i))) << "entry " << i;
      }
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          ASSERT_EQ(Bgra(loaded.ReadPixel(x, y)), Bgra(AfterRoundTrip(saved, x, y)))
              << x << "," << y;
        }
      }
    }
  }
}

// Headers and rest for the refusals: the file says 5000 x 6000 pixels per
// metre, so a refusal after the headers leaves that resolution.
TEST(LoadBmpTest, RefusedFiles) {
  enum Outcome { kUntouched, kResetKeepsResolution, kResetTakesFileResolution };
  struct Case {
    const char* what;
    Bytes bytes;
    Outcome outcome;
  };
  auto file = [](auto change) {
    BmpFields f;
    f.biXPelsPerMeter = 5000;
    f.biYPelsPerMeter = 6000;
    change(f);
    return BmpBytes(f, Bytes(16, 0));
  };
  const Bytes valid = file([](BmpFields&) {});
  auto cut = [&valid](std::size_t length) { return Bytes(valid.begin(), valid.begin() + length); };
  const std::vector<Case> cases = {
      {"not BM", file([](BmpFields& f) { f.bfType = 0x5958; }), kUntouched},
      {"BM reversed", file([](BmpFields& f) { f.bfType = 0x424D; }), kUntouched},
      {"empty", {}, kResetKeepsResolution},
      {"one byte", cut(1), kResetKeepsResolution},
      {"cut in the file header", cut(9), kResetKeepsResolution},
      {"cut after the file header", cut(14), kResetKeepsResolution},
      {"cut in the info header", cut(40), kResetKeepsResolution},
      {"one byte short of the headers", cut(53), kResetKeepsResolution},
      {"compression 1", file([](BmpFields& f) { f.biCompression = 1; }), kResetTakesFileResolution},
      {"compression 2", file([](BmpFields& f) { f.biCompression = 2; }), kResetTakesFileResolution},
      {"compression 4", file([](BmpFields& f) { f.biCompression = 4; }), kResetTakesFileResolution},
      {"compression 2^31 + 3", file([](BmpFields& f) { f.biCompression = 0x80000003u; }),
       kResetTakesFileResolution},
      {"bit fields at 24 bits", file([](BmpFields& f) { f.biCompression = 3; }),
       kResetTakesFileResolution},
      {"bit fields at 32 bits",
       file([](BmpFields& f) { f.biCompression = 3, f.biBitCount = 32; }),
       kResetTakesFileResolution},
      {"bit fields at 8 bits", file([](BmpFields& f) { f.biCompression = 3, f.biBitCount = 8; }),
       kResetTakesFileResolution},
      {"depth 0", file([](BmpFields& f) { f.biBitCount = 0; }), kResetTakesFileResolution},
      {"depth 2", file([](BmpFields& f) { f.biBitCount = 2; }), kResetTakesFileResolution},
      {"depth 15", file([](BmpFields& f) { f.biBitCount = 15; }), kResetTakesFileResolution},
      {"depth 64", file([](BmpFields& f) { f.biBitCount = 64; }), kResetTakesFileResolution},
      {"width 0", file([](BmpFields& f) { f.biWidth = 0; }), kResetTakesFileResolution},
      {"width -1", file([](BmpFields& f) { f.biWidth = -1; }), kResetTakesFileResolution},
      {"height 0", file([](BmpFields& f) { f.biHeight = 0; }), kResetTakesFileResolution},
      {"height -10: rows top-down", file([](BmpFields& f) { f.biHeight = -10; }),
       kResetTakesFileResolution},
      {"2^28 + 16384 pixels", file([](BmpFields& f) { f.biWidth = 16385, f.biHeight = 16384; }),
       kResetTakesFileResolution},
      {"2^28 + 1 pixels in one row",
       file([](BmpFields& f) { f.biWidth = (1 << 28) + 1, f.biBitCount = 8; }),
       kResetTakesFileResolution},
      {"width x depth of 2^31", file([](BmpFields& f) { f.biWidth = 1 << 26, f.biBitCount = 32; }),
       kResetTakesFileResolution},
      {"largest width and height",
       file([](BmpFields& f) { f.biWidth = INT32_MAX, f.biHeight = INT32_MAX; }),
       kResetTakesFileResolution},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RasterImage image;
    Prepare(image);
    EXPECT_FALSE(LoadBytes(dir, c.bytes, image));
    switch (c.outcome) {
      case kUntouched: ExpectUntouched(image); break;
      case kResetKeepsResolution: ExpectReset(image, 2834, 11811); break;
      case kResetTakesFileResolution: ExpectReset(image, 5000, 6000); break;
    }
  }
  for (const char* path : {static_cast<const char*>(nullptr), "/no/such/file.bmp", "/"}) {
    SCOPED_TRACE(path == nullptr ? "null path" : path);
    RasterImage image;
    Prepare(image);
    EXPECT_FALSE(image.LoadBmp(path));
    ExpectReset(image, 2834, 11811);
  }
}

TEST(LoadBmpTest, ExactlyTwoTo28PixelsAreAccepted) {
  BmpFields f;
  f.biWidth = 1 << 14;
  f.biHeight = 1 << 14;
  ScratchDir dir;
  RasterImage image;
  ASSERT_TRUE(LoadBytes(dir, BmpBytes(f, {1, 2, 3}), image));  // the first pixel cut short
  EXPECT_EQ(image.Width(), 1 << 14);
  EXPECT_EQ(image.Height(), 1 << 14);
  EXPECT_EQ(Bgra(image.ReadPixel(0, (1 << 14) - 1)), Bgra(kWhite));
}

// Small hand-built files whose every pixel is known.
TEST(LoadBmpTest, KnownFiles) {
  struct Case {
    const char* what;
    BmpFields fields;
    Bytes rest;
    int width, height;
    std::vector<ColorQuad> pixels;  // top row first
    std::vector<std::pair<int, ColorQuad>> entries;
  };
  auto fields = [](int width, int height, int depth, std::uint32_t offBits,
                   std::uint32_t compression = 0) {
    BmpFields f;
    f.biWidth = width;
    f.biHeight = height;
    f.biBitCount = static_cast<std::uint16_t>(depth);
    f.bfOffBits = offBits;
    f.biCompression = compression;
    return f;
  };
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
  };
  Bytes sixteenEntries;  // entry i is (i, i + 1, i + 2, i + 3)
  for (int i = 0; i < 16; ++i) {
    for (int b = 0; b < 4; ++b) sixteenEntries.push_back(static_cast<std::uint8_t>(i + b));
  }
  Bytes fullTable = sixteenEntries;
  fullTable.resize(1024, 0x40);
  const ColorQuad c1 = {1, 2, 3, 0}, c4 = {4, 5, 6, 0}, c7 = {7, 8, 9, 0}, c10 = {10, 11, 12, 0};
  const std::vector<Case> cases = {
      {"2 x 2 at 24 bits, first stored row at the bottom", fields(2, 2, 24, 54),
       {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}, 2, 2, {c1, c4, c7, c10}, {}},
      {"32 bits keep the fourth byte as alpha", fields(2, 1, 32, 54), {1, 2, 3, 4, 5, 6, 7, 8},
       2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}, {}},
      {"16 entries for room of 16, the rest white, no skip", fields(2, 1, 8, 54 + 64),
       join({sixteenEntries, {5, 20, 0, 0}}), 2, 1, {{5, 6, 7, 8}, kWhite},
       {{15, {15, 16, 17, 18}}, {16, kWhite}, {255, kWhite}}},
      {"a gap of 10 after the whole table is skipped", fields(1, 1, 8, 54 + 1024 + 10),
       join({fullTable, Bytes(10, 0xEE), {7, 0, 0, 0}}), 1, 1, {{7, 8, 9, 10}},
       {{200, {0x40, 0x40, 0x40, 0x40}}}},
      {"bfOffBits below 54: no entry read, all white", fields(1, 1, 8, 40), {3, 0, 0, 0}, 1, 1,
       {kWhite}, {{0, kWhite}, {3, kWhite}}},
      {"1 bit, width 1: only bit 7 counts", fields(1, 2, 1, 62),
       {0, 0, 0, 0, 255, 255, 255, 9, 0x7F, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}, 1, 2,
       {{255, 255, 255, 9}, {0, 0, 0, 0}}, {{1, {255, 255, 255, 9}}}},
      {"4 bits, high nibble first", fields(3, 1, 4, 54 + 64), join({sixteenEntries, {0x1E, 0x3F, 0, 0}}),
       3, 1, {{1, 2, 3, 4}, {14, 15, 16, 17}, {3, 4, 5, 6}}, {}},
      {"16 bits, 5-6-5 bit fields", fields(3, 1, 16, 66, 3),
       {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0, 0xFF, 0xFF, 0xE0, 0x07, 0x1F, 0x00, 0, 0},
       3, 1, {{248, 248, 248, 0}, {0, 248, 0, 0}, {248, 0, 0, 0}}, {}},
      {"16 bits without masks: 5-5-5", fields(2, 1, 16, 54), {0xFF, 0x7F, 0x00, 0x7C}, 2, 1,
       {{248, 248, 248, 0}, {0, 0, 248, 0}}, {}},
      {"16 bits: masks keep their low halves, wide fields their top five bits",
       fields(2, 1, 16, 66 + 6, 3),
       {0xFF, 0xFF, 0x34, 0x12, 0x00, 0x00, 0xFF, 0xFF, 0x0F, 0x00, 0, 0, 1, 2, 3, 4, 5, 6,
        0xFF, 0xFF, 0x07, 0x00},
       2, 1, {{120, 0, 248, 0}, {56, 0, 0, 0}}, {}},
      {"24 bits, pixel rows beyond the end of the file", fields(1, 1, 24, 5000), {1, 2, 3, 0}, 1,
       1, {kWhite}, {}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RasterImage image;
    Prepare(image);
    ASSERT_TRUE(LoadBytes(dir, BmpBytes(c.fields, c.rest), image));
    ASSERT_EQ(image.Width(), c.width);
    ASSERT_EQ(image.Height(), c.height);
    EXPECT_EQ(image.BitDepth(), c.fields.biBitCount);
    EXPECT_EQ(image.HorizontalPixelsPerMetre(), 3780);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        EXPECT_EQ(Bgra(image.ReadPixel(x, y)), Bgra(c.pixels[y * c.width + x])) << x << "," << y;
      }
    }
    for (const auto& [index, colour] : c.entries) {
      EXPECT_EQ(Bgra(image.PaletteEntry(index)), Bgra(colour)) << "entry " << index;
    }
  }
}

// What a load of the first `cut` bytes of a file must give, from the load
// of the whole file: headers cut refuse; table entries, rows (and at 16
// bits, words) that are not whole keep their standard colour or stay white,
// except that at 16 bits every pixel after the last whole word repeats it.
void ExpectCutLoad(const RasterImage& full, const Bytes& file, std::size_t cut,
                   const RasterImage& loaded, bool result) {
  if (cut < 54) {
    EXPECT_FALSE(result);
    ExpectReset(loaded, 2834, 11811);
    return;
  }
  ASSERT_TRUE(result);
  const int depth = full.BitDepth();
  ASSERT_EQ(loaded.BitDepth(), depth);
  ASSERT_EQ(loaded.Width(), full.Width());
  ASSERT_EQ(loaded.Height(), full.Height());
  if (depth <= 8) {
    RasterImage standard;
    standard.ChangeBitDepth(depth);
    for (int i = 0; i < full.ColorCount(); ++i) {
      const bool whole = 54 + 4 * (i + 1) <= static_cast<int>(cut);
      ASSERT_EQ(Bgra(loaded.PaletteEntry(i)),
                Bgra(whole ? full.PaletteEntry(i) : standard.PaletteEntry(i)))
          << "entry " << i;
    }
  }
  const std::size_t offset = file[10] | (file[11] << 8);
  const std::size_t rowBytes = RowBytes(full.Width(), depth);
  bool haveWord = false;
  ColorQuad lastWord = kWhite;
  for (int row = 0; row < full.Height(); ++row) {
    const int y = full.Height() - 1 - row;
    for (int x = 0; x < full.Width(); ++x) {
      ColorQuad expected = kWhite;
      if (depth == 16) {
        if (offset + row * rowBytes + 2 * x + 2 <= cut) {
          haveWord = true;
          lastWord = full.ReadPixel(x, y);
        }
        if (haveWord) expected = lastWord;
      } else if (offset + (row + 1) * rowBytes <= cut) {
        expected = full.ReadPixel(x, y);
      }
      ASSERT_EQ(Bgra(loaded.ReadPixel(x, y)), Bgra(expected)) << x << "," << y;
    }
  }
}

TEST(LoadBmpTest, FilesCutAtEveryByte) {
  ScratchDir dir;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    RasterImage saved;
    const std::string path = dir.Path("whole.bmp");
    ASSERT_NO_FATAL_FAILURE(SaveTestImage(saved, path, depth, 5, 3, 40 + depth));
    const Bytes file = testing::ReadFileBytes(path);
    RasterImage full;
    ASSERT_TRUE(full.LoadBmp(path.c_str()));
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      SCOPED_TRACE(cut);
      RasterImage loaded;
      Prepare(loaded);
      const bool result = LoadBytes(dir, Bytes(file.begin(), file.begin() + cut), loaded);
      ExpectCutLoad(full, file, cut, loaded, result);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(DecodeRowTest, RowsIntoPixels) {
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(4));
  ASSERT_TRUE(image.SetDimensions(3, 2));
  image.SetPaletteEntry(2, ColorQuad{20, 21, 22, 23});
  image.PutPixel(0, 1, ColorQuad{0, 0, 0, 77});
  const Bytes row = {0x2F, 0x0A, 0x35, 0xF2, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  const int size = static_cast<int>(row.size());

  ASSERT_TRUE(image.DecodeRow24(row.data(), size, 1));
  EXPECT_EQ(Bgra(image.ReadPixel(0, 1)), (std::array<int, 4>{0x2F, 0x0A, 0x35, 77}));
  EXPECT_EQ(Bgra(image.ReadPixel(2, 1)), (std::array<int, 4>{7, 6, 5, 0}));
  ASSERT_TRUE(image.DecodeRow32(row.data(), size, 0));
  EXPECT_EQ(Bgra(image.ReadPixel(1, 0)), (std::array<int, 4>{9, 8, 7, 6}));
  ASSERT_TRUE(image.DecodeRow4(row.data(), 2, 0));  // nibbles 2, F, 0
  EXPECT_EQ(Bgra(image.ReadPixel(0, 0)), (std::array<int, 4>{20, 21, 22, 23}));
  EXPECT_EQ(Bgra(image.ReadPixel(1, 0)), Bgra(kWhite));
  EXPECT_EQ(Bgra(image.ReadPixel(2, 0)), Bgra(Rgb(0, 0, 0)));
  ASSERT_TRUE(image.DecodeRow8(row.data() + 3, 3, 0));  // 0xF2 lies beyond the table
  EXPECT_EQ(Bgra(image.ReadPixel(0, 0)), Bgra(kWhite));
  EXPECT_EQ(Bgra(image.ReadPixel(1, 0)), Bgra(image.PaletteEntry(9)));
  ASSERT_TRUE(image.DecodeRow1(row.data() + 2, 1, 1));  // bits 0, 0, 1 of 0x35
  EXPECT_EQ(Bgra(image.ReadPixel(0, 1)), Bgra(Rgb(0, 0, 0)));
  EXPECT_EQ(Bgra(image.ReadPixel(2, 1)), Bgra(image.PaletteEntry(1)));
}

TEST(DecodeRowTest, ShortRowsAndRowsOutsideAreRefused) {
  RasterImage image;
  ASSERT_TRUE(image.ChangeBitDepth(8));
  ASSERT_TRUE(image.SetDimensions(9, 2));
  const Bytes row(64, 0);
  struct Case {
    const char* what;
    bool (RasterImage::*decode)(const std::uint8_t*, int, int);
    int shortSize;  // one byte too few for 9 pixels
  };
  for (const Case& c : {Case{"32", &RasterImage::DecodeRow32, 35}, Case{"24", &RasterImage::DecodeRow24, 26},
                        Case{"8", &RasterImage::DecodeRow8, 8}, Case{"4", &RasterImage::DecodeRow4, 4},
                        Case{"1", &RasterImage::DecodeRow1, 1}}) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE((image.*c.decode)(row.data(), c.shortSize, 0));
    EXPECT_FALSE((image.*c.decode)(row.data(), -1, 0));
    EXPECT_FALSE((image.*c.decode)(row.data(), 64, 2));
    EXPECT_FALSE((image.*c.decode)(row.data(), 64, -1));
    EXPECT_FALSE((image.*c.decode)(nullptr, 64, 0));
    for (int x = 0; x < 9; ++x) ASSERT_EQ(Bgra(image.ReadPixel(x, 0)), Bgra(kWhite));
    EXPECT_TRUE((image.*c.decode)(row.data(), c.shortSize + 1, 1));
  }
}

// Compares a load with stb_image's decoding of the same file: the same
// colours, except that 16-bit channels here keep five bits (stb widens them
// to eight). Alpha is compared at 32 bits.
void ExpectSameAsStb(const std::string& path, int depth) {
  RasterImage image;
  ASSERT_TRUE(image.LoadBmp(path.c_str()));
  ASSERT_EQ(image.BitDepth(), depth);
  const int channels = depth == 32 ? 4 : 3;
  const testing::DecodedImage decoded = testing::DecodeWithStb(path, channels);
  ASSERT_EQ(decoded.width, image.Width());
  ASSERT_EQ(decoded.height, image.Height());
  const int mask = depth == 16 ? 0xF8 : 0xFF;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const ColorQuad p = image.ReadPixel(x, y);
      const std::uint8_t* d = decoded.At(x, y);
      std::array<int, 4> stb = {d[2] & mask, d[1] & mask, d[0] & mask, channels == 4 ? d[3] : 0};
      std::array<int, 4> ours = Bgra(p);
      if (channels == 3) ours[3] = 0;
      ASSERT_EQ(ours, stb) << x << "," << y;
    }
  }
}

TEST(LoadBmpCrossCheckTest, StbDecodesOurFilesAtEveryDepthAsWeDo) {
  ScratchDir dir;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    RasterImage saved;
    const std::string path = dir.Path("ours.bmp");
    ASSERT_NO_FATAL_FAILURE(SaveTestImage(saved, path, depth, 37, 19, 70 + depth));
    ExpectSameAsStb(path, depth);
  }
}

TEST(LoadBmpCrossCheckTest, FilesOfOtherEncodersLoadToTheirPixels) {
  struct Fixture {
    const char* name;
    int depth, width, height;
    ColorQuad topLeft;
  };
  for (const Fixture& f : {Fixture{"pillow-1bit-13x7.bmp", 1, 13, 7, {255, 255, 255, 255}},
                           Fixture{"magick-4bit-9x5.bmp", 4, 9, 5, Rgb(255, 0, 0)},
                           Fixture{"pillow-8bit-11x5-short-table.bmp", 8, 11, 5, Rgb(200, 30, 40)},
                           Fixture{"magick-16bit-555-7x5.bmp", 16, 7, 5, Rgb(0, 0, 0)},
                           Fixture{"magick-16bit-565-7x5.bmp", 16, 7, 5, Rgb(0, 0, 0)},
                           Fixture{"pillow-24bit-7x5.bmp", 24, 7, 5, Rgb(0, 0, 0)},
                           Fixture{"pillow-32bit-5x4.bmp", 32, 5, 4, Rgb(0, 0, 0)}}) {
    SCOPED_TRACE(f.name);
    const std::string path = std::string(KORVEL_TEST_DATA_DIR) + "/" + f.name;
    ExpectSameAsStb(path, f.depth);
    RasterImage image;
    ASSERT_TRUE(image.LoadBmp(path.c_str()));
    EXPECT_EQ(image.Width(), f.width);
    EXPECT_EQ(image.Height(), f.height);
    EXPECT_EQ(Bgra(image.ReadPixel(0, 0)), Bgra(f.topLeft));
  }
}

TEST(LoadBmpCrossCheckTest, StbImageWriteFiles) {
  ScratchDir dir;
  testing::DecodedImage source;
  source.width = 29;
  source.height = 11;
  source.channels = 3;
  std::mt19937 random(5);
  for (int i = 0; i < 29 * 11 * 3; ++i) source.pixels.push_back(static_cast<std::uint8_t>(random()));
  const std::string path = dir.Path("stb24.bmp");
  ASSERT_TRUE(testing::EncodeWithStb(path, source));
  RasterImage image;
  ASSERT_TRUE(image.LoadBmp(path.c_str()));
  ASSERT_EQ(image.BitDepth(), 24);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 29; ++x) {
      const std::uint8_t* s = source.At(x, y);
      ASSERT_EQ(Bgra(image.ReadPixel(x, y)), (std::array<int, 4>{s[2], s[1], s[0], 0})) << x << "," << y;
    }
  }

  // With four channels stb_image_write adds bit fields to a 32-bit file,
  // which this reader refuses like any 32-bit file with bit fields.
  source.channels = 4;
  source.pixels.resize(29 * 11 * 4, 0x80);
  const std::string path32 = dir.Path("stb32.bmp");
  ASSERT_TRUE(testing::EncodeWithStb(path32, source));
  RasterImage refused;
  EXPECT_FALSE(refused.LoadBmp(path32.c_str()));
  ExpectReset(refused, 0, 0);  // its resolution fields are 0
}

}  // namespace
}  // namespace korvel
