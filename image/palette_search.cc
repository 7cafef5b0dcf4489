// The cell-pruned nearest-entry search.
#include "image/palette_search.h"

#include <algorithm>
#include <array>
#include <new>

namespace korvel {
namespace {

constexpr int kNoDistance = 999999;  // beyond any distance (3 x 255^2)

// Smallest and largest distance along one channel from value to the
// integers lo..hi.
int NearestGap(int value, int lo, int hi) {
  return value < lo ? lo - value : value > hi ? value - hi : 0;
}
int FarthestGap(int value, int lo, int hi) { return std::max(value - lo, hi - value); }

}  // namespace

NearestIndexSearch::NearestIndexSearch(const ColorQuad* table, int count)
    : table_(table), count_(table == nullptr ? 0 : std::clamp(count, 0, 256)) {
  if (count_ == 0) return;
  candidates_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(kCells) * count_]);
  cellStart_.reset(new (std::nothrow) std::uint32_t[kCells]);
  cellCount_.reset(new (std::nothrow) std::uint16_t[kCells]());
  if (!candidates_ || !cellStart_ || !cellCount_) candidates_.reset();
}

int NearestIndexSearch::CellOf(const ColorQuad& colour) {
  return ((colour.red >> kCellBits) * kCellsPerChannel + (colour.green >> kCellBits)) *
             kCellsPerChannel +
         (colour.blue >> kCellBits);
}

void NearestIndexSearch::BuildCell(int cell) {
  constexpr int kSide = 1 << kCellBits;
  const int blueLo = (cell % kCellsPerChannel) * kSide;
  const int greenLo = (cell / kCellsPerChannel % kCellsPerChannel) * kSide;
  const int redLo = (cell / (kCellsPerChannel * kCellsPerChannel)) * kSide;
  const int blueHi = blueLo + kSide - 1;
  const int greenHi = greenLo + kSide - 1;
  const int redHi = redLo + kSide - 1;

  // Every colour of the cell lies within `bound` of the entry that is best
  // in the worst case, so its nearest entry is no farther than that.
  int bound = kNoDistance;
  int nearest[256];
  for (int i = 0; i < count_; ++i) {
    const ColorQuad& e = table_[i];
    const int fb = FarthestGap(e.blue, blueLo, blueHi);
    const int fg = FarthestGap(e.green, greenLo, greenHi);
    const int fr = FarthestGap(e.red, redLo, redHi);
    bound = std::min(bound, fb * fb + fg * fg + fr * fr);
    const int nb = NearestGap(e.blue, blueLo, blueHi);
    const int ng = NearestGap(e.green, greenLo, greenHi);
    const int nr = NearestGap(e.red, redLo, redHi);
    nearest[i] = nb * nb + ng * ng + nr * nr;
  }
  std::uint8_t* out = candidates_.get() + used_;
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    if (nearest[i] <= bound) out[kept++] = static_cast<std::uint8_t>(i);
  }
  cellStart_[cell] = used_;
  cellCount_[cell] = static_cast<std::uint16_t>(kept);
  used_ += static_cast<std::uint32_t>(kept);
}

std::uint8_t NearestIndexSearch::Scan(const std::uint8_t* indices, int count,
                                      const ColorQuad& colour) const {
  int best = kNoDistance;
  std::uint8_t result = 0;
  for (int k = 0; k < count; ++k) {
    const int distance = SquaredColourDistance(table_[indices[k]], colour);
    if (distance < best) {
      best = distance;
      result = indices[k];
      if (best == 0) break;  // an exact match cannot be beaten
    }
  }
  return result;
}

std::uint8_t NearestIndexSearch::ScanAll(const ColorQuad& colour) const {
  static const auto kEveryIndex = [] {
    std::array<std::uint8_t, 256> indices{};
    for (int i = 0; i < 256; ++i) indices[i] = static_cast<std::uint8_t>(i);
    return indices;
  }();
  return Scan(kEveryIndex.data(), count_, colour);
}

std::uint8_t NearestIndexSearch::Find(const ColorQuad& colour) {
  const std::uint32_t key = (std::uint32_t{colour.red} << 16) |
                            (std::uint32_t{colour.green} << 8) | colour.blue;
  if (key == lastKey_) return lastIndex_;
  std::uint8_t index;
  if (!Fast()) {
    index = ScanAll(colour);
  } else {
    const int cell = CellOf(colour);
    if (cellCount_[cell] == 0) BuildCell(cell);
    index = Scan(candidates_.get() + cellStart_[cell], cellCount_[cell], colour);
  }
  lastKey_ = key;
  lastIndex_ = index;
  return index;
}

}  // namespace korvel
