// Chart geometry and the two plotting steps. Internal to the chart functions.
//
// The canvas is 800 x 600. The horizontal axis is row 590 from column 10 to
// the right edge, the vertical axis column 10 from row 10 down to row 590.
// Positions that fall outside the canvas are not drawn, but every cursor
// keeps its exact arithmetic, so what lies inside is exactly what an
// unbounded canvas would show.
#ifndef KORVELGRAPHLINE_CHART_PLOT_H_
#define KORVELGRAPHLINE_CHART_PLOT_H_

#include "chart/chart_canvas.h"
#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace chart {

constexpr int kCanvasWidth = ChartCanvas::kWidth;
constexpr int kCanvasHeight = ChartCanvas::kHeight;
constexpr int kAxisRow = 590;
constexpr int kAxisColumn = 10;
constexpr int kAxisTop = 10;
constexpr int kLineStartRow = 580;
constexpr float kPlotHeight = 592.0f;

// What the plotting steps need besides the values.
struct ChartScale {
  int widthUnit;  // W: 700 / (n - 2), or 700 for a single value
  float scale;    // S: 1 / (M + 1), M the largest plotted value (at least 0)
};

// The canvas row of value: 592 - (value x scale) x 592, every step in single
// precision, truncated toward zero; beyond the int range it saturates.
int ValueRow(float value, float scale);

// The scale of a series of n entries, whose first n - 1 are plotted.
// Only meaningful for n >= 2.
ChartScale ComputeScale(const float* entries, int entryCount);

// Draws the blue axes.
void DrawAxes(ChartCanvas& canvas);

// One solid bar per value, W + 1 columns wide, side by side from column 10,
// from the value's row down to the axis row.
void PlotBars(ChartCanvas& canvas, ColorQuad colour, const float* values,
              int count, const ChartScale& chart);

// A polyline from (10, 580) through the values: one pixel on every row a
// segment crosses, the cursor moving right by W / height per pixel.
void PlotLine(ChartCanvas& canvas, ColorQuad colour, const float* values,
              int count, const ChartScale& chart);

}  // namespace chart
}  // namespace korvel

#endif  // KORVELGRAPHLINE_CHART_PLOT_H_
