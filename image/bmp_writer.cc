// SaveBmp and the truecolour row encoders.
//
// The file is assembled in blocks of whole rows and written with one call
// per block. Each block is filled by walking the column-major store a column
// segment at a time, which reads memory in order instead of jumping a whole
// column per pixel.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "image/bmp_layout.h"
#include "image/raster_image_access.h"
#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace {

constexpr int kRowsPerBlock = 64;
constexpr std::uint64_t kWholeFileBytes = 4u << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::uint16_t Word565(const ColorQuad& pixel) {
  return static_cast<std::uint16_t>(((pixel.red >> 3) << 11) + ((pixel.green >> 2) << 5) +
                                    (pixel.blue >> 3));
}

// Writes the headers, then the colour table or the masks, to out; returns
// the position after them.
std::uint8_t* PutPrefix(const RasterImage& image, std::uint32_t fileBytes,
                        std::uint32_t imageBytes, std::uint8_t* out) {
  const int depth = image.BitDepth();
  auto put = [&out](auto field) {
    bmp::StoreLittleEndian(out, field);
    out += sizeof field;
  };

  BitmapFileHeader file;
  file.bfSize = fileBytes;
  file.bfOffBits = static_cast<std::uint32_t>(bmp::kHeaderBytes + bmp::TableBytes(depth));
  bmp::VisitFileHeaderFields(file, put);

  BitmapInfoHeader info;
  info.biSize = bmp::kInfoHeaderBytes;
  info.biWidth = image.Width();
  info.biHeight = image.Height();
  info.biBitCount = static_cast<std::uint16_t>(depth);
  info.biCompression = depth == 16 ? bmp::kCompressionBitfields : bmp::kCompressionNone;
  info.biSizeImage = imageBytes;
  // A resolution that is not set is written as the default, not as 0.
  if (image.HorizontalPixelsPerMetre() != 0) info.biXPelsPerMeter = image.HorizontalPixelsPerMetre();
  if (image.VerticalPixelsPerMetre() != 0) info.biYPelsPerMeter = image.VerticalPixelsPerMetre();
  bmp::VisitInfoHeaderFields(info, put);

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

// Encodes `rows` file rows, the first of them image row yFirst and each next
// one a row higher up, into out (rowBytes apart). encode(pixel, at) writes one
// pixel of bytesPerPixel bytes.
// Columns from firstColumn on.
template <int bytesPerPixel, typename Encode>
void EncodeTruecolourBlock(const RasterImage& image, int yFirst, int rows,
                           std::size_t rowBytes, std::uint8_t* out, Encode encode,
                           int firstColumn = 0) {
  for (int x = firstColumn; x < image.Width(); ++x) {
    const ColorQuad* column = RasterImageAccess::Column(image, x);
    std::uint8_t* at = out + static_cast<std::size_t>(x) * bytesPerPixel;
    for (int r = 0; r < rows; ++r, at += rowBytes) encode(column[yFirst - r], at);
  }
}

// Blue, green and red of p in the low three bytes, as one load and a mask.
std::uint64_t Bgr(const ColorQuad& p) {
  return bmp::LoadLittleEndian<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(&p)) & 0xFFFFFFu;
}

// 24 bits: eight columns at a time, so that each row of the tile leaves as
// three whole 8-byte stores instead of 24 single bytes.
void EncodeBlock24(const RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                   std::uint8_t* out) {
  constexpr int kTile = 8;
  const int width = image.Width();
  int x = 0;
  for (; x + kTile <= width; x += kTile) {
    // The store is read upwards in memory (prefetch-friendly), so the file
    // rows of the block are filled from the last one back.
    const ColorQuad* column[kTile];
    for (int j = 0; j < kTile; ++j) {
      column[j] = RasterImageAccess::Column(image, x + j) + (yFirst - rows + 1);
    }
    std::uint8_t* at = out + static_cast<std::size_t>(rows - 1) * rowBytes + static_cast<std::size_t>(x) * 3;
    for (int r = 0; r < rows; ++r, at -= rowBytes) {
      std::uint64_t p[kTile];
      for (int j = 0; j < kTile; ++j) p[j] = Bgr(column[j][r]);
      bmp::StoreLittleEndian(at, p[0] | p[1] << 24 | p[2] << 48);
      bmp::StoreLittleEndian(at + 8, p[2] >> 16 | p[3] << 8 | p[4] << 32 | p[5] << 56);
      bmp::StoreLittleEndian(at + 16, p[5] >> 8 | p[6] << 16 | p[7] << 40);
    }
  }
  if (x < width) {
    EncodeTruecolourBlock<3>(image, yFirst, rows, rowBytes, out, [](const ColorQuad& p, std::uint8_t* at) {
      at[0] = p.blue;
      at[1] = p.green;
      at[2] = p.red;
    }, x);
  }
}

void EncodeBlock(RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                 std::uint8_t* out) {
  switch (image.BitDepth()) {
    case 32:
      EncodeTruecolourBlock<4>(image, yFirst, rows, rowBytes, out,
                               [](const ColorQuad& p, std::uint8_t* at) {
                                 at[0] = p.blue;
                                 at[1] = p.green;
                                 at[2] = p.red;
                                 at[3] = p.alpha;
                               });
      return;
    case 24:
      EncodeBlock24(image, yFirst, rows, rowBytes, out);
      return;
    case 16:
      EncodeTruecolourBlock<2>(image, yFirst, rows, rowBytes, out,
                               [](const ColorQuad& p, std::uint8_t* at) {
                                 bmp::StoreLittleEndian(at, Word565(p));
                               });
      return;
    default:
      break;
  }
  const int size = static_cast<int>(rowBytes);
  for (int r = 0; r < rows; ++r, out += rowBytes) {
    switch (image.BitDepth()) {
      case 8: image.EncodeRow8(out, size, yFirst - r); break;
      case 4: image.EncodeRow4(out, size, yFirst - r); break;
      default: image.EncodeRow1(out, size, yFirst - r); break;
    }
  }
}

}  // namespace

bool RasterImage::SaveBmp(const char* path) {
  if (!TypeSizesValid() || path == nullptr) return false;
  const std::uint64_t rowBytes = bmp::RowBytes(width_, depth_);
  const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height_);
  const std::uint64_t prefixBytes = bmp::kHeaderBytes + bmp::TableBytes(depth_);
  const std::uint64_t fileBytes = prefixBytes + imageBytes;
  if (fileBytes > UINT32_MAX) return false;  // bfSize could not say it

  // Files up to kWholeFileBytes are encoded whole before the file is opened,
  // so an existing file is truncated only once its replacement is ready and
  // one write carries it. Larger files stream out in blocks of rows.
  const int blockRows = fileBytes <= kWholeFileBytes ? height_ : std::min(height_, kRowsPerBlock);
  const std::size_t blockBytes = prefixBytes + blockRows * rowBytes;
  // Zeroed: the encoders never touch the row padding.
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockBytes]());
  if (!block) return false;
  if (!RasterImageAccess::ProvidePalette(*this)) return false;

  std::uint8_t* rows = PutPrefix(*this, static_cast<std::uint32_t>(fileBytes),
                                 static_cast<std::uint32_t>(imageBytes), block.get());
  int count = blockRows;
  EncodeBlock(*this, height_ - 1, count, rowBytes, rows);

  UniqueFile file(std::fopen(path, "wb"));
  if (!file) return false;
  std::setvbuf(file.get(), nullptr, _IONBF, 0);  // blocks go straight out
  for (int done = 0;;) {
    const std::size_t length = static_cast<std::size_t>(rows - block.get()) + count * rowBytes;
    if (std::fwrite(block.get(), 1, length, file.get()) != length) return false;
    done += count;
    if (done == height_) break;
    if (rows != block.get()) {
      // Later blocks hold rows only, from the start of the buffer, where the
      // headers were: clear it so that the row padding is zero again.
      std::fill(block.get(), block.get() + blockBytes, 0);
      rows = block.get();
    }
    count = std::min(blockRows, height_ - done);
    EncodeBlock(*this, height_ - 1 - done, count, rowBytes, rows);
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
