// Direct access to a RasterImage's column-major store for the codecs, which
// walk the store a column segment at a time instead of pixel by pixel.
// Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_
#define KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_

#include <utility>

#include "korvelgraphline/raster_image.h"

namespace korvel {

class RasterImageAccess {
 public:
  // First pixel of column x; the column holds Height() pixels, top row first.
  static ColorQuad* Column(RasterImage& image, int x) { return image.Column(x); }
  static const ColorQuad* Column(const RasterImage& image, int x) {
    return image.Column(x);
  }
  // The colour table, or null at depths without one.
  static const ColorQuad* Palette(const RasterImage& image) {
    return image.palette_.get();
  }
  static void SetResolution(RasterImage& image, int horizontal, int vertical) {
    image.horizontal_ppm_ = horizontal;
    image.vertical_ppm_ = vertical;
  }
  // Gives an indexed image without a colour table the standard one.
  // False when the memory cannot be had.
  static bool ProvidePalette(RasterImage& image);

  // A store of count pixels whose values are not set, for an operation that
  // writes every pixel itself; empty when the memory cannot be had.
  using PixelStore = RasterImage::PixelStore;
  static PixelStore AllocatePixels(long long count) {
    return RasterImage::AllocatePixels(count);
  }
  // Makes store, filled column by column with width x height pixels, the
  // image's pixels; the old pixels are released.
  static void ReplacePixels(RasterImage& image, PixelStore store, int width, int height) {
    image.pixels_ = std::move(store);
    image.width_ = width;
    image.height_ = height;
  }
};

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_
