// The chart's drawing surface: 800 x 600 pixels in a few colours, written
// as the same 24-bit BMP file that a RasterImage of those pixels would give
// through SaveBmp. Internal to the chart functions.
//
// A chart is a white page with a handful of runs and pixels in two colours,
// so the canvas keeps one byte per pixel, a colour number, column by column
// (a bar is one contiguous run), in a block that stays in the second-level
// cache. Every drawing call also marks the rows where its column may change
// colour: the first row it draws and the row below its last. Saving builds
// the file rows top to bottom from one working row in which only the marked
// columns are rewritten, so each file row is one copy from the first-level
// cache instead of 800 gathered pixels.
#ifndef KORVELGRAPHLINE_CHART_CHART_CANVAS_H_
#define KORVELGRAPHLINE_CHART_CHART_CANVAS_H_

#include <cstdint>
#include <memory>

#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace chart {

class ChartCanvas {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;
  // Colours a canvas can hold, white included.
  static constexpr int kMaxColours = 16;

  // A white canvas. Its memory is requested without throwing: check Valid().
  ChartCanvas();
  ChartCanvas(const ChartCanvas&) = delete;
  ChartCanvas& operator=(const ChartCanvas&) = delete;

  // False when the canvas could not get its memory; such a canvas draws
  // nothing and saves nothing.
  bool Valid() const { return pixels_ != nullptr; }

  int Width() const { return kWidth; }
  int Height() const { return kHeight; }

  // Stores colour at (x, y). False, storing nothing, outside the canvas or
  // when colour would be one more than kMaxColours. Only blue, green and
  // red count: the alpha byte never reaches a 24-bit file.
  bool PutPixel(int x, int y, ColorQuad colour);

  // Stores colour into rows top to bottom (inclusive) of column x. False,
  // storing nothing, when the run is empty or leaves the canvas, or as for
  // PutPixel.
  bool FillColumn(int x, int top, int bottom, ColorQuad colour);

  // Stores colour into columns left to right (inclusive) of row y. False as
  // for FillColumn.
  bool FillRow(int y, int left, int right, ColorQuad colour);

  // Writes the canvas to path as a 24-bit BMP file with no resolution set:
  // the bytes RasterImage::SaveBmp writes for the same pixels, with the same
  // results (an existing file is truncated only once the file is ready).
  bool SaveBmp(const char* path);

 private:
  static constexpr int kRowBytes = 3 * kWidth;
  // One bit per column for each row, and for the row below the canvas.
  static constexpr int kMarkWords = (kWidth + 63) / 64;
  static constexpr int kMarkRows = kHeight + 1;

  std::uint8_t* Column(int x) { return pixels_.get() + x * kHeight; }
  // Notes that column x may differ in row y from the row above.
  void MarkChange(int x, int y) {
    marks_[y * kMarkWords + x / 64] |= std::uint64_t{1} << (x % 64);
  }
  // Stores colour into the rectangle of columns left to right and rows top
  // to bottom (inclusive); false, storing nothing, when it is empty or
  // leaves the canvas, or when the canvas has no number left for colour.
  bool Fill(int left, int right, int top, int bottom, ColorQuad colour);
  // The colour number of colour, added if new; -1 when the canvas is full.
  int ColourNumber(ColorQuad colour);
  // Builds the file, headers and rows, in file_.
  void BuildFile();
  void PutColour(std::uint8_t* row, int x, int number) const;

  std::unique_ptr<std::uint8_t[]> pixels_;
  std::unique_ptr<std::uint64_t[]> marks_;
  std::unique_ptr<std::uint8_t[]> file_;
  // Blue, green, red of each colour number, four bytes apart.
  std::uint8_t colours_[kMaxColours * 4] = {};
  int colourCount_ = 0;
};

}  // namespace chart
}  // namespace korvel

#endif  // KORVELGRAPHLINE_CHART_CHART_CANVAS_H_
