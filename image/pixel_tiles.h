// Moving pixels between the column-major store and file rows in 2-D tiles.
//
// A file row is a row of the image, while the store keeps columns: walking
// a file row touches one cache line per pixel, and at power-of-two heights
// all those lines fall into the same cache set. The codecs therefore work on
// tiles of kTileColumns columns and up to kTileRows rows: a tile's column
// segments are copied into a small contiguous buffer (each one read in
// order), and the tile's part of every row is then written from there (each
// written in order), or the other way round when reading.
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
constexpr int kTileRows = 128;
constexpr std::size_t kMaxBlockBytes = std::size_t{1} << 21;

// Rows per block of file rows: as many as fit kMaxBlockBytes, at least one,
// at most kTileRows and the height.
inline int BlockRows(std::size_t rowBytes, int height) {
  const std::size_t fit = rowBytes == 0 ? kTileRows : kMaxBlockBytes / rowBytes;
  return static_cast<int>(std::clamp<std::size_t>(fit, 1, std::min(kTileRows, height)));
}

// Writes `rows` file rows, rowBytes apart from out: the first is image row
// yFirst, each next one the row above. encodeRun(run, count, row, x0)
// stores the `count` pixels run[0..count) as pixels x0.. of the file row
// that starts at row.
template <typename EncodeRun>
void StoreToRows(const RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                 std::uint8_t* out, EncodeRun encodeRun) {
  ColorQuad tile[kTileRows * kTileColumns];  // row-major: a run per row
  for (int r0 = 0; r0 < rows; r0 += kTileRows) {
    const int height = std::min(kTileRows, rows - r0);
    for (int x0 = 0; x0 < image.Width(); x0 += kTileColumns) {
      const int columns = std::min(kTileColumns, image.Width() - x0);
      for (int i = 0; i < columns; ++i) {
        const ColorQuad* column = RasterImageAccess::Column(image, x0 + i) + (yFirst - r0);
        for (int r = 0; r < height; ++r) tile[r * kTileColumns + i] = column[-r];
      }
      for (int r = 0; r < height; ++r) {
        encodeRun(tile + r * kTileColumns, columns, out + (r0 + r) * rowBytes, x0);
      }
    }
  }
}

// Adapts encode(pixel, row, x), which stores one pixel, to StoreToRows.
template <typename Encode>
auto EachPixel(Encode encode) {
  return [encode](const ColorQuad* run, int count, std::uint8_t* row, int x0) {
    for (int k = 0; k < count; ++k) encode(run[k], row, x0 + k);
  };
}

// The reverse: reads `rows` file rows, rowBytes apart from in, into columns
// 0..columns-1 of image rows yFirst, yFirst - 1, ... decode(row, x, pixel)
// updates pixel from pixel x of the file row at row; pixel holds the stored
// value before, so a decoder may leave bytes as they were.
template <typename Decode>
void RowsToStore(RasterImage& image, const std::uint8_t* in, int yFirst, int rows,
                 std::size_t rowBytes, int columns, Decode decode) {
  ColorQuad tile[kTileColumns * kTileRows];  // column-major: a segment per column
  for (int r0 = 0; r0 < rows; r0 += kTileRows) {
    const int height = std::min(kTileRows, rows - r0);
    for (int x0 = 0; x0 < columns; x0 += kTileColumns) {
      const int width = std::min(kTileColumns, columns - x0);
      for (int i = 0; i < width; ++i) {
        const ColorQuad* column = RasterImageAccess::Column(image, x0 + i) + (yFirst - r0);
        for (int r = 0; r < height; ++r) tile[i * kTileRows + r] = column[-r];
      }
      for (int r = 0; r < height; ++r) {
        const std::uint8_t* row = in + (r0 + r) * rowBytes;
        for (int i = 0; i < width; ++i) decode(row, x0 + i, tile[i * kTileRows + r]);
      }
      for (int i = 0; i < width; ++i) {
        ColorQuad* column = RasterImageAccess::Column(image, x0 + i) + (yFirst - r0);
        for (int r = 0; r < height; ++r) column[-r] = tile[i * kTileRows + r];
      }
    }
  }
}

}  // namespace tiles
}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_PIXEL_TILES_H_
