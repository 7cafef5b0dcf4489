// Small helpers shared by the test suites: scratch files, hand-built BMP
// files and an independent BMP decoder and encoder (stb_image,
// stb_image_write) to check what the library reads and writes.
#ifndef KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_
#define KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace testing {

// A colour's bytes blue, green, red, alpha, for comparisons that print well.
inline std::array<int, 4> Bgra(const ColorQuad& c) { return {c.blue, c.green, c.red, c.alpha}; }

// A colour given as red, green, blue, with alpha 0.
constexpr ColorQuad Rgb(int red, int green, int blue) {
  return ColorQuad{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                   static_cast<std::uint8_t>(red), 0};
}

// Fills every pixel, alpha included, from a seeded generator.
void FillRandom(RasterImage& image, std::uint32_t seed);

// A fresh directory for one test, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The path of name inside the directory.
  std::string Path(const std::string& name) const;

 private:
  std::string root_;
};

// Writes contents as a new file at path, replacing any file there.
void WriteFile(const std::string& path, const std::string& contents);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// An image as decoded by stb_image: width x height pixels of `channels`
// bytes each (red, green, blue[, alpha]), top row first. Empty on failure.
struct DecodedImage {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
  const std::uint8_t* At(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * channels;
  }
};
DecodedImage DecodeWithStb(const std::string& path, int channels);

// Writes image (3 or 4 channels) as a BMP file with stb_image_write: 24 bits
// for 3 channels, 32 bits with a 108-byte header and bit fields for 4.
bool EncodeWithStb(const std::string& path, const DecodedImage& image);

// The sixteen header fields of a BMP file, spelled out byte by byte by
// BmpBytes below, independently of the library's own layout code. The
// defaults describe a valid 1 x 1 24-bit file.
struct BmpFields {
  std::uint16_t bfType = 0x4D42;
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 54;
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 1;
  std::int32_t biHeight = 1;
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 24;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 3780;
  std::int32_t biYPelsPerMeter = 3780;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// The 54 header bytes of fields, followed by rest (table, masks, rows).
std::vector<std::uint8_t> BmpBytes(const BmpFields& fields,
                                   const std::vector<std::uint8_t>& rest = {});

// Appends value little-endian in `bytes` bytes.
void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes);

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& contents);

}  // namespace testing
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_
