// RescaleImage of a 4000 x 3000 24-bit image to half and to double size
// (modes "P 50" and "P 200"). Each iteration rescales a fresh copy of the
// same image; making the copy is outside the timing.
//
//   rescale_bench [--benchmark_...] [PIXELS.rgb]
//
// PIXELS.rgb, when given, holds the 4000 x 3000 pixels as red, green, blue
// bytes, top row first, left to right (what bench/rescale_vs_pillow.py hands
// both peers); otherwise the pixels are pseudo-random.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "korvelgraphline/raster_image.h"
#include "korvelgraphline/rescale.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::vector<std::uint8_t> PseudoRandomBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

std::vector<std::uint8_t> ReadBytes(const char* path, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr || std::fread(bytes.data(), 1, count, file) != count) bytes.clear();
  if (file != nullptr) std::fclose(file);
  return bytes;
}

korvel::RasterImage* Original() {
  static korvel::RasterImage image;
  return &image;
}

bool FillOriginal(const std::vector<std::uint8_t>& rgb) {
  korvel::RasterImage& image = *Original();
  if (!image.SetDimensions(kWidth, kHeight)) return false;
  const std::uint8_t* p = rgb.data();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x, p += 3) {
      image.PutPixel(x, y, korvel::ColorQuad{p[2], p[1], p[0], 0});
    }
  }
  return true;
}

void BM_RescalePercent(benchmark::State& state) {
  const int percent = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    korvel::RasterImage image(*Original());
    state.ResumeTiming();
    if (!korvel::RescaleImage(image, 'P', percent)) state.SkipWithError("rescale failed");
    benchmark::DoNotOptimize(image.PixelAt(0, 0));
  }
}
BENCHMARK(BM_RescalePercent)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * 3;
  const std::vector<std::uint8_t> rgb =
      argc > 1 ? ReadBytes(argv[1], bytes) : PseudoRandomBytes(bytes);
  if (rgb.size() != bytes || !FillOriginal(rgb)) {
    std::fprintf(stderr, "rescale_bench: cannot read %zu pixel bytes\n", bytes);
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
