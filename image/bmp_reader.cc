// LoadBmp, the row decoders and the guarded read.
//
// The headers are validated before anything is allocated. Pixel rows are
// then read in blocks of whole rows, one read per block, and each block is
// spread into the column-major store tile by tile (pixel_tiles.h). The
// result is the same as decoding the file one row after the other.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/bmp_field_reader.h"
#include "image/bmp_layout.h"
#include "image/pixel_tiles.h"
#include "image/raster_image_access.h"
#include "image/unique_file.h"
#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/bmp_reader.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace {

constexpr ColorQuad kWhite = {255, 255, 255, 0};

// Largest image a file may ask for: 2^28 pixels are 1 GiB in memory.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

// Buffer of the stream, for the many small header and table reads.
constexpr std::size_t kStreamBufferBytes = std::size_t{1} << 16;

void DecodeRows32(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                  std::size_t rowBytes) {
  tiles::RowsToStore(image, in, yFirst, rows, rowBytes, image.Width(),
              [](const std::uint8_t* row, int x, ColorQuad& pixel) {
                const std::uint8_t* p = row + 4 * x;
                pixel = ColorQuad{p[0], p[1], p[2], p[3]};
              });
}

void DecodeRows24(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                  std::size_t rowBytes) {
  tiles::RowsToStore(image, in, yFirst, rows, rowBytes, image.Width(),
              [](const std::uint8_t* row, int x, ColorQuad& pixel) {
                const std::uint8_t* p = row + 3 * x;
                pixel.blue = p[0];
                pixel.green = p[1];
                pixel.red = p[2];  // alpha stays as it was
              });
}

// Indexed rows: every byte value maps to its table entry, or to white where
// the table has no such entry, as PaletteEntry answers.
template <int bitsPerPixel>
void DecodeIndexedRows(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                       std::size_t rowBytes) {
  std::array<ColorQuad, 256> entries;
  for (int i = 0; i < 256; ++i) entries[i] = image.PaletteEntry(i);
  constexpr int kPerByte = 8 / bitsPerPixel;
  constexpr unsigned kMask = (1u << bitsPerPixel) - 1;
  tiles::RowsToStore(image, in, yFirst, rows, rowBytes, image.Width(),
              [&entries](const std::uint8_t* row, int x, ColorQuad& pixel) {
                const int shift = (kPerByte - 1 - x % kPerByte) * bitsPerPixel;
                pixel = entries[(row[x / kPerByte] >> shift) & kMask];
              });
}

void DecodeRows(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                std::size_t rowBytes) {
  switch (image.BitDepth()) {
    case 32: DecodeRows32(image, in, yFirst, rows, rowBytes); break;
    case 24: DecodeRows24(image, in, yFirst, rows, rowBytes); break;
    case 8: DecodeIndexedRows<8>(image, in, yFirst, rows, rowBytes); break;
    case 4: DecodeIndexedRows<4>(image, in, yFirst, rows, rowBytes); break;
    case 1: DecodeIndexedRows<1>(image, in, yFirst, rows, rowBytes); break;
    default: break;
  }
}

// True when row y exists and a row of size bytes holds the image's width at
// bytesPerPixel / pixelsPerByte bytes a pixel.
bool RowHolds(const RasterImage& image, const std::uint8_t* row, int size, int y,
              int bytesPerPixel, int pixelsPerByte) {
  return row != nullptr && y >= 0 && y < image.Height() &&
         std::int64_t{image.Width()} * bytesPerPixel <= std::int64_t{size} * pixelsPerByte;
}

// One channel of a 16-bit pixel word: the bits of mask, shifted down to at
// most five bits and scaled by 8. Only the top five bits of a wider field
// survive.
struct WordChannel {
  std::uint16_t mask;
  int shift;

  void SetShift() {
    for (shift = 0; (mask >> shift) > 31; ++shift) {
    }
  }
  std::uint8_t Of(unsigned word) const {
    return static_cast<std::uint8_t>(((word & mask) >> shift) * 8);
  }
};

struct WordLayout {
  WordChannel red{0x7C00, 0};  // without masks in the file: 5-5-5
  WordChannel green{0x03E0, 0};
  WordChannel blue{0x001F, 0};
};

// Skips count bytes, or up to the end of the data if fewer are left, without
// allocating whatever a file claims.
void SkipBytes(std::FILE* file, std::int64_t count) {
  std::uint8_t scratch[4096];
  while (count > 0 && !std::feof(file)) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof scratch));
    if (std::fread(scratch, 1, chunk, file) < chunk) return;
    count -= static_cast<std::int64_t>(chunk);
  }
}

// Reads the pixel rows, bottom row first, in blocks of whole rows with one
// read per block. decode(in, yFirst, rows) gets the rows that arrived whole.
// When the data ends, ended(in, y, bytes) gets what arrived of row y (fewer
// bytes than a row, perhaps none) and reading stops. False when the block
// memory cannot be had.
template <typename Decode, typename Ended>
bool ReadRowBlocks(std::FILE* file, int height, std::size_t rowBytes, Decode decode,
                   Ended ended) {
  const int blockRows = tiles::BlockRows(rowBytes, height);
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockRows * rowBytes]);
  if (!block) return false;
  for (int y = height - 1; y >= 0; y -= blockRows) {
    const int rows = std::min(blockRows, y + 1);
    const std::size_t wanted = rows * rowBytes;
    const std::size_t got = std::fread(block.get(), 1, wanted, file);
    const int whole = static_cast<int>(got / rowBytes);
    decode(block.get(), y, whole);
    if (got < wanted) {
      ended(block.get() + whole * rowBytes, y - whole, got - whole * rowBytes);
      break;
    }
  }
  return true;
}

// One LoadBmp: the image, the stream and the headers it has read.
class BmpLoad {
 public:
  explicit BmpLoad(RasterImage& image) : image_(image) {}

  bool Run(const char* path);

 private:
  // The image becomes 1 x 1 at 1 bit, white; its resolution stays.
  bool Refuse() {
    image_.SetDimensions(1, 1);
    image_.ChangeBitDepth(1);
    return false;
  }

  bool HeadersAccepted() const;
  // Signed distance from the end of the headers to the first pixel row.
  std::int64_t TableAndGapBytes() const {
    return static_cast<std::int32_t>(fileHeader_.bfOffBits - std::uint32_t{bmp::kHeaderBytes});
  }
  void ReadColourTable();
  WordLayout ReadWordLayout();
  bool ReadRows();
  bool ReadWordRows(const WordLayout& layout);
  void DecodeWords(const WordLayout& layout, const std::uint8_t* in, int yFirst, int rows,
                   std::size_t rowBytes, int columns);
  void RepeatWord(int x, int y);

  RasterImage& image_;
  std::FILE* file_ = nullptr;
  BitmapFileHeader fileHeader_;
  BitmapInfoHeader info_;
};

bool BmpLoad::Run(const char* path) {
  std::unique_ptr<char[]> streamBuffer(new (std::nothrow) char[kStreamBufferBytes]);
  UniqueFile file = OpenFile(path, "rb");
  if (!file) return Refuse();
  file_ = file.get();
  if (streamBuffer) std::setvbuf(file_, streamBuffer.get(), _IOFBF, kStreamBufferBytes);

  const bool fileHeaderWhole = bmp::ReadFields(file_, fileHeader_);
  // A signature that did not arrive keeps the default "BM"; the headers
  // missing after it refuse the file below.
  if (fileHeader_.bfType != bmp::kSignature) return false;  // not ours: untouched
  const bool infoHeaderWhole = bmp::ReadFields(file_, info_);
  if (!fileHeaderWhole || !infoHeaderWhole) return Refuse();

  // The resolution is taken before the checks, so a refused file leaves it.
  RasterImageAccess::SetResolution(image_, info_.biXPelsPerMeter, info_.biYPelsPerMeter);
  if (!HeadersAccepted() || !image_.ChangeBitDepth(info_.biBitCount) ||
      !image_.SetDimensions(info_.biWidth, info_.biHeight)) {
    return Refuse();
  }

  const int depth = image_.BitDepth();
  if (bmp::IsIndexedDepth(depth)) ReadColourTable();
  if (depth == 16) return ReadWordRows(ReadWordLayout()) || Refuse();
  SkipBytes(file_, TableAndGapBytes() - bmp::TableBytes(depth));
  return ReadRows() || Refuse();
}

// Plain rows at every depth, bit fields only at 16 bits; sizes that fit
// the limits. A negative height (rows stored top-down) is refused too.
bool BmpLoad::HeadersAccepted() const {
  const std::uint32_t compression = info_.biCompression;
  const int depth = info_.biBitCount;
  if (compression != bmp::kCompressionNone &&
      !(compression == bmp::kCompressionBitfields && depth == 16)) {
    return false;
  }
  const std::int64_t width = info_.biWidth;
  const std::int64_t height = info_.biHeight;
  return width > 0 && height > 0 && width * height <= kMaxPixels && width * depth <= INT32_MAX;
}

// Entries 0..k-1 come from the file, where k is the room bfOffBits leaves
// for them; an entry that cannot be read keeps its standard colour. The
// entries after them are white.
void BmpLoad::ReadColourTable() {
  const int count = image_.ColorCount();
  const int fromFile = static_cast<int>(std::clamp<std::int64_t>(TableAndGapBytes() / 4, 0, count));
  for (int i = 0; i < fromFile; ++i) {
    std::uint8_t entry[4];
    if (ReadChecked(entry, 4, 1, file_)) {
      image_.SetPaletteEntry(i, ColorQuad{entry[0], entry[1], entry[2], entry[3]});
    }
  }
  for (int i = fromFile; i < count; ++i) image_.SetPaletteEntry(i, kWhite);
}

// The channel masks of a 16-bit file: read after the info header when the
// file has bit fields (each 32-bit mask keeps its low half), else 5-5-5.
// Then skips to the pixel rows.
WordLayout BmpLoad::ReadWordLayout() {
  WordLayout layout;
  std::int64_t gap = TableAndGapBytes();
  if (info_.biCompression != bmp::kCompressionNone) {
    bmp::FieldReader reader(file_);
    for (WordChannel* channel : {&layout.red, &layout.green, &layout.blue}) {
      std::uint16_t highHalf = 0;
      reader(channel->mask);
      reader(highHalf);
    }
    gap -= bmp::kMaskBytes;
  }
  for (WordChannel* channel : {&layout.red, &layout.green, &layout.blue}) channel->SetShift();
  SkipBytes(file_, gap);
  return layout;
}

bool BmpLoad::ReadRows() {
  const std::size_t rowBytes = bmp::RowBytes(image_.Width(), image_.BitDepth());
  return ReadRowBlocks(
      file_, image_.Height(), rowBytes,
      [&](const std::uint8_t* in, int yFirst, int rows) {
        DecodeRows(image_, in, yFirst, rows, rowBytes);
      },
      [](const std::uint8_t*, int, std::size_t) {});  // the rest stays white
}

void BmpLoad::DecodeWords(const WordLayout& layout, const std::uint8_t* in, int yFirst,
                          int rows, std::size_t rowBytes, int columns) {
  tiles::RowsToStore(image_, in, yFirst, rows, rowBytes, columns,
              [&layout](const std::uint8_t* row, int x, ColorQuad& pixel) {
                const unsigned word = bmp::LoadLittleEndian<std::uint16_t>(row + 2 * x);
                pixel.blue = layout.blue.Of(word);
                pixel.green = layout.green.Of(word);
                pixel.red = layout.red.Of(word);  // alpha stays 0
              });
}

// 16-bit rows. When the data ends, every pixel not reached repeats the last
// whole word; if not even the first word arrived, the pixels stay white.
bool BmpLoad::ReadWordRows(const WordLayout& layout) {
  const std::size_t rowBytes = bmp::RowBytes(image_.Width(), 16);
  return ReadRowBlocks(
      file_, image_.Height(), rowBytes,
      [&](const std::uint8_t* in, int yFirst, int rows) {
        DecodeWords(layout, in, yFirst, rows, rowBytes, image_.Width());
      },
      [&](const std::uint8_t* in, int y, std::size_t bytes) {
        const int words = static_cast<int>(std::min<std::size_t>(image_.Width(), bytes / 2));
        DecodeWords(layout, in, y, 1, rowBytes, words);
        RepeatWord(words, y);
      });
}

// Fills pixel x of row y onwards, and every row above y, with the pixel
// decoded last before it: (x - 1, y), or the end of the row below.
void BmpLoad::RepeatWord(int x, int y) {
  const int width = image_.Width();
  if (x == 0 && y == image_.Height() - 1) return;  // no word arrived at all
  const ColorQuad last = x > 0 ? image_.ReadPixel(x - 1, y) : image_.ReadPixel(width - 1, y + 1);
  for (int column = 0; column < width; ++column) {
    ColorQuad* pixels = RasterImageAccess::Column(image_, column);
    std::fill(pixels, pixels + y, last);
    if (column >= x) pixels[y] = last;
  }
}

}  // namespace

bool ReadChecked(void* destination, int itemSize, int count, std::FILE* stream) {
  if (destination == nullptr || stream == nullptr || itemSize < 0 || count < 0) return false;
  if (std::feof(stream)) return false;
  if (itemSize == 0 || count == 0) return true;

  // Through a scratch buffer, so that an item cut short by the end of the
  // data leaves its destination as it was.
  const std::size_t size = static_cast<std::size_t>(itemSize);
  std::uint8_t local[4096];
  std::unique_ptr<std::uint8_t[]> large;
  std::uint8_t* scratch = local;
  std::size_t scratchItems = sizeof local / size;
  if (scratchItems == 0) {
    large.reset(new (std::nothrow) std::uint8_t[size]);
    if (!large) return false;
    scratch = large.get();
    scratchItems = 1;
  }
  auto* out = static_cast<std::uint8_t*>(destination);
  for (std::size_t remaining = static_cast<std::size_t>(count); remaining > 0;) {
    const std::size_t items = std::min(remaining, scratchItems);
    const std::size_t got = std::fread(scratch, 1, items * size, stream);
    const std::size_t whole = got / size;
    std::memcpy(out, scratch, whole * size);
    if (whole < items) return false;
    out += whole * size;
    remaining -= items;
  }
  return true;
}

bool RasterImage::LoadBmp(const char* path) {
  if (!TypeSizesValid()) return false;
  return BmpLoad(*this).Run(path);
}

bool RasterImage::DecodeRow32(const std::uint8_t* row, int size, int y) {
  if (!RowHolds(*this, row, size, y, 4, 1)) return false;
  DecodeRows32(*this, row, y, 1, 0);
  return true;
}

bool RasterImage::DecodeRow24(const std::uint8_t* row, int size, int y) {
  if (!RowHolds(*this, row, size, y, 3, 1)) return false;
  DecodeRows24(*this, row, y, 1, 0);
  return true;
}

bool RasterImage::DecodeRow8(const std::uint8_t* row, int size, int y) {
  if (!RowHolds(*this, row, size, y, 1, 1)) return false;
  DecodeIndexedRows<8>(*this, row, y, 1, 0);
  return true;
}

bool RasterImage::DecodeRow4(const std::uint8_t* row, int size, int y) {
  if (!RowHolds(*this, row, size, y, 1, 2)) return false;
  DecodeIndexedRows<4>(*this, row, y, 1, 0);
  return true;
}

bool RasterImage::DecodeRow1(const std::uint8_t* row, int size, int y) {
  if (!RowHolds(*this, row, size, y, 1, 8)) return false;
  DecodeIndexedRows<1>(*this, row, y, 1, 0);
  return true;
}

}  // namespace korvel
