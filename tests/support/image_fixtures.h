// Small image fixtures shared by the copy and rescale suites.
#ifndef KORVELGRAPHLINE_TESTS_SUPPORT_IMAGE_FIXTURES_H_
#define KORVELGRAPHLINE_TESTS_SUPPORT_IMAGE_FIXTURES_H_

#include <cstdint>
#include <string>

#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace testing {

// All four bytes equal.
bool SamePixel(const ColorQuad& a, const ColorQuad& b);

// "(blue, green, red, alpha)", for failure messages.
std::string Describe(const ColorQuad& pixel);

// Resizes image to width x height and gives every pixel, alpha included,
// pseudo-random bytes that depend only on seed.
void FillPseudoRandom(RasterImage& image, int width, int height, std::uint32_t seed);

// Resizes image to width x height; pixel (x, y) gets blue x, green y, red
// 100 and alpha 200, so a copied pixel tells where it came from.
void FillPositions(RasterImage& image, int width, int height);

// Empty when a and b have the same size and the same four bytes in every
// pixel; otherwise says where they first differ.
std::string CompareImages(RasterImage& a, RasterImage& b);

}  // namespace testing
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_SUPPORT_IMAGE_FIXTURES_H_
