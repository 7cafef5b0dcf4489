// The header probes on arbitrary bytes, checked field by field against the
// bytes themselves: a field that lies wholly in the file has its
// little-endian value, any other keeps its default.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_file.h"
#include "korvelgraphline/bmp_probe.h"

namespace {

using korvel::fuzz::Require;

// The value of the `width` bytes at offset, or fallback when the data ends
// before them.
std::uint32_t FieldOr(const std::uint8_t* data, std::size_t size, std::size_t offset,
                      int width, std::uint32_t fallback) {
  if (offset + width > size) return fallback;
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(data[offset + i]) << (8 * i);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = korvel::fuzz::ScratchPath(".probe.bmp");
  korvel::fuzz::WriteInput(path, data, size);

  const korvel::BitmapFileHeader file = korvel::ReadFileHeader(path.c_str());
  Require(file.bfType == FieldOr(data, size, 0, 2, 0x4D42), "bfType");
  Require(file.bfSize == FieldOr(data, size, 2, 4, 0), "bfSize");
  Require(file.bfReserved1 == FieldOr(data, size, 6, 2, 0), "bfReserved1");
  Require(file.bfReserved2 == FieldOr(data, size, 8, 2, 0), "bfReserved2");
  Require(file.bfOffBits == FieldOr(data, size, 10, 4, 0), "bfOffBits");

  const korvel::BitmapInfoHeader info = korvel::ReadInfoHeader(path.c_str());
  Require(info.biSize == FieldOr(data, size, 14, 4, 0), "biSize");
  Require(static_cast<std::uint32_t>(info.biWidth) == FieldOr(data, size, 18, 4, 0), "biWidth");
  Require(static_cast<std::uint32_t>(info.biHeight) == FieldOr(data, size, 22, 4, 0), "biHeight");
  Require(info.biPlanes == FieldOr(data, size, 26, 2, 1), "biPlanes");
  Require(info.biBitCount == FieldOr(data, size, 28, 2, 0), "biBitCount");
  Require(info.biCompression == FieldOr(data, size, 30, 4, 0), "biCompression");
  Require(info.biSizeImage == FieldOr(data, size, 34, 4, 0), "biSizeImage");
  Require(static_cast<std::uint32_t>(info.biXPelsPerMeter) == FieldOr(data, size, 38, 4, 3780),
          "biXPelsPerMeter");
  Require(static_cast<std::uint32_t>(info.biYPelsPerMeter) == FieldOr(data, size, 42, 4, 3780),
          "biYPelsPerMeter");
  Require(info.biClrUsed == FieldOr(data, size, 46, 4, 0), "biClrUsed");
  Require(info.biClrImportant == FieldOr(data, size, 50, 4, 0), "biClrImportant");
  Require(korvel::ProbeColorDepth(path.c_str()) == info.biBitCount, "ProbeColorDepth");
  return 0;
}
