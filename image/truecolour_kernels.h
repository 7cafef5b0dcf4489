// The 24-bit encoders. The one that turns the column-major store into file
// rows is built for several instruction sets. Every variant writes the same bytes;
// they differ in how many pixels one instruction moves. Internal: not
// installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_TRUECOLOUR_KERNELS_H_
#define KORVELGRAPHLINE_IMAGE_TRUECOLOUR_KERNELS_H_

#include <cstddef>
#include <cstdint>

#include "korvelgraphline/raster_image.h"

namespace korvel {

struct TrueColourKernels {
  const char* name;

  // Writes `rows` file rows of blue, green and red bytes, rowBytes apart
  // from out: the first is image row yFirst, each next one the row above.
  // Only the pixel bytes are written, not the row padding.
  void (*encodeRows24)(const RasterImage& image, int yFirst, int rows, std::size_t rowBytes,
                       std::uint8_t* out);
};

// Stores the blue, green and red bytes of run[0..count) as pixels x0.. of
// the file row that starts at row.
void EncodeRun24(const ColorQuad* run, int count, std::uint8_t* row, int x0);

// The variants this processor runs, the baseline first and the fastest
// last; returns how many were written to variants (at most capacity).
int RunnableTrueColourKernels(const TrueColourKernels* variants[], int capacity);

// The fastest variant this processor runs.
const TrueColourKernels& FastestTrueColourKernels();

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_TRUECOLOUR_KERNELS_H_
