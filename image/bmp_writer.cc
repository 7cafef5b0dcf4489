// SaveBmp and the truecolour row encoders.
//
// The file is assembled in blocks of whole rows (a small file in one block)
// and written with one call per block. Each block is filled from the
// column-major store tile by tile (pixel_tiles.h), except that a 24-bit
// file of up to 4 MiB comes straight from the store through the encoder
// variants of truecolour_kernels.h. Indexed images map their
// pixels through one NearestIndexSearch for the whole save, which gives the
// indices of the plain table scan that EncodeRow8, EncodeRow4 and EncodeRow1
// use.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/bmp_layout.h"
#include "image/bmp_writing.h"
#include "image/palette_search.h"
#include "image/pixel_tiles.h"
#include "image/raster_image_access.h"
#include "image/truecolour_kernels.h"
#include "image/unique_file.h"
#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace {

constexpr std::uint64_t kWholeFileBytes = 4u << 20;

void StoreBgr(const ColorQuad& pixel, std::uint8_t* at) {
  at[0] = pixel.blue;
  at[1] = pixel.green;
  at[2] = pixel.red;
}

std::uint16_t Word565(const ColorQuad& pixel) {
  return static_cast<std::uint16_t>(((pixel.red >> 3) << 11) + ((pixel.green >> 2) << 5) +
                                    (pixel.blue >> 3));
}

// Writes the headers, then the colour table or the masks, to out; returns
// the position after them.
std::uint8_t* PutPrefix(const RasterImage& image, std::uint8_t* out) {
  const int depth = image.BitDepth();
  out = PutBmpHeaders(image.Width(), image.Height(), depth, image.HorizontalPixelsPerMetre(),
                      image.VerticalPixelsPerMetre(), out);
  auto put = [&out](auto field) {
    bmp::StoreLittleEndian(out, field);
    out += sizeof field;
  };
  if (depth == 16) {
    for (std::uint32_t mask : bmp::kMasks565) put(mask);
  } else if (const ColorQuad* table = RasterImageAccess::Palette(image)) {
    for (int i = 0; i < image.ColorCount(); ++i) {
      *out++ = table[i].blue;
      *out++ = table[i].green;
      *out++ = table[i].red;
      *out++ = table[i].alpha;
    }
  }
  return out;
}

// Packs the index of each pixel's nearest table entry, 8 / bitsPerPixel to
// a byte with the leftmost pixel in the highest bits. A byte is started by
// its first pixel, so a partial last byte ends in zeros.
template <int bitsPerPixel>
void EncodeIndexedRows(const RasterImage& image, NearestIndexSearch& search, int yFirst,
                       int rows, std::size_t rowBytes, std::uint8_t* out) {
  constexpr int kPerByte = 8 / bitsPerPixel;
  tiles::StoreToRows(image, yFirst, rows, rowBytes, out,
                     tiles::EachPixel([&search](const ColorQuad& p, std::uint8_t* row, int x) {
                       const int shift = (kPerByte - 1 - x % kPerByte) * bitsPerPixel;
                       std::uint8_t& byte = row[x / kPerByte];
                       const unsigned kept = x % kPerByte == 0 ? 0u : byte;
                       byte = static_cast<std::uint8_t>(kept | (search.Find(p) << shift));
                     }));
}

// Encodes `rows` file rows into out (rowBytes apart): the first is image row
// yFirst, each next one the row above.
void EncodeBlock(const RasterImage& image, NearestIndexSearch& search, int yFirst, int rows,
                 std::size_t rowBytes, std::uint8_t* out) {
  switch (image.BitDepth()) {
    case 32:
      tiles::StoreToRows(image, yFirst, rows, rowBytes, out,
                         tiles::EachPixel([](const ColorQuad& p, std::uint8_t* row, int x) {
                           StoreBgr(p, row + 4 * x);
                           row[4 * x + 3] = p.alpha;
                         }));
      return;
    case 24:
      // Small pictures are fastest straight from the store; large ones go
      // through tiles, whose column segments cannot evict each other from
      // the cache at power-of-two heights.
      if (rowBytes * image.Height() <= kWholeFileBytes) {
        FastestTrueColourKernels().encodeRows24(image, yFirst, rows, rowBytes, out);
      } else {
        tiles::StoreToRows(image, yFirst, rows, rowBytes, out, EncodeRun24);
      }
      return;
    case 16:
      tiles::StoreToRows(image, yFirst, rows, rowBytes, out,
                         tiles::EachPixel([](const ColorQuad& p, std::uint8_t* row, int x) {
                           bmp::StoreLittleEndian(row + 2 * x, Word565(p));
                         }));
      return;
    case 8:
      EncodeIndexedRows<8>(image, search, yFirst, rows, rowBytes, out);
      return;
    case 4:
      EncodeIndexedRows<4>(image, search, yFirst, rows, rowBytes, out);
      return;
    default:
      EncodeIndexedRows<1>(image, search, yFirst, rows, rowBytes, out);
      return;
  }
}

// The encoders write only the pixel bytes of a row: the padding up to the
// next 4-byte boundary is set to zero here.
void ClearRowPadding(std::uint8_t* rows, int count, std::size_t rowBytes, std::size_t pixelBytes) {
  if (pixelBytes == rowBytes) return;
  for (int r = 0; r < count; ++r, rows += rowBytes) {
    std::memset(rows + pixelBytes, 0, rowBytes - pixelBytes);
  }
}

}  // namespace

std::uint64_t BmpFileBytes(int width, int height, int depth) {
  return bmp::kHeaderBytes + bmp::TableBytes(depth) +
         bmp::RowBytes(width, depth) * static_cast<std::uint64_t>(height);
}

std::uint8_t* PutBmpHeaders(int width, int height, int depth, int horizontalPpm,
                            int verticalPpm, std::uint8_t* out) {
  auto put = [&out](auto field) {
    bmp::StoreLittleEndian(out, field);
    out += sizeof field;
  };

  BitmapFileHeader file;
  file.bfSize = static_cast<std::uint32_t>(BmpFileBytes(width, height, depth));
  file.bfOffBits = static_cast<std::uint32_t>(bmp::kHeaderBytes + bmp::TableBytes(depth));
  bmp::VisitFileHeaderFields(file, put);

  BitmapInfoHeader info;
  info.biSize = bmp::kInfoHeaderBytes;
  info.biWidth = width;
  info.biHeight = height;
  info.biBitCount = static_cast<std::uint16_t>(depth);
  info.biCompression = depth == 16 ? bmp::kCompressionBitfields : bmp::kCompressionNone;
  info.biSizeImage = static_cast<std::uint32_t>(bmp::RowBytes(width, depth) * height);
  // A resolution that is not set is written as the default, not as 0.
  if (horizontalPpm != 0) info.biXPelsPerMeter = horizontalPpm;
  if (verticalPpm != 0) info.biYPelsPerMeter = verticalPpm;
  bmp::VisitInfoHeaderFields(info, put);
  return out;
}

bool WriteWholeFile(const char* path, const std::uint8_t* bytes, std::size_t length) {
  UniqueFile file = OpenFile(path, "wb");
  if (!file) return false;
  std::setvbuf(file.get(), nullptr, _IONBF, 0);  // the bytes go straight out
  if (std::fwrite(bytes, 1, length, file.get()) != length) return false;
  return std::fclose(file.release()) == 0;  // a full disk may show only here
}

bool RasterImage::SaveBmp(const char* path) {
  if (!TypeSizesValid() || path == nullptr) return false;
  const std::uint64_t rowBytes = bmp::RowBytes(width_, depth_);
  const std::size_t pixelBytes = (static_cast<std::size_t>(width_) * depth_ + 7) / 8;
  const std::uint64_t prefixBytes = bmp::kHeaderBytes + bmp::TableBytes(depth_);
  const std::uint64_t fileBytes = BmpFileBytes(width_, height_, depth_);
  if (fileBytes > UINT32_MAX) return false;  // bfSize could not say it

  // Files up to kWholeFileBytes are encoded whole before the file is opened,
  // so an existing file is truncated only once its replacement is ready and
  // one write carries it. Larger files stream out in blocks of rows.
  const bool whole = fileBytes <= kWholeFileBytes;
  const int blockRows = whole ? height_ : tiles::BlockRows(rowBytes, height_);
  const std::size_t blockBytes = prefixBytes + blockRows * rowBytes;
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockBytes]);
  if (!block) return false;
  if (!RasterImageAccess::ProvidePalette(*this)) return false;
  NearestIndexSearch search(palette_.get(), HasPalette() ? ColorCount() : 0);

  std::uint8_t* rows = PutPrefix(*this, block.get());
  int count = blockRows;
  EncodeBlock(*this, search, height_ - 1, count, rowBytes, rows);
  ClearRowPadding(rows, count, rowBytes, pixelBytes);
  if (whole) return WriteWholeFile(path, block.get(), blockBytes);

  UniqueFile file = OpenFile(path, "wb");
  if (!file) return false;
  std::setvbuf(file.get(), nullptr, _IONBF, 0);  // blocks go straight out
  for (int done = 0;;) {
    const std::size_t length = static_cast<std::size_t>(rows - block.get()) + count * rowBytes;
    if (std::fwrite(block.get(), 1, length, file.get()) != length) return false;
    done += count;
    if (done == height_) break;
    rows = block.get();  // later blocks hold rows only
    count = std::min(blockRows, height_ - done);
    EncodeBlock(*this, search, height_ - 1 - done, count, rowBytes, rows);
    ClearRowPadding(rows, count, rowBytes, pixelBytes);
  }
  return std::fclose(file.release()) == 0;  // a full disk may show only here
}

bool RasterImage::EncodeRow32(std::uint8_t* buffer, int size, int y) {
  if (buffer == nullptr || !RowInside(y) || 4LL * width_ > size) return false;
  for (int x = 0; x < width_; ++x, buffer += 4) {
    const ColorQuad& p = Column(x)[y];
    buffer[0] = p.blue;
    buffer[1] = p.green;
    buffer[2] = p.red;
    buffer[3] = p.alpha;
  }
  return true;
}

bool RasterImage::EncodeRow24(std::uint8_t* buffer, int size, int y) {
  if (buffer == nullptr || !RowInside(y) || 3LL * width_ > size) return false;
  for (int x = 0; x < width_; ++x, buffer += 3) {
    const ColorQuad& p = Column(x)[y];
    buffer[0] = p.blue;
    buffer[1] = p.green;
    buffer[2] = p.red;
  }
  return true;
}

}  // namespace korvel
