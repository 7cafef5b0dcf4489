// The inner loops of the bilinear rescale, built for several instruction
// sets. Every variant performs the same double-precision operations in the
// same order (there is no contraction into fused multiply-adds), so all of
// them give the same bytes; they differ only in how many pixels one
// instruction works on. Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_RESCALE_KERNELS_H_
#define KORVELGRAPHLINE_IMAGE_RESCALE_KERNELS_H_

#include <cstdint>

#include "korvelgraphline/raster_image.h"

namespace korvel {

// One old column sampled for a run of new rows: for each new row, the blue,
// green and red of the old pixel at the row at or before the row's position
// (upper) and at the row after it (lower).
struct SampledColumn {
  const double* upper[3];  // blue, green, red
  const double* lower[3];
};

struct RescaleKernels {
  const char* name;

  // Reads the pixels of an old column at the given rows (count of them)
  // into the doubles of their blue, green and red.
  void (*gather)(const ColorQuad* column, const int* rows, int count, double* blue,
                 double* green, double* red);

  // Fills count new pixels of one column (alpha 0) between the old columns
  // left and right, fx of the way from left to right, the new rows at the
  // given fractions of the way from upper to lower.
  void (*interpolate)(const SampledColumn& left, const SampledColumn& right, double fx,
                      const double* rowFraction, int count, ColorQuad* out);

  // The same for two new columns between the same two old columns, at fx[0]
  // and fx[1], into out[0] and out[1]: they share the loads.
  void (*interpolatePair)(const SampledColumn& left, const SampledColumn& right,
                          const double* fx, const double* rowFraction, int count,
                          ColorQuad* const* out);
};

// The variants this processor runs, the baseline first and the fastest
// last; returns how many were written to variants (at most capacity).
int RunnableRescaleKernels(const RescaleKernels* variants[], int capacity);

// The fastest variant this processor runs.
const RescaleKernels& FastestRescaleKernels();

// RescaleImage with the given variant of the inner loops.
bool RescaleImageWith(RasterImage& image, char mode, int size, const RescaleKernels& kernels);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_RESCALE_KERNELS_H_
