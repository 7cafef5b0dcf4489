// Bilinear rescale of an image in place.
#ifndef KORVELGRAPHLINE_RESCALE_H_
#define KORVELGRAPHLINE_RESCALE_H_

#include "korvelgraphline/export.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {

// Rescales image by mode (upper or lower case):
//   'P'  size percent of both sides;
//   'W'  width size, height following the aspect ratio;
//   'H'  height size, width following the aspect ratio;
//   'F'  the longer side size (a square goes by height).
// A side that would be below 1 becomes 1. Afterwards the image is 24-bit
// without a colour table. A zero resolution field becomes 3780, also when
// the call fails. Returns false, leaving the image otherwise as it was, for
// an unknown mode or a new size that cannot be represented or allocated.
KORVEL_EXPORT bool RescaleImage(RasterImage& image, char mode, int size);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_RESCALE_H_
