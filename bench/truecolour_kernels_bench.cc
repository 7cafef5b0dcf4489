// The 24-bit encoder's variants side by side on a chart-sized image (800 x
// 600, white with a red bar in every column from a varying top down to a
// common base), each writing the whole file's rows from the store, which
// is how SaveBmp writes a 24-bit image of up to 4 MiB. The image and the
// output are made once; the variants run interleaved in one process.
//
//   truecolour_kernels_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "image/truecolour_kernels.h"
#include "korvelgraphline/raster_image.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr std::size_t kRowBytes = 3 * kWidth;

const korvel::RasterImage& ChartLikeImage() {
  static const korvel::RasterImage image = [] {
    korvel::RasterImage canvas;
    canvas.SetDimensions(kWidth, kHeight);
    for (int x = 50; x < kWidth; ++x) {
      const int top = 300 - static_cast<int>(200 * std::sin(x / 25.0)) + x % 7;
      for (int y = top; y <= 550; ++y) canvas.PutPixel(x, y, korvel::ColorQuad{0, 0, 255, 0});
    }
    return canvas;
  }();
  return image;
}

void BM_EncodeRows24(benchmark::State& state) {
  const korvel::TrueColourKernels* variants[4];
  const int count = korvel::RunnableTrueColourKernels(variants, 4);
  if (state.range(0) >= count) {
    state.SkipWithError("variant not runnable on this processor");
    return;
  }
  const korvel::TrueColourKernels& kernels = *variants[state.range(0)];
  const korvel::RasterImage& image = ChartLikeImage();
  std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[kRowBytes * kHeight]);
  for (auto _ : state) {
    kernels.encodeRows24(image, kHeight - 1, kHeight, kRowBytes, rows.get());
    benchmark::DoNotOptimize(rows.get());
    benchmark::ClobberMemory();
  }
  state.SetLabel(kernels.name);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRowBytes * kHeight));
}

BENCHMARK(BM_EncodeRows24)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
