// RasterImage: construction, pixel and colour-table access, size and
// resolution. Depth changes live in palette.cc, files in bmp_*.cc.
#include "korvelgraphline/raster_image.h"

#include "image/raster_image_access.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace korvel {
namespace {

constexpr ColorQuad kWhite = {255, 255, 255, 0};
constexpr int kDefaultPixelsPerMetre = 3780;  // 96 dots per inch
constexpr double kInchesPerMetre = 39.37007874015748;
constexpr double kMetresPerInch = 0.0254;

// Fills count pixels with colour. Where wchar_t is a 32-bit unit the C
// library's wmemset does it: its string stores write whole cache lines
// without reading them first, about twice as fast as a loop of vector
// stores on a canvas larger than the cache. Elsewhere the pixels are stored
// as 32-bit words, which the compiler turns into vector stores.
void FillPixels(ColorQuad* pixels, std::size_t count, ColorQuad colour) {
  std::uint32_t word;
  std::memcpy(&word, &colour, sizeof word);
#if WCHAR_MAX > 0xFFFF
  static_assert(sizeof(wchar_t) == sizeof word, "a 32-bit wchar_t is needed for wmemset");
  std::wmemset(reinterpret_cast<wchar_t*>(pixels), static_cast<wchar_t>(word), count);
#else
  auto* bytes = reinterpret_cast<unsigned char*>(pixels);
  for (std::size_t i = 0; i < count; ++i) std::memcpy(bytes + i * sizeof word, &word, sizeof word);
#endif
}

int Clamp(int value, int extent) {
  if (value >= extent) value = extent - 1;
  if (value < 0) value = 0;
  return value;
}

// Truncates toward zero, saturating where the value does not fit an int.
int TruncateToInt(double value) {
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

// Large stores ask for huge pages: a fresh mapping of small pages costs one
// page fault per 4 KiB on first touch, which can outweigh the work done on
// the pixels. Only advice; the store works the same without it.
void AdviseHugePages(void* start, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (bytes < 2 * kHugePage) return;
  const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(page - 1);
  madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)start;
  (void)bytes;
#endif
}

}  // namespace

void RasterImage::FreePixels::operator()(ColorQuad* pixels) const { ::operator delete(pixels); }

RasterImage::PixelStore RasterImage::AllocatePixels(long long count) {
  if (count < 1 ||
      static_cast<unsigned long long>(count) > std::numeric_limits<std::size_t>::max() / sizeof(ColorQuad)) {
    return PixelStore();
  }
  const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(ColorQuad);
  ColorQuad* pixels = static_cast<ColorQuad*>(::operator new(bytes, std::nothrow));
  if (pixels != nullptr) AdviseHugePages(pixels, bytes);
  return PixelStore(pixels);
}

RasterImage::RasterImage()
    : depth_(24),
      width_(1),
      height_(1),
      pixels_(AllocatePixels(1)),
      horizontal_ppm_(0),
      vertical_ppm_(0) {
  if (pixels_) pixels_[0] = kWhite;
}

RasterImage::~RasterImage() = default;

ColorQuad& RasterImage::PixelAt(int x, int y) {
  return Column(Clamp(x, width_))[Clamp(y, height_)];
}

ColorQuad RasterImage::ReadPixel(int x, int y) const {
  return Column(Clamp(x, width_))[Clamp(y, height_)];
}

bool RasterImage::PutPixel(int x, int y, ColorQuad colour) {
  if (x < 0 || x >= width_ || y < 0 || y >= height_) return false;
  Column(x)[y] = colour;
  return true;
}

int RasterImage::ColorCount() const {
  // 32-bit pixels carry 24 bits of colour.
  return IntegerPower(2, depth_ == 32 ? 24 : depth_);
}

ColorQuad RasterImage::PaletteEntry(int index) const {
  if (!HasPalette() || index < 0 || index >= ColorCount()) return kWhite;
  return palette_[index];
}

bool RasterImage::SetPaletteEntry(int index, ColorQuad colour) {
  if (!HasPalette() || index < 0 || index >= ColorCount()) return false;
  palette_[index] = colour;
  return true;
}

bool RasterImage::SetDimensions(int width, int height) {
  if (width < 1 || height < 1) return false;
  const long long count = static_cast<long long>(width) * height;
  // Allocate first, release after: a failed request keeps the old image.
  PixelStore fresh = AllocatePixels(count);
  if (!fresh) return false;
  FillPixels(fresh.get(), static_cast<std::size_t>(count), kWhite);
  pixels_ = std::move(fresh);
  width_ = width;
  height_ = height;
  return true;
}

void RasterImage::SetResolutionDpi(int horizontal, int vertical) {
  horizontal_ppm_ = TruncateToInt(horizontal * kInchesPerMetre);
  vertical_ppm_ = TruncateToInt(vertical * kInchesPerMetre);
}

int RasterImage::HorizontalDpi() {
  if (horizontal_ppm_ == 0) horizontal_ppm_ = kDefaultPixelsPerMetre;
  return TruncateToInt(horizontal_ppm_ * kMetresPerInch);
}

int RasterImage::VerticalDpi() {
  if (vertical_ppm_ == 0) vertical_ppm_ = kDefaultPixelsPerMetre;
  return TruncateToInt(vertical_ppm_ * kMetresPerInch);
}

int IntegerPower(int base, int exponent) {
  // Unsigned arithmetic wraps where signed would be undefined; squaring
  // gives the same wrapped product as repeated multiplication, in log time.
  std::uint32_t result = 1;
  std::uint32_t factor = static_cast<std::uint32_t>(base);
  for (unsigned remaining = exponent > 0 ? exponent : 0; remaining != 0;
       remaining >>= 1) {
    if (remaining & 1u) result *= factor;
    factor *= factor;
  }
  return static_cast<int>(result);
}

bool TypeSizesValid() {
  return CHAR_BIT == 8 && sizeof(std::uint8_t) == 1 &&
         sizeof(std::uint16_t) * CHAR_BIT == 16 &&
         sizeof(std::uint32_t) * CHAR_BIT == 32;
}

}  // namespace korvel
