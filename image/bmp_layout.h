// The BMP file layout, written once: the order and width of every header
// field, the fixed sizes, the 16-bit masks and the row arithmetic. The
// writer, the reader and the header probes all take the layout from here.
// Internal: not installed.
#ifndef KORVELGRAPHLINE_IMAGE_BMP_LAYOUT_H_
#define KORVELGRAPHLINE_IMAGE_BMP_LAYOUT_H_

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "korvelgraphline/bmp_format.h"

namespace korvel {
namespace bmp {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
constexpr int kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr std::uint16_t kSignature = 0x4D42;  // "BM" read little-endian
constexpr std::int32_t kDefaultPixelsPerMetre = 3780;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitfields = 3;

// The 16-bit writer's 5-6-5 masks, in file order red, green, blue.
constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};
constexpr int kMaskBytes = 12;

// Calls visit(field) for every field of a file header, in file order. The
// field's type gives its width in the file.
template <typename Header, typename Visit>
void VisitFileHeaderFields(Header& header, Visit&& visit) {
  static_assert(std::is_same_v<std::remove_const_t<Header>, BitmapFileHeader>);
  visit(header.bfType);
  visit(header.bfSize);
  visit(header.bfReserved1);
  visit(header.bfReserved2);
  visit(header.bfOffBits);
}

// Calls visit(field) for every field of an info header, in file order.
template <typename Header, typename Visit>
void VisitInfoHeaderFields(Header& header, Visit&& visit) {
  static_assert(std::is_same_v<std::remove_const_t<Header>, BitmapInfoHeader>);
  visit(header.biSize);
  visit(header.biWidth);
  visit(header.biHeight);
  visit(header.biPlanes);
  visit(header.biBitCount);
  visit(header.biCompression);
  visit(header.biSizeImage);
  visit(header.biXPelsPerMeter);
  visit(header.biYPelsPerMeter);
  visit(header.biClrUsed);
  visit(header.biClrImportant);
}

// Stores value little-endian in sizeof(value) bytes at out.
// On little-endian hosts this is one plain store.
template <typename Integer>
void StoreLittleEndian(std::uint8_t* out, Integer value) {
  auto bits = static_cast<std::make_unsigned_t<Integer>>(value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(out, &bits, sizeof bits);
#else
  for (unsigned i = 0; i < sizeof(Integer); ++i) {
    out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
#endif
}

// Reads a little-endian value of sizeof(Integer) bytes from in.
template <typename Integer>
Integer LoadLittleEndian(const std::uint8_t* in) {
  std::make_unsigned_t<Integer> bits = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(&bits, in, sizeof bits);
#else
  for (unsigned i = 0; i < sizeof(Integer); ++i) {
    bits = static_cast<decltype(bits)>(bits | (static_cast<decltype(bits)>(in[i]) << (8 * i)));
  }
#endif
  return static_cast<Integer>(bits);
}

// Depths whose pixels are colour-table indices.
constexpr bool IsIndexedDepth(int depth) { return depth == 1 || depth == 4 || depth == 8; }

// Bytes of one stored row: the pixel bits rounded up to whole 32-bit words.
constexpr std::uint64_t RowBytes(std::int64_t width, int depth) {
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(depth) + 31) / 32 * 4;
}

// Bytes between the info header and the pixel rows that the writer emits:
// the whole colour table at 1, 4 and 8 bits, the masks at 16 bits.
constexpr int TableBytes(int depth) {
  return depth <= 8 ? (1 << depth) * 4 : depth == 16 ? kMaskBytes : 0;
}

}  // namespace bmp
}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_BMP_LAYOUT_H_
