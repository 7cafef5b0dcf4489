// Bit depth changes, the standard colour tables, the gray ramp, the nearest
// table entry of a colour and the indexed row encoders.
#include "korvelgraphline/palette.h"

#include <cstdint>
#include <new>

#include "image/bmp_layout.h"
#include "image/palette_search.h"
#include "image/raster_image_access.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace {

constexpr ColorQuad Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return ColorQuad{blue, green, red, 0};
}

using bmp::IsIndexedDepth;

bool IsSupportedDepth(int depth) {
  return IsIndexedDepth(depth) || depth == 16 || depth == 24 || depth == 32;
}

// 4 bits: bit 0 of the index selects red, bit 1 green, bit 2 blue, at 128
// for entries 0-7 and at 255 for 9-15; entry 8 is the light gray.
constexpr ColorQuad kStandard4[16] = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128), Rgb(128, 128, 128),
    Rgb(192, 192, 192), Rgb(255, 0, 0),     Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255), Rgb(255, 255, 255)};

// 8 bits: the fixed entries at both ends of the table, which replace the
// regular 3-3-2 ramp there.
constexpr ColorQuad kStandard8Low[10] = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),     Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128),   Rgb(192, 192, 192),
    Rgb(192, 220, 192), Rgb(166, 202, 240)};
constexpr ColorQuad kStandard8High[10] = {
    Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
    Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
    Rgb(0, 255, 255),   Rgb(255, 255, 255)};

void FillStandard8(ColorQuad* table) {
  for (int i = 0; i < 256; ++i) {
    table[i] = Rgb(static_cast<std::uint8_t>((i % 8) * 32),
                   static_cast<std::uint8_t>(((i / 8) % 8) * 32),
                   static_cast<std::uint8_t>((i / 64) * 64));
  }
  for (int i = 0; i < 10; ++i) {
    table[i] = kStandard8Low[i];
    table[246 + i] = kStandard8High[i];
  }
}

// Writes the 2^depth entries of the standard table of depth (1, 4 or 8).
void FillStandardTable(int depth, ColorQuad* table) {
  if (depth == 1) {
    table[0] = Rgb(0, 0, 0);
    table[1] = Rgb(255, 255, 255);
  } else if (depth == 4) {
    for (int i = 0; i < 16; ++i) table[i] = kStandard4[i];
  } else {
    FillStandard8(table);
  }
}

// A fresh table of 2^depth standard entries, or null without memory.
ColorQuad* NewStandardTable(int depth) {
  ColorQuad* table = new (std::nothrow) ColorQuad[IntegerPower(2, depth)];
  if (table != nullptr) FillStandardTable(depth, table);
  return table;
}

// Packs the nearest indices of row y, pixelsPerByte to a byte, the leftmost
// pixel in the most significant bits; a partial last byte is zero-filled.
bool EncodePackedRow(RasterImage& image, std::uint8_t* buffer, int size, int y,
                     int pixelsPerByte) {
  const int width = image.Width();
  if (buffer == nullptr || y < 0 || y >= image.Height() ||
      static_cast<long long>(width) > static_cast<long long>(size) * pixelsPerByte) {
    return false;
  }
  const int bits = 8 / pixelsPerByte;
  int x = 0;
  for (std::uint8_t* out = buffer; x < width; ++out) {
    unsigned sum = 0;
    for (int j = 0; j < pixelsPerByte; ++j) {
      sum <<= bits;
      if (x < width) sum += image.NearestPaletteIndex(image.ReadPixel(x++, y));
    }
    *out = static_cast<std::uint8_t>(sum);
  }
  return true;
}

}  // namespace

bool RasterImage::ChangeBitDepth(int depth) {
  if (!IsSupportedDepth(depth)) return false;
  ColorQuad* table = nullptr;
  if (IsIndexedDepth(depth)) {
    table = NewStandardTable(depth);
    if (table == nullptr) return false;  // out of memory: nothing changes
  }
  depth_ = depth;
  palette_.reset(table);
  return true;
}

bool RasterImage::FillStandardPalette() {
  if (!IsIndexedDepth(depth_) || !HasPalette()) return false;
  FillStandardTable(depth_, palette_.get());
  return true;
}

bool RasterImageAccess::ProvidePalette(RasterImage& image) {
  if (!IsIndexedDepth(image.depth_) || image.HasPalette()) return true;
  image.palette_.reset(NewStandardTable(image.depth_));
  return image.HasPalette();
}

// The plain scan of every entry. The writer uses NearestIndexSearch, which
// gives the same answers without looking at every entry.
std::uint8_t RasterImage::NearestPaletteIndex(const ColorQuad& colour) const {
  // Without a table every entry reads as white and the first one wins; no
  // need to visit the 2^24 of a truecolour depth.
  if (!HasPalette()) return 0;
  const int count = ColorCount();
  int best = 999999;  // beyond any distance (3 x 255^2)
  int result = 0;
  for (int i = 0; i < count; ++i) {
    const int distance = SquaredColourDistance(PaletteEntry(i), colour);
    if (distance < best) {
      best = distance;
      result = i;
      if (best == 0) break;  // an exact match cannot be beaten
    }
  }
  return static_cast<std::uint8_t>(result);
}

bool RasterImage::EncodeRow8(std::uint8_t* buffer, int size, int y) {
  if (buffer == nullptr || !RowInside(y) || width_ > size) return false;
  for (int x = 0; x < width_; ++x) buffer[x] = NearestPaletteIndex(Column(x)[y]);
  return true;
}

bool RasterImage::EncodeRow4(std::uint8_t* buffer, int size, int y) {
  return EncodePackedRow(*this, buffer, size, y, 2);
}

bool RasterImage::EncodeRow1(std::uint8_t* buffer, int size, int y) {
  return EncodePackedRow(*this, buffer, size, y, 8);
}

bool MakeGrayscalePalette(RasterImage& image) {
  const int depth = image.BitDepth();
  if (!IsIndexedDepth(depth)) return false;
  const int count = image.ColorCount();
  const int step = depth == 1 ? 255 : 255 / (count - 1);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t level = static_cast<std::uint8_t>((i * step) % 256);
    image.SetPaletteEntry(i, ColorQuad{level, level, level, 0});
  }
  return true;
}

}  // namespace korvel
