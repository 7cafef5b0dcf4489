// Colour-table helpers that work through the public RasterImage interface.
// The standard tables themselves come with RasterImage::ChangeBitDepth and
// RasterImage::FillStandardPalette.
#ifndef KORVELGRAPHLINE_PALETTE_H_
#define KORVELGRAPHLINE_PALETTE_H_

#include "korvelgraphline/export.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {

// Replaces the colour table of a 1-, 4- or 8-bit image with an even gray
// ramp: 0, 255 at 1 bit; 0, 17, ... 255 at 4 bits; 0, 1, ... 255 at 8 bits.
// Returns false and changes nothing at other depths.
KORVEL_EXPORT bool MakeGrayscalePalette(RasterImage& image);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_PALETTE_H_
