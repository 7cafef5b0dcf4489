// Copies of single pixels and rectangular blocks between images, or within
// one image, optionally leaving out pixels of a key colour.
//
// Every pixel read or written is reached through the clamped PixelAt, so no
// copy touches memory outside either image: a coordinate outside an image
// lands on its nearest edge pixel. Copies move all four bytes, alpha
// included; the key colour is compared on red, green and blue only. Nothing
// is allocated and no image changes size, depth or colour table.
#ifndef KORVELGRAPHLINE_PIXEL_COPY_H_
#define KORVELGRAPHLINE_PIXEL_COPY_H_

#include "korvelgraphline/export.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {

KORVEL_EXPORT void CopyPixel(RasterImage& source, int sourceX, int sourceY,
                             RasterImage& destination, int destinationX,
                             int destinationY);

// As CopyPixel, unless the source pixel has the key's red, green and blue.
KORVEL_EXPORT void CopyPixelUnlessKey(RasterImage& source, int sourceX,
                                      int sourceY, RasterImage& destination,
                                      int destinationX, int destinationY,
                                      const ColorQuad& key);

// Copies the block of columns left..right and rows top..bottom (inclusive;
// the row bounds may come in either order) so that its top-left pixel lands
// at (destinationX, destinationY). The block is cut to the source, then to
// the destination's right and bottom edges. Within one image the copy runs
// pixel by pixel in row order, without an intermediate buffer.
KORVEL_EXPORT void CopyPixelBlock(RasterImage& source, int left, int right,
                                  int bottom, int top, RasterImage& destination,
                                  int destinationX, int destinationY);

// As CopyPixelBlock, leaving alone every destination pixel whose source pixel
// has the key's red, green and blue.
KORVEL_EXPORT void CopyPixelBlockUnlessKey(RasterImage& source, int left,
                                           int right, int bottom, int top,
                                           RasterImage& destination,
                                           int destinationX, int destinationY,
                                           const ColorQuad& key);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_PIXEL_COPY_H_
