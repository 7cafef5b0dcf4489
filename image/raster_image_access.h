// Direct access to a RasterImage's column-major store for the codecs, which
// walk the store a column segment at a time instead of pixel by pixel.
// Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_
#define KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_

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
  // Stores colour into rows top to bottom (inclusive) of column x, which the
  // caller has cut to the image.
  static void FillColumn(RasterImage& image, int x, int top, int bottom, ColorQuad colour);
  static void SetResolution(RasterImage& image, int horizontal, int vertical) {
    image.horizontal_ppm_ = horizontal;
    image.vertical_ppm_ = vertical;
  }
  // Gives an indexed image without a colour table the standard one.
  // False when the memory cannot be had.
  static bool ProvidePalette(RasterImage& image);
};

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_RASTER_IMAGE_ACCESS_H_
