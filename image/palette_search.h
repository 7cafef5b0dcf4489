// A fast nearest-entry search over a colour table that answers exactly what
// RasterImage::NearestPaletteIndex answers: the entry at the smallest squared
// red-green-blue distance, ties to the lowest index.
//
// RGB space is cut into cells of 16 x 16 x 16 values. For each cell the
// search keeps, in index order, only the entries that can be nearest to some
// colour inside it: an entry whose smallest possible distance to the cell
// exceeds the largest distance of some other entry to the whole cell can
// never win there. The nearest entry and every entry tied with it always
// pass that test, and scanning the survivors in index order keeps the
// lowest-index tie rule, so the answer equals the full scan's. Cells are
// built on first use; runs of one colour are answered from the last result.
//
// Internal: not installed, not exported.
#ifndef KORVELGRAPHLINE_IMAGE_PALETTE_SEARCH_H_
#define KORVELGRAPHLINE_IMAGE_PALETTE_SEARCH_H_

#include <cstdint>
#include <memory>

#include "korvelgraphline/raster_image.h"

namespace korvel {

class NearestIndexSearch {
 public:
  // Searches the count (0 to 256) entries of table, which must outlive the
  // search and stay unchanged while it is used.
  NearestIndexSearch(const ColorQuad* table, int count);
  NearestIndexSearch(const NearestIndexSearch&) = delete;
  NearestIndexSearch& operator=(const NearestIndexSearch&) = delete;

  // False when the memory for the cells could not be had; Find then falls
  // back to the full scan and is still exact.
  bool Fast() const { return candidates_ != nullptr; }

  // Index of the entry nearest to colour; 0 for an empty table.
  std::uint8_t Find(const ColorQuad& colour);

 private:
  static constexpr int kCellBits = 4;  // 16 values per channel and cell
  static constexpr int kCellsPerChannel = 256 >> kCellBits;
  static constexpr int kCells = kCellsPerChannel * kCellsPerChannel * kCellsPerChannel;

  static int CellOf(const ColorQuad& colour);
  void BuildCell(int cell);
  std::uint8_t Scan(const std::uint8_t* indices, int count, const ColorQuad& colour) const;
  std::uint8_t ScanAll(const ColorQuad& colour) const;

  const ColorQuad* table_;
  int count_;
  // Survivors of each cell: cellCount_[c] indices from candidates_ +
  // cellStart_[c]; cellCount_ is 0 for a cell not built yet.
  std::unique_ptr<std::uint8_t[]> candidates_;
  std::unique_ptr<std::uint32_t[]> cellStart_;
  std::unique_ptr<std::uint16_t[]> cellCount_;
  std::uint32_t used_ = 0;
  // The last colour asked for and its answer.
  std::uint32_t lastKey_ = 0xFFFFFFFFu;
  std::uint8_t lastIndex_ = 0;
};

// Squared distance in red, green and blue; alpha takes no part.
inline int SquaredColourDistance(const ColorQuad& a, const ColorQuad& b) {
  const int blue = a.blue - b.blue;
  const int green = a.green - b.green;
  const int red = a.red - b.red;
  return blue * blue + green * green + red * red;
}

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_PALETTE_SEARCH_H_
