// The two exported chart entry points and the request frame they share:
// canvas, value file, scale, axes, plotting step, save.
#include "korvelgraphline/graph.h"

#include "chart/plot.h"
#include "chart/value_file.h"
#include "chart/wide_path.h"

namespace {

constexpr int kChartResult = 999;

using PlotStep = void (*)(korvel::chart::ChartCanvas&, korvel::ColorQuad, const float*, int,
                          const korvel::chart::ChartScale&);

void DrawChart(const wchar_t* valueFile, const wchar_t* imageFile, PlotStep plot) {
  using namespace korvel;
  using namespace korvel::chart;

  ChartCanvas canvas;
  if (!canvas.Valid()) return;  // no memory: no file, which the caller sees

  ValueSeries series;
  ReadValueFile(NarrowPath(valueFile).get(), series);

  DrawAxes(canvas);
  // The last entry read is never plotted; with fewer than two entries there
  // is nothing to plot and the chart shows its axes only.
  if (series.count >= 2) {
    const ColorQuad red = {0, 0, 255, 0};
    plot(canvas, red, series.entries, series.count - 1,
         ComputeScale(series.entries, series.count));
  }
  canvas.SaveBmp(NarrowPath(imageFile).get());  // the file is the only report
}

int ServeChartRequest(const wchar_t* valueFile, const wchar_t* imageFile, PlotStep plot) {
  try {
    DrawChart(valueFile, imageFile, plot);
  } catch (...) {
    // Nothing may cross the C boundary; the missing file tells the caller.
  }
  return kChartResult;
}

}  // namespace

extern "C" int GraphBar(const wchar_t* valueFile, const wchar_t* imageFile) {
  return ServeChartRequest(valueFile, imageFile, korvel::chart::PlotBars);
}

extern "C" int GraphLine(const wchar_t* valueFile, const wchar_t* imageFile) {
  return ServeChartRequest(valueFile, imageFile, korvel::chart::PlotLine);
}
