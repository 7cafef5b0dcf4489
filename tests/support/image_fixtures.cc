#include "support/image_fixtures.h"

#include <sstream>

namespace korvel {
namespace testing {

bool SamePixel(const ColorQuad& a, const ColorQuad& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}

std::string Describe(const ColorQuad& pixel) {
  std::ostringstream text;
  text << "(" << int{pixel.blue} << ", " << int{pixel.green} << ", " << int{pixel.red} << ", "
       << int{pixel.alpha} << ")";
  return text.str();
}

void FillPseudoRandom(RasterImage& image, int width, int height, std::uint32_t seed) {
  image.SetDimensions(width, height);
  std::uint32_t state = seed * 2654435761u + 1;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<std::uint8_t>(state >> 24);
  };
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      const std::uint8_t blue = next(), green = next(), red = next(), alpha = next();
      image.PutPixel(x, y, ColorQuad{blue, green, red, alpha});
    }
  }
}

void FillPositions(RasterImage& image, int width, int height) {
  image.SetDimensions(width, height);
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      image.PutPixel(x, y,
                     ColorQuad{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 100, 200});
    }
  }
}

std::string CompareImages(RasterImage& a, RasterImage& b) {
  std::ostringstream text;
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    text << "size " << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x"
         << b.Height();
    return text.str();
  }
  for (int x = 0; x < a.Width(); ++x) {
    for (int y = 0; y < a.Height(); ++y) {
      if (!SamePixel(a.ReadPixel(x, y), b.ReadPixel(x, y))) {
        text << "pixel (" << x << ", " << y << ") " << Describe(a.ReadPixel(x, y)) << " vs "
             << Describe(b.ReadPixel(x, y));
        return text.str();
      }
    }
  }
  return text.str();
}

}  // namespace testing
}  // namespace korvel
