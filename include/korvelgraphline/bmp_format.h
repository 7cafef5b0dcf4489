// The two header records of an uncompressed BMP file and their byte order.
//
// A BMP file starts with a 14-byte file header and a 40-byte info header,
// every number little-endian. The records below hold those fields with the
// standard names. They are never written or read as memory blocks: each
// field travels on its own, with its own width, in the order declared here.
#ifndef KORVELGRAPHLINE_BMP_FORMAT_H_
#define KORVELGRAPHLINE_BMP_FORMAT_H_

#include <cstdint>

#include "korvelgraphline/export.h"

namespace korvel {

struct KORVEL_EXPORT BitmapFileHeader {
  std::uint16_t bfType;       // 0x4D42, the bytes "BM"
  std::uint32_t bfSize;       // size of the whole file
  std::uint16_t bfReserved1;
  std::uint16_t bfReserved2;
  std::uint32_t bfOffBits;    // offset of the first pixel row

  // bfType "BM", both reserved fields 0; bfSize and bfOffBits 0.
  BitmapFileHeader();
  // Reverses the byte order of every field; applying it twice restores it.
  void SwitchByteOrder();
};

struct KORVEL_EXPORT BitmapInfoHeader {
  std::uint32_t biSize;           // 40
  std::int32_t biWidth;
  std::int32_t biHeight;          // positive: bottom row first
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;       // 1, 4, 8, 16, 24 or 32
  std::uint32_t biCompression;    // 0 plain rows, 3 bit fields (16 bits)
  std::uint32_t biSizeImage;      // bytes of pixel rows, padding included
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;

  // biPlanes 1, biCompression 0, 3780 pixels per metre both ways, biClrUsed
  // and biClrImportant 0; the fields without a default are 0.
  BitmapInfoHeader();
  // Reverses the byte order of every field; applying it twice restores it.
  void SwitchByteOrder();
};

// value with its bytes in reverse order.
KORVEL_EXPORT std::uint16_t SwapBytes16(std::uint16_t value);
KORVEL_EXPORT std::uint32_t SwapBytes32(std::uint32_t value);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_BMP_FORMAT_H_
