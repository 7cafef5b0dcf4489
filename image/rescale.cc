// Bilinear rescale of an image in place.
//
// Each new pixel is a fixed sequence of double-precision operations on up to
// four old pixels; the results are truncated, so the order of every
// operation is part of the result and is kept exactly as written below.
// Only the order in which pixels are visited is free. The new store is
// filled column by column, the way it lies in memory, with the sampling
// positions of every new row and column worked out once. The old pixels are
// read straight from the old store, which the image gives up only when the
// new one is complete, so no copy of the old image is made.
#include "korvelgraphline/rescale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "image/raster_image_access.h"
#include "image/rescale_kernels.h"

namespace korvel {
namespace {

constexpr double kHundredth = 0.01;

// New rows are worked in bands of this many, so that the old columns
// gathered for a band stay in the processor's caches while every new
// column of the band uses them.
constexpr int kBandRows = 512;

// How many new columns ahead the old pixels are asked for, and the step.
constexpr int kPrefetchColumns = 4;
constexpr int kCacheLine = 64;

char UpperCase(char mode) {
  return (mode >= 'a' && mode <= 'z') ? static_cast<char>(mode - 'a' + 'A') : mode;
}

bool IsMode(char mode) { return mode == 'P' || mode == 'W' || mode == 'H' || mode == 'F'; }

// A side given by a floor result: below 1 it becomes 1; beyond an int it
// cannot be represented.
bool SideFromFloor(double value, int* side) {
  if (value < 1.0) {
    *side = 1;
    return true;
  }
  if (value > static_cast<double>(INT_MAX)) return false;
  *side = static_cast<int>(value);
  return true;
}

int SideFromSize(int size) { return size < 1 ? 1 : size; }

struct Size {
  int width;
  int height;
};

// The mode table. Percentages multiply by the double nearest 0.01 (not
// divide by 100), the products formed in 64 bits; for a given side the
// division comes before the multiplication.
bool ByPercent(int size, int width, int height, Size* result) {
  const double newWidth = static_cast<double>(static_cast<long long>(width) * size) * kHundredth;
  const double newHeight = static_cast<double>(static_cast<long long>(height) * size) * kHundredth;
  return SideFromFloor(std::floor(newWidth), &result->width) &&
         SideFromFloor(std::floor(newHeight), &result->height);
}

bool ByWidth(int size, int width, int height, Size* result) {
  result->width = SideFromSize(size);
  const double ratio = static_cast<double>(size) / static_cast<double>(width);
  return SideFromFloor(std::floor(ratio * static_cast<double>(height)), &result->height);
}

bool ByHeight(int size, int width, int height, Size* result) {
  result->height = SideFromSize(size);
  const double ratio = static_cast<double>(size) / static_cast<double>(height);
  return SideFromFloor(std::floor(ratio * static_cast<double>(width)), &result->width);
}

bool NewSize(char mode, int size, int width, int height, Size* result) {
  switch (mode) {
    case 'P':
      return ByPercent(size, width, height, result);
    case 'W':
      return ByWidth(size, width, height, result);
    case 'H':
      return ByHeight(size, width, height, result);
    default:  // 'F': the longer side becomes size; a square goes by height
      return width > height ? ByWidth(size, width, height, result)
                            : ByHeight(size, width, height, result);
  }
}

// Channel results of the edge steps lie between 0 and 255.
std::uint8_t Truncate(double value) { return static_cast<std::uint8_t>(static_cast<int>(value)); }

// Where the new columns (or rows) 0 .. newExtent - 2 sample the old image:
// the old column at or before the position and the one after it, both
// clamped into the old image as the clamped reference would, and the
// fraction of the way from the first to the second. The last new column
// samples the old edge exactly and is left to the edge steps.
struct Samples {
  std::unique_ptr<int[]> first;
  std::unique_ptr<int[]> second;
  std::unique_ptr<double[]> fraction;

  bool Compute(int oldExtent, int newExtent) {
    const int count = newExtent - 1;
    first.reset(new (std::nothrow) int[count + 1]);
    second.reset(new (std::nothrow) int[count + 1]);
    fraction.reset(new (std::nothrow) double[count + 1]);
    if (!first || !second || !fraction) return false;
    const double oldSpan = static_cast<double>(oldExtent) - 1.0;
    const double newSpan = static_cast<double>(newExtent) - 1.0;
    for (int i = 0; i < count; ++i) {
      const double position = (static_cast<double>(i) * oldSpan) / newSpan;
      const double whole = std::floor(position);  // 0 .. oldExtent - 1
      fraction[i] = position - whole;
      first[i] = std::min(static_cast<int>(whole), oldExtent - 1);
      second[i] = std::min(first[i] + 1, oldExtent - 1);
    }
    return true;
  }
};

// One old column sampled at the rows of a band of new rows, as doubles.
// Neighbouring new columns mostly sample the same old columns, so each is
// gathered once per band and then reused.
struct GatheredColumn {
  int x = -1;  // the old column held; -1 for none
  double* upper[3];
  double* lower[3];

  SampledColumn Sampled() const {
    return SampledColumn{{upper[0], upper[1], upper[2]}, {lower[0], lower[1], lower[2]}};
  }

  void Gather(const ColorQuad* column, int oldX, const int* rowFirst, const int* rowSecond,
              int count, const RescaleKernels& kernels) {
    x = oldX;
    kernels.gather(column, rowFirst, count, upper[0], upper[1], upper[2]);
    kernels.gather(column, rowSecond, count, lower[0], lower[1], lower[2]);
  }
};

// The new pixel between two old pixels, fraction of the way from near to
// far: the edge steps, along the old last column or the old last row.
ColorQuad InterpolateEdge(const ColorQuad& near, const ColorQuad& far, double fraction) {
  const double rest = 1.0 - fraction;
  return ColorQuad{Truncate(far.blue * fraction + near.blue * rest),
                   Truncate(far.green * fraction + near.green * rest),
                   Truncate(far.red * fraction + near.red * rest), 0};
}

class Rescaler {
 public:
  Rescaler(RasterImage& image, Size size, const RescaleKernels& kernels)
      : kernels_(kernels),
        image_(image),
        oldWidth_(image.Width()),
        oldHeight_(image.Height()),
        newWidth_(size.width),
        newHeight_(size.height) {}

  // Fills a new store and gives it to the image; false without memory, the
  // image then unchanged.
  bool Run() {
    RasterImageAccess::PixelStore store =
        RasterImageAccess::AllocatePixels(static_cast<long long>(newWidth_) * newHeight_);
    if (!store || !columns_.Compute(oldWidth_, newWidth_) ||
        !rows_.Compute(oldHeight_, newHeight_) || !AllocateGathered()) {
      return false;
    }
    out_ = store.get();
    for (int top = 0; top < newHeight_ - 1; top += kBandRows) {
      InterpolateBand(top, std::min(kBandRows, newHeight_ - 1 - top));
    }
    InterpolateBottomRow();
    // The corner is the old corner, alpha included.
    NewPixel(newWidth_ - 1, newHeight_ - 1) = *OldColumn(oldWidth_ - 1, oldHeight_ - 1);
    RasterImageAccess::ReplacePixels(image_, std::move(store), newWidth_, newHeight_);
    image_.ChangeBitDepth(24);  // no table at 24 bits: allocates nothing
    return true;
  }

 private:
  const ColorQuad* OldColumn(int x, int y = 0) const {
    return RasterImageAccess::Column(image_, x) + y;
  }
  ColorQuad& NewPixel(int x, int y) {
    return out_[static_cast<std::size_t>(x) * newHeight_ + y];
  }

  // Twelve arrays read side by side; a cache line of padding after each
  // keeps them from falling into the same cache sets.
  bool AllocateGathered() {
    constexpr int kStride = kBandRows + 8;
    gathered_.reset(new (std::nothrow) double[2 * 6 * kStride]);
    if (!gathered_) return false;
    double* next = gathered_.get();
    for (GatheredColumn& slot : slots_) {
      for (int channel = 0; channel < 3; ++channel) {
        slot.upper[channel] = next;
        slot.lower[channel] = next + kStride;
        next += 2 * kStride;
      }
    }
    return true;
  }

  // The slot holding old column x for the band, gathering it into the slot
  // not being kept unless one of the two holds it already.
  GatheredColumn& Fetch(int x, int keep) {
    for (GatheredColumn& slot : slots_) {
      if (slot.x == x) return slot;
    }
    GatheredColumn& slot = slots_[0].x == keep && keep >= 0 ? slots_[1] : slots_[0];
    slot.Gather(OldColumn(x), x, rows_.first.get() + bandTop_, rows_.second.get() + bandTop_,
                bandRows_, kernels_);
    return slot;
  }

  // Asks the cache for the rows of old column x that the band samples, a
  // few new columns before they are gathered: the walk crosses the old
  // columns far apart, where the processor would not foresee the reads.
  void Prefetch(int x) const {
    const char* first = reinterpret_cast<const char*>(OldColumn(x, rows_.first[bandTop_]));
    const char* last = reinterpret_cast<const char*>(
        OldColumn(x, rows_.second[bandTop_ + bandRows_ - 1]));
#if defined(__GNUC__)
    for (const char* line = first; line <= last; line += kCacheLine) {
      __builtin_prefetch(line);
    }
    __builtin_prefetch(last);
#else
    (void)first;
    (void)last;
#endif
  }

  // New rows top .. top + count - 1 (none of them the last) in every column.
  void InterpolateBand(int top, int count) {
    bandTop_ = top;
    bandRows_ = count;
    for (GatheredColumn& slot : slots_) slot.x = -1;
    const double* rowFraction = rows_.fraction.get() + top;
    for (int i = 0; i < newWidth_ - 1;) {
      if (i + kPrefetchColumns < newWidth_ - 1) {
        Prefetch(columns_.first[i + kPrefetchColumns]);
        Prefetch(columns_.second[i + kPrefetchColumns]);
      }
      const GatheredColumn& left = Fetch(columns_.first[i], -1);
      const GatheredColumn& right = Fetch(columns_.second[i], left.x);
      if (i + 1 < newWidth_ - 1 && columns_.first[i + 1] == left.x &&
          columns_.second[i + 1] == right.x) {
        ColorQuad* outs[2] = {&NewPixel(i, top), &NewPixel(i + 1, top)};
        kernels_.interpolatePair(left.Sampled(), right.Sampled(), &columns_.fraction[i],
                                 rowFraction, count, outs);
        i += 2;
      } else {
        kernels_.interpolate(left.Sampled(), right.Sampled(), columns_.fraction[i], rowFraction,
                             count, &NewPixel(i, top));
        i += 1;
      }
    }
    // The last new column runs down the old last column.
    const ColorQuad* edge = OldColumn(oldWidth_ - 1);
    ColorQuad* out = &NewPixel(newWidth_ - 1, top);
    for (int k = 0; k < count; ++k) {
      out[k] = InterpolateEdge(edge[rows_.first[top + k]], edge[rows_.second[top + k]],
                               rowFraction[k]);
    }
  }

  // The last new row runs along the old last row.
  void InterpolateBottomRow() {
    const int lastRow = oldHeight_ - 1;
    for (int i = 0; i < newWidth_ - 1; ++i) {
      NewPixel(i, newHeight_ - 1) =
          InterpolateEdge(*OldColumn(columns_.first[i], lastRow),
                          *OldColumn(columns_.second[i], lastRow), columns_.fraction[i]);
    }
  }

  const RescaleKernels& kernels_;
  RasterImage& image_;
  const int oldWidth_;
  const int oldHeight_;
  const int newWidth_;
  const int newHeight_;
  ColorQuad* out_ = nullptr;
  Samples columns_;
  Samples rows_;
  std::unique_ptr<double[]> gathered_;
  GatheredColumn slots_[2];
  int bandTop_ = 0;
  int bandRows_ = 0;
};

}  // namespace

bool RescaleImage(RasterImage& image, char mode, int size) {
  return RescaleImageWith(image, mode, size, FastestRescaleKernels());
}

bool RescaleImageWith(RasterImage& image, char mode, int size, const RescaleKernels& kernels) {
  mode = UpperCase(mode);
  // Asking for the resolution sets a field that is not set to 3780, as
  // taking a copy of the image does; it happens whatever the mode.
  image.HorizontalDpi();
  image.VerticalDpi();
  if (!IsMode(mode)) return false;
  Size newSize;
  if (!NewSize(mode, size, image.Width(), image.Height(), &newSize)) return false;
  return Rescaler(image, newSize, kernels).Run();
}

}  // namespace korvel
