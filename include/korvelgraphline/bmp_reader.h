// The guarded stream read used by the BMP reader and the header probes.
// RasterImage::LoadBmp itself is declared with the image.
#ifndef KORVELGRAPHLINE_BMP_READER_H_
#define KORVELGRAPHLINE_BMP_READER_H_

#include <cstdio>

#include "korvelgraphline/export.h"

namespace korvel {

// Reads count items of itemSize bytes into destination unless the stream is
// already at its end. True only when all of them arrived; an item that does
// not arrive whole leaves destination unchanged. A count of 0 reads nothing
// and is true unless the stream is at its end; a negative size or count, or a
// null destination or stream, is false and reads nothing.
KORVEL_EXPORT bool ReadChecked(void* destination, int itemSize, int count,
                               std::FILE* stream);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_BMP_READER_H_
