// What a save at each depth keeps of a pixel, as a load of that file gives
// it back. Shared by the reader tests and the LoadBmp fuzz target.
#ifndef KORVELGRAPHLINE_TESTS_SUPPORT_KEPT_BY_DEPTH_H_
#define KORVELGRAPHLINE_TESTS_SUPPORT_KEPT_BY_DEPTH_H_

#include <cstdint>

#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace testing {

// 32 bits keep everything; 24 bits drop alpha; 16 bits keep the top five
// bits of each channel (green's sixth bit is written but not read back);
// the indexed depths give nearestEntry(p), the table entry the plain scan
// finds.
template <typename NearestEntry>
ColorQuad KeptByDepth(int depth, const ColorQuad& p, NearestEntry nearestEntry) {
  switch (depth) {
    case 32: return p;
    case 24: return ColorQuad{p.blue, p.green, p.red, 0};
    case 16:
      return ColorQuad{static_cast<std::uint8_t>(p.blue & 0xF8),
                       static_cast<std::uint8_t>(p.green & 0xF8),
                       static_cast<std::uint8_t>(p.red & 0xF8), 0};
    default: return nearestEntry(p);
  }
}

}  // namespace testing
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_SUPPORT_KEPT_BY_DEPTH_H_
