// RasterImage: an in-memory picture of 1, 4, 8, 16, 24 or 32 bits per pixel.
//
// Every pixel is held as a full colour (ColorQuad), whatever the bit depth.
// The depth decides only whether the image carries a colour table (1, 4 and
// 8 bits) and how its pixels are encoded in a BMP file: indexed images map
// each pixel to its nearest table entry when they are written.
//
// Coordinates: x counts columns from 0 at the left, y counts rows from 0 at
// the top. A BMP file stores the bottom row first.
//
// Errors are results: no operation throws or aborts, and running out of
// memory leaves the image as it was and returns false.
//
// Thread safety: an image belongs to one thread at a time; distinct images
// may be used on distinct threads. The component keeps no shared state.
#ifndef KORVELGRAPHLINE_RASTER_IMAGE_H_
#define KORVELGRAPHLINE_RASTER_IMAGE_H_

#include <cstdint>
#include <memory>

#include "korvelgraphline/export.h"

namespace korvel {

// One pixel or colour-table entry, in the byte order of a BMP colour-table
// entry and of a 32-bit BMP pixel.
struct ColorQuad {
  std::uint8_t blue;
  std::uint8_t green;
  std::uint8_t red;
  std::uint8_t alpha;  // carried along; only 32-bit files store it
};

class KORVEL_EXPORT RasterImage {
 public:
  // A 24-bit image of 1 x 1 pixel, no colour table, resolution not set.
  // The single pixel is white until it is written.
  RasterImage();

  // Copies depth, size, colour table and pixels. The resolution travels
  // through whole dots per inch (3780 pixels per metre become 3779), and a
  // source field that is 0 is set to 3780 in the source by that query.
  // If memory runs out the copy is left as a new image.
  RasterImage(RasterImage& source);
  RasterImage& operator=(const RasterImage&) = delete;
  ~RasterImage();

  int BitDepth() const { return depth_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Pixel access. PixelAt and ReadPixel clamp each coordinate into the image
  // (beyond the extent gives the last row or column, negative gives 0), so
  // they always reach a pixel. PutPixel stores all four bytes and returns
  // true inside the image; outside it writes nothing and returns false.
  ColorQuad& PixelAt(int x, int y);
  ColorQuad ReadPixel(int x, int y) const;
  bool PutPixel(int x, int y, ColorQuad colour);

  // Colour table. ColorCount() is 2^depth, except that 32 bits answer 2^24;
  // it is the table's length only at 1, 4 and 8 bits. PaletteEntry answers
  // white, and SetPaletteEntry false, when there is no table or the index is
  // outside it.
  int ColorCount() const;
  ColorQuad PaletteEntry(int index) const;
  bool SetPaletteEntry(int index, ColorQuad colour);

  // Resizes to width x height white pixels (255, 255, 255, alpha 0); no old
  // pixel survives. Returns false and changes nothing for a size below 1 or
  // when the memory cannot be had. Depth, table and resolution stay.
  bool SetDimensions(int width, int height);

  // Resolution. SetResolutionDpi stores dots per inch as pixels per metre
  // (96 becomes 3779), saturating at the int range. The DPI queries turn a
  // field that is 0 (not set) into 3780 first, then convert back (3779
  // gives 95). The pixels-per-metre reads have no side effect.
  void SetResolutionDpi(int horizontal, int vertical);
  int HorizontalDpi();
  int VerticalDpi();
  int HorizontalPixelsPerMetre() const { return horizontal_ppm_; }
  int VerticalPixelsPerMetre() const { return vertical_ppm_; }

  // Sets the bits per pixel (1, 4, 8, 16, 24 or 32; anything else returns
  // false and changes nothing). At 1, 4 and 8 bits the image gets a fresh
  // standard colour table, replacing any it had; at other depths it has
  // none. Pixels are not touched.
  bool ChangeBitDepth(int depth);

  // Overwrites the colour table with the standard table of the depth.
  // Returns false at depths without a table.
  bool FillStandardPalette();

  // Index of the table entry nearest to colour by squared distance in red,
  // green and blue (alpha takes no part); ties go to the lowest index.
  // 0 when the image has no table.
  std::uint8_t NearestPaletteIndex(const ColorQuad& colour) const;

  // Writes the image as an uncompressed BMP file of its depth (16 bits as
  // 5-6-5 bit fields). An indexed image without a table is given the
  // standard one first. A resolution of 0 is written as 3780. Returns false
  // for a null path, a file that cannot be opened, a file size beyond 32
  // bits (the file is then not touched), and any write or close that fails.
  bool SaveBmp(const char* path);

  // Reads a BMP file of 1, 4, 8, 16, 24 or 32 bits. Returns true when the
  // headers were accepted; pixel rows missing from a short file stay white.
  // A rejected file returns false and leaves the image 1 x 1 at 1 bit, white,
  // except that a file not starting with "BM" leaves the image untouched.
  // Files beyond 2^28 pixels are refused before anything is allocated.
  bool LoadBmp(const char* path);

  // Row encoders: fill the first bytes of buffer with row y in BMP encoding
  // of that depth. They return false and write nothing when the buffer is too
  // small or y is outside the image. Bytes beyond the row are not touched.
  bool EncodeRow32(std::uint8_t* buffer, int size, int y);
  bool EncodeRow24(std::uint8_t* buffer, int size, int y);
  bool EncodeRow8(std::uint8_t* buffer, int size, int y);
  bool EncodeRow4(std::uint8_t* buffer, int size, int y);
  bool EncodeRow1(std::uint8_t* buffer, int size, int y);

  // Row decoders: the inverse, from one file row of size bytes into row y.
  // Indexed decoders store the table entry, alpha included. They return false
  // and write nothing when the row is too short or y is outside the image.
  bool DecodeRow32(const std::uint8_t* row, int size, int y);
  bool DecodeRow24(const std::uint8_t* row, int size, int y);
  bool DecodeRow8(const std::uint8_t* row, int size, int y);
  bool DecodeRow4(const std::uint8_t* row, int size, int y);
  bool DecodeRow1(const std::uint8_t* row, int size, int y);

 private:
  friend class RasterImageAccess;  // the codecs' direct view of the store

  // Column-major pixel store: pixel (x, y) is pixels_[x * height_ + y].
  ColorQuad* Column(int x) { return pixels_.get() + static_cast<std::size_t>(x) * height_; }
  const ColorQuad* Column(int x) const {
    return pixels_.get() + static_cast<std::size_t>(x) * height_;
  }
  bool HasPalette() const { return palette_ != nullptr; }
  bool RowInside(int y) const { return y >= 0 && y < height_; }

  // Pixel stores come from the non-throwing allocation function, so that an
  // impossible size is a failed request rather than an exception.
  struct FreePixels {
    void operator()(ColorQuad* pixels) const;
  };
  using PixelStore = std::unique_ptr<ColorQuad[], FreePixels>;
  static PixelStore AllocatePixels(long long count);

  int depth_;
  int width_;
  int height_;
  PixelStore pixels_;
  std::unique_ptr<ColorQuad[]> palette_;  // ColorCount() entries, or none
  int horizontal_ppm_;
  int vertical_ppm_;
};

// base multiplied into 1, exponent times, in 32-bit arithmetic that wraps.
// An exponent of 0 or less gives 1.
KORVEL_EXPORT int IntegerPower(int base, int exponent);

// True when the unsigned file-field types are exactly 8, 16 and 32 bits
// wide. SaveBmp and LoadBmp refuse to run otherwise; a correct build is
// always true.
KORVEL_EXPORT bool TypeSizesValid();

}  // namespace korvel

#endif  // KORVELGRAPHLINE_RASTER_IMAGE_H_
