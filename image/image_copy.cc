// Copies of whole images (the copy constructor), of single pixels and of
// rectangular pixel blocks, with or without a key colour.
#include <algorithm>
#include <cstdint>

#include "korvelgraphline/pixel_copy.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace {

// Red, green and blue decide; alpha takes no part in the key.
bool HasKeyColour(const ColorQuad& pixel, const ColorQuad& key) {
  return pixel.red == key.red && pixel.green == key.green && pixel.blue == key.blue;
}

// The block bounds after ordering the rows and cutting to both images.
struct Block {
  int left;
  int right;
  int top;
  int bottom;
};

// Orders the row bounds, cuts the block to the source, then to the
// destination's right and bottom edges. A negative left or top is raised to
// 0, which moves the block rather than trimming it: positions within the
// block count from the raised bound. The destination sums are formed in 64
// bits so that no destination position can overflow them; trimming only
// ever lowers right and bottom, so the results fit an int again.
Block CutBlock(const RasterImage& source, int left, int right, int bottom, int top,
               const RasterImage& destination, int destinationX, int destinationY) {
  if (bottom < top) std::swap(bottom, top);
  if (right >= source.Width()) right = source.Width() - 1;
  if (left < 0) left = 0;
  if (bottom >= source.Height()) bottom = source.Height() - 1;
  if (top < 0) top = 0;
  const long long spanX = static_cast<long long>(right) - left;
  if (destinationX + spanX >= destination.Width()) {
    right = static_cast<int>(static_cast<long long>(left) + destination.Width() - 1 - destinationX);
  }
  const long long spanY = static_cast<long long>(bottom) - top;
  if (destinationY + spanY >= destination.Height()) {
    bottom = static_cast<int>(static_cast<long long>(top) + destination.Height() - 1 - destinationY);
  }
  return Block{left, right, top, bottom};
}

// A destination coordinate: the block offset plus the distance from the
// block's first row or column. Within the cut block it lies between the
// (possibly very negative) destination position and the destination's last
// pixel, so it always fits an int; the clamped reference puts the negative
// ones into column or row 0.
int Place(int destination, int position, int first) {
  return static_cast<int>(static_cast<long long>(destination) + position - first);
}

// Visits the cut block row by row, left to right within a row, and copies
// each pixel with copy(). Reads and writes go pixel by pixel through the
// clamped references, so a block copied within one image reads pixels the
// same call has already overwritten.
template <typename CopyOne>
void CopyBlock(RasterImage& source, int left, int right, int bottom, int top,
               RasterImage& destination, int destinationX, int destinationY, CopyOne copy) {
  const Block block =
      CutBlock(source, left, right, bottom, top, destination, destinationX, destinationY);
  for (int y = block.top; y <= block.bottom; ++y) {
    for (int x = block.left; x <= block.right; ++x) {
      copy(x, y, Place(destinationX, x, block.left), Place(destinationY, y, block.top));
    }
  }
}

}  // namespace

// Goes through whole dots per inch for the resolution, as a user copying
// the resolution by hand would. The source is asked first, so its zero
// fields become 3780 even if the copy then runs out of memory; in that case
// the copy stays a new image (24-bit, 1 x 1, resolution not set).
RasterImage::RasterImage(RasterImage& source) : RasterImage() {
  const int horizontal = source.HorizontalDpi();
  const int vertical = source.VerticalDpi();
  if (!ChangeBitDepth(source.depth_) || !SetDimensions(source.width_, source.height_)) {
    ChangeBitDepth(24);  // never allocates; drops a table made above
    return;
  }
  SetResolutionDpi(horizontal, vertical);
  // The new table is the standard one; an indexed source lacking a table
  // would be written with that same standard table, so it stays.
  if (HasPalette() && source.HasPalette()) {
    std::copy(source.palette_.get(), source.palette_.get() + ColorCount(), palette_.get());
  }
  // Same size, same column-major layout: the stores match element for element.
  const long long count = static_cast<long long>(width_) * height_;
  std::copy(source.pixels_.get(), source.pixels_.get() + count, pixels_.get());
}

void CopyPixel(RasterImage& source, int sourceX, int sourceY, RasterImage& destination,
               int destinationX, int destinationY) {
  const ColorQuad pixel = source.PixelAt(sourceX, sourceY);
  destination.PixelAt(destinationX, destinationY) = pixel;
}

void CopyPixelUnlessKey(RasterImage& source, int sourceX, int sourceY,
                        RasterImage& destination, int destinationX, int destinationY,
                        const ColorQuad& key) {
  const ColorQuad pixel = source.PixelAt(sourceX, sourceY);
  if (HasKeyColour(pixel, key)) return;
  destination.PixelAt(destinationX, destinationY) = pixel;
}

void CopyPixelBlock(RasterImage& source, int left, int right, int bottom, int top,
                    RasterImage& destination, int destinationX, int destinationY) {
  CopyBlock(source, left, right, bottom, top, destination, destinationX, destinationY,
            [&](int x, int y, int toX, int toY) {
              CopyPixel(source, x, y, destination, toX, toY);
            });
}

void CopyPixelBlockUnlessKey(RasterImage& source, int left, int right, int bottom, int top,
                             RasterImage& destination, int destinationX, int destinationY,
                             const ColorQuad& key) {
  // The key may be a pixel of the destination that the copy overwrites;
  // compare against its value at the start.
  const ColorQuad keyColour = key;
  CopyBlock(source, left, right, bottom, top, destination, destinationX, destinationY,
            [&](int x, int y, int toX, int toY) {
              CopyPixelUnlessKey(source, x, y, destination, toX, toY, keyColour);
            });
}

}  // namespace korvel
