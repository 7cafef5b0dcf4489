// The header records' defaults and byte-order switches.
#include "korvelgraphline/bmp_format.h"

#include "image/bmp_layout.h"

namespace korvel {
namespace {

struct SwapField {
  void operator()(std::uint16_t& field) const { field = SwapBytes16(field); }
  void operator()(std::uint32_t& field) const { field = SwapBytes32(field); }
  void operator()(std::int32_t& field) const {
    field = static_cast<std::int32_t>(SwapBytes32(static_cast<std::uint32_t>(field)));
  }
};

}  // namespace

BitmapFileHeader::BitmapFileHeader()
    : bfType(bmp::kSignature), bfSize(0), bfReserved1(0), bfReserved2(0), bfOffBits(0) {}

void BitmapFileHeader::SwitchByteOrder() { bmp::VisitFileHeaderFields(*this, SwapField{}); }

BitmapInfoHeader::BitmapInfoHeader()
    : biSize(0),
      biWidth(0),
      biHeight(0),
      biPlanes(1),
      biBitCount(0),
      biCompression(bmp::kCompressionNone),
      biSizeImage(0),
      biXPelsPerMeter(bmp::kDefaultPixelsPerMetre),
      biYPelsPerMeter(bmp::kDefaultPixelsPerMetre),
      biClrUsed(0),
      biClrImportant(0) {}

void BitmapInfoHeader::SwitchByteOrder() { bmp::VisitInfoHeaderFields(*this, SwapField{}); }

std::uint16_t SwapBytes16(std::uint16_t value) {
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

std::uint32_t SwapBytes32(std::uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
         (value << 24);
}

}  // namespace korvel
