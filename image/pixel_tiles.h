// Moving pixels between the column-major store and file rows in 2-D tiles.
//
// A file row is a row of the image, while the store keeps columns: walking
// a file row touches one cache line per pixel, and at power-of-two heights
// all those lines fall into the same cache set. The codecs therefore work on
// blocks of up to kTileRows rows, tile by tile: a tile's column segments are
// copied into a small contiguous buffer (each one read in order), and the
// tile's part of every row is then written from there (each written in
// order), or the other way round when reading.
//
// Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_PIXEL_TILES_H_
#define KORVELGRAPHLINE_IMAGE_PIXEL_TILES_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/raster_image_access.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace tiles {

constexpr int kTileColumns = 16;  // a multiple of 8: tiles start on whole bytes
constexpr int kTileRows = 64;
constexpr std::size_t kMaxBlockBytes = std::size_t{1} << 20;

// Rows per block of file rows: as many as fit kMaxBlockBytes, at least one,
// at most kTileRows and the height.
inline int BlockRows(std::size_t rowBytes, int height) {
  const std::size_t fit = rowBytes == 0 ? kTileRows : kMaxBlockBytes / rowBytes;
  return static_cast<int>(std::clamp<std::size_t>(fit, 1, std::min(kTileRows, height)));
}

// Writes `rows` file rows (rows <= kTileRows), rowBytes apart from out: the
// first is image row yFirst, each next one the row above.
// encode(pixel, row, x) stores pixel x into the file row that starts at row.
template <typename Encode>
void StoreToRows(const RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                 std::uint8_t* out, Encode encode) {
  ColorQuad tile[kTileColumns * kTileRows];
  for (int x0 = 0; x0 < image.Width(); x0 += kTileColumns) {
    const int columns = std::min(kTileColumns, image.Width() - x0);
    for (int i = 0; i < columns; ++i) {
      const ColorQuad* column = RasterImageAccess::Column(image, x0 + i);
      for (int r = 0; r < rows; ++r) tile[i * kTileRows + r] = column[yFirst - r];
    }
    std::uint8_t* row = out;
    for (int r = 0; r < rows; ++r, row += rowBytes) {
      for (int i = 0; i < columns; ++i) encode(tile[i * kTileRows + r], row, x0 + i);
    }
  }
}

// The reverse: reads `rows` file rows (rows <= kTileRows), rowBytes apart
// from in, into columns 0..columns-1 of image rows yFirst, yFirst - 1, ...
// decode(row, x, pixel) updates pixel from pixel x of the file row at row;
// pixel holds the stored value before, so a decoder may leave bytes as they
// were.
template <typename Decode>
void RowsToStore(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                 std::size_t rowBytes, int columns, Decode decode) {
  ColorQuad tile[kTileColumns * kTileRows];
  for (int x0 = 0; x0 < columns; x0 += kTileColumns) {
    const int width = std::min(kTileColumns, columns - x0);
    for (int i = 0; i < width; ++i) {
      const ColorQuad* column = RasterImageAccess::Column(image, x0 + i);
      for (int r = 0; r < rows; ++r) tile[i * kTileRows + r] = column[yFirst - r];
    }
    const std::uint8_t* row = in;
    for (int r = 0; r < rows; ++r, row += rowBytes) {
      for (int i = 0; i < width; ++i) decode(row, x0 + i, tile[i * kTileRows + r]);
    }
    for (int i = 0; i < width; ++i) {
      ColorQuad* column = RasterImageAccess::Column(image, x0 + i);
      for (int r = 0; r < rows; ++r) column[yFirst - r] = tile[i * kTileRows + r];
    }
  }
}

}  // namespace tiles
}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_PIXEL_TILES_H_
