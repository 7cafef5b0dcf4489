#include "chart/plot.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace korvel {
namespace chart {
namespace {

constexpr int kPlotWidth = 700;

// Draws column x from row top to row bottom (inclusive), cut to the canvas:
// the same pixels as one PutPixel per row, stored as one run.
void DrawColumnRun(ChartCanvas& canvas, int x, long long top, long long bottom,
                   ColorQuad colour) {
  if (x < 0 || x >= canvas.Width()) return;
  const long long first = std::max<long long>(top, 0);
  const long long last = std::min<long long>(bottom, canvas.Height() - 1);
  if (first > last) return;
  canvas.FillColumn(x, static_cast<int>(first), static_cast<int>(last), colour);
}

}  // namespace

int ValueRow(float value, float scale) {
  const float scaled = value * scale;
  const float fromTop = scaled * kPlotHeight;
  const float row = kPlotHeight - fromTop;
  if (!(row < 2147483648.0f)) return INT_MAX;
  if (row <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(row);
}

ChartScale ComputeScale(const float* entries, int entryCount) {
  const int plotted = entryCount - 1;
  // One plotted value would divide by zero; it gets the whole plot width.
  const int widthUnit = entryCount > 2 ? kPlotWidth / (entryCount - 2) : kPlotWidth;
  float maximum = 0.0f;  // from zero, so the divisor M + 1 is at least 1
  for (int i = 0; i < plotted; ++i) {
    if (entries[i] > maximum) maximum = entries[i];
  }
  const float divisor = maximum + 1.0f;
  return ChartScale{widthUnit, 1.0f / divisor};
}

void DrawAxes(ChartCanvas& canvas) {
  const ColorQuad blue = {255, 0, 0, 0};
  canvas.FillRow(kAxisRow, kAxisColumn, kCanvasWidth - 1, blue);
  canvas.FillColumn(kAxisColumn, kAxisTop, kAxisRow, blue);
}

void PlotBars(ChartCanvas& canvas, ColorQuad colour, const float* values,
              int count, const ChartScale& chart) {
  int x = kAxisColumn;
  for (int i = 0; i < count; ++i) {
    const int top = ValueRow(values[i], chart.scale);
    for (int column = 0; column <= chart.widthUnit; ++column, ++x) {
      if (x >= kCanvasWidth) return;  // x only grows: nothing more lands inside
      if (top <= kAxisRow) DrawColumnRun(canvas, x, top, kAxisRow, colour);
    }
  }
}

void PlotLine(ChartCanvas& canvas, ColorQuad colour, const float* values,
              int count, const ChartScale& chart) {
  float cursor = static_cast<float>(kAxisColumn);
  long long previous = kLineStartRow;
  for (int i = 0; i < count; ++i) {
    const long long row = ValueRow(values[i], chart.scale);
    const long long rows = row > previous ? row - previous : previous - row;
    // A level segment steps as if it were one row high and places one pixel.
    const float step = static_cast<float>(rows == 0 ? chart.widthUnit : chart.widthUnit / rows);
    const long long direction = row > previous ? 1 : -1;
    if (step == 0.0f) {
      // Every pixel of the segment stacks in the cursor's column.
      DrawColumnRun(canvas, static_cast<int>(cursor), std::min(previous, row),
                    std::max(previous, row), colour);
    } else {
      for (long long k = 0; k <= rows; ++k) {
        cursor += step;
        // The cursor never moves left, so once past the edge the line is done;
        // this also bounds the work of a segment far below the canvas.
        if (cursor >= static_cast<float>(kCanvasWidth)) return;
        const long long y = previous + direction * k;
        if (y >= 0 && y < kCanvasHeight) {
          canvas.PutPixel(static_cast<int>(cursor), static_cast<int>(y), colour);
        }
      }
    }
    previous = row;
  }
}

}  // namespace chart
}  // namespace korvel
