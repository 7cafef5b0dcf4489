// SaveBmp and LoadBmp beside their peers, on the same pixels in one run.
//
//   Save24/*    24-bit SaveBmp of a photo-like image of 4096 x 4096 and
//               4000 x 3000 pixels, stb_image_write's BMP writer on the same
//               pixels (interleaved, prepared outside the timing), and one
//               fwrite of as many bytes as the floor.
//   Load24/*    LoadBmp of those files into a new image, and stbi_load of
//               the same files.
//   Save8/*     8-bit SaveBmp of a chart-like image (a few flat colours) beside
//               its own 24-bit save, and of a photo-like image (gradients and
//               noise, hundreds of thousands of colours) beside the plain
//               per-pixel scan of the whole table (EncodeRow8 row by row),
//               which writes the same bytes.
//
// Every file is written new (the old one is removed outside the timing),
// since on ext4 replacing a file's contents costs a flush to the disk.
//
// Memory: by default malloc keeps what is freed (no mmap, no trimming), so
// that every iteration of either side reuses memory the process already
// has. On virtual machines whose first touch of a page is expensive (tens
// of microseconds per 4 KiB page on some), fresh pages would otherwise
// dominate the loads, and the side that needs more memory (the image store
// holds 4 bytes a pixel, stbi_load's buffer 3) would lose on page faults
// rather than on decoding. KORVEL_BENCH_FRESH_MEMORY=1 measures with
// malloc's defaults instead.
//
//   bmp_codec_bench [--benchmark_filter=...]   run from a directory on the
//                                               disk to measure (files go to ./)
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "korvelgraphline/raster_image.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include "stb_image.h"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace {

using korvel::ColorQuad;
using korvel::RasterImage;

enum Picture { kPhoto, kChart };

// A fixed pseudo-random sequence, so that every run measures the same image.
struct Noise {
  std::uint32_t state = 12345;
  int Next(int range) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
  }
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Smooth gradients in all three channels plus noise of +-12.
void PaintPhoto(RasterImage& image) {
  Noise noise;
  const int w = image.Width();
  const int h = image.Height();
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      const int red = x * 255 / w + noise.Next(25) - 12;
      const int green = y * 255 / h + noise.Next(25) - 12;
      const int blue = (x + y) * 255 / (w + h) + noise.Next(25) - 12;
      image.PutPixel(x, y, ColorQuad{Clamp(blue), Clamp(green), Clamp(red), 0});
    }
  }
}

// White with a gray grid, twelve flat bars in six colours, black axes and a
// black zigzag line: the kind of picture a chart is.
void PaintChart(RasterImage& image) {
  const int w = image.Width();
  const int h = image.Height();
  const ColorQuad bars[6] = {{200, 80, 30, 0}, {40, 160, 240, 0}, {60, 200, 60, 0},
                             {30, 30, 220, 0}, {180, 60, 180, 0}, {128, 128, 128, 0}};
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      ColorQuad c = {255, 255, 255, 0};
      if (x % 64 == 0 || y % 64 == 0) c = {220, 220, 220, 0};
      const int bar = x * 12 / w;
      const int top = h / 8 + (bar * 97 % 11) * h / 16;
      if (x % (w / 12) > w / 48 && y > top) c = bars[bar % 6];
      if (x < 4 || y > h - 5) c = {0, 0, 0, 0};
      image.PutPixel(x, y, c);
    }
  }
  for (int x = 0; x < w; ++x) {
    const int y = h / 4 + (x % 400 < 200 ? x % 200 : 200 - x % 200);
    image.PutPixel(x, y, ColorQuad{0, 0, 0, 0});
  }
}

RasterImage& CachedImage(Picture picture, int width, int height) {
  static std::map<std::tuple<Picture, int, int>, std::unique_ptr<RasterImage>> cache;
  auto& slot = cache[{picture, width, height}];
  if (!slot) {
    slot = std::make_unique<RasterImage>();
    if (!slot->SetDimensions(width, height)) std::abort();
    picture == kPhoto ? PaintPhoto(*slot) : PaintChart(*slot);
  }
  return *slot;
}

// The image as interleaved red, green, blue bytes, top row first.
std::vector<std::uint8_t> Interleaved(const RasterImage& image) {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(image.Width()) * image.Height() * 3);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const ColorQuad p = image.ReadPixel(x, y);
      out.insert(out.end(), {p.red, p.green, p.blue});
    }
  }
  return out;
}

std::string FileName(const std::string& what) {
  return "bench-" + what + "-" + std::to_string(getpid()) + ".bmp";
}

long FileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fclose(file);
  return size;
}

std::vector<char> ReadAll(const std::string& path) {
  std::vector<char> bytes(static_cast<std::size_t>(FileBytes(path)));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  std::fclose(file);
  return bytes;
}

// Runs save(path) into a new file per iteration.
template <typename Save>
void TimeSaves(benchmark::State& state, const std::string& path, Save save) {
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
    if (!save(path)) {
      state.SkipWithError("save failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
  std::remove(path.c_str());
}

void BM_Save24_Ours(benchmark::State& state) {
  RasterImage& image = CachedImage(kPhoto, state.range(0), state.range(1));
  TimeSaves(state, FileName("ours24"), [&](const std::string& path) {
    return image.SaveBmp(path.c_str());
  });
}

void BM_Save24_Stb(benchmark::State& state) {
  RasterImage& image = CachedImage(kPhoto, state.range(0), state.range(1));
  const std::vector<std::uint8_t> pixels = Interleaved(image);
  TimeSaves(state, FileName("stb24"), [&](const std::string& path) {
    return stbi_write_bmp(path.c_str(), image.Width(), image.Height(), 3, pixels.data()) != 0;
  });
}

void BM_Save24_FwriteFloor(benchmark::State& state) {
  RasterImage& image = CachedImage(kPhoto, state.range(0), state.range(1));
  const std::vector<std::uint8_t> bytes(54 + ((image.Width() * 3 + 3) & ~3) * image.Height(), 7);
  TimeSaves(state, FileName("floor"), [&](const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
  });
}

std::map<std::pair<int, int>, std::string> photoFiles;

// A 24-bit file of the photo at the benchmark's size, written once.
const std::string& PhotoFile(int width, int height) {
  std::string& path = photoFiles[{width, height}];
  if (path.empty()) {
    path = FileName("load-" + std::to_string(width) + "x" + std::to_string(height));
    if (!CachedImage(kPhoto, width, height).SaveBmp(path.c_str())) std::abort();
  }
  return path;
}

void BM_Load24_Ours(benchmark::State& state) {
  const std::string& path = PhotoFile(state.range(0), state.range(1));
  for (auto _ : state) {
    RasterImage image;
    if (!image.LoadBmp(path.c_str())) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image.ReadPixel(1, 1));
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
}

void BM_Load24_Stb(benchmark::State& state) {
  const std::string& path = PhotoFile(state.range(0), state.range(1));
  for (auto _ : state) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (pixels == nullptr) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(pixels[3]);
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(path));
}

// A copy of a cached picture at the given depth (the table is the standard
// one of that depth).
std::unique_ptr<RasterImage> AtDepth(Picture picture, int width, int height, int depth) {
  const RasterImage& source = CachedImage(picture, width, height);
  auto image = std::make_unique<RasterImage>();
  if (!image->SetDimensions(width, height) || !image->ChangeBitDepth(depth)) std::abort();
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) image->PutPixel(x, y, source.ReadPixel(x, y));
  }
  return image;
}

void BM_Save8_Ours(benchmark::State& state) {
  const auto picture = static_cast<Picture>(state.range(2));
  auto image = AtDepth(picture, state.range(0), state.range(1), 8);
  TimeSaves(state, FileName("ours8"), [&](const std::string& path) {
    return image->SaveBmp(path.c_str());
  });
  state.SetLabel(picture == kPhoto ? "photo" : "chart");
}

void BM_Save8_As24(benchmark::State& state) {
  const auto picture = static_cast<Picture>(state.range(2));
  RasterImage& image = CachedImage(picture, state.range(0), state.range(1));
  TimeSaves(state, FileName("as24"), [&](const std::string& path) {
    return image.SaveBmp(path.c_str());
  });
  state.SetLabel(picture == kPhoto ? "photo" : "chart");
}

// The same file as an 8-bit SaveBmp, each pixel mapped by the plain scan of
// all 256 entries: SaveBmp's headers and table, then EncodeRow8 row by row.
void BM_Save8_PlainScan(benchmark::State& state) {
  const auto picture = static_cast<Picture>(state.range(2));
  auto image = AtDepth(picture, state.range(0), state.range(1), 8);
  const std::string reference = FileName("reference8");
  if (!image->SaveBmp(reference.c_str())) std::abort();
  const long prefixBytes = 54 + 1024;
  std::vector<std::uint8_t> prefix(prefixBytes);
  std::FILE* in = std::fopen(reference.c_str(), "rb");
  if (std::fread(prefix.data(), 1, prefix.size(), in) != prefix.size()) std::abort();
  std::fclose(in);
  const int rowBytes = (image->Width() + 3) & ~3;
  std::vector<std::uint8_t> row(rowBytes, 0);
  auto save = [&](const std::string& out) {
    std::FILE* file = std::fopen(out.c_str(), "wb");
    bool ok = std::fwrite(prefix.data(), 1, prefix.size(), file) == prefix.size();
    for (int y = image->Height() - 1; y >= 0 && ok; --y) {
      ok = image->EncodeRow8(row.data(), rowBytes, y) &&
           std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
  };
  // SaveBmp must write exactly the bytes of the plain scan.
  const std::string path = FileName("plain8");
  if (!save(path) || ReadAll(path) != ReadAll(reference)) std::abort();
  std::remove(reference.c_str());
  TimeSaves(state, path, save);
  state.SetLabel(picture == kPhoto ? "photo" : "chart");
}

void BigSizes(benchmark::internal::Benchmark* b) {
  b->Args({4096, 4096})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();
}
void IndexedSizes(benchmark::internal::Benchmark* b) {
  b->Args({2048, 1536, kChart})->Args({2048, 1536, kPhoto})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Save24_Ours)->Apply(BigSizes);
BENCHMARK(BM_Save24_Stb)->Apply(BigSizes);
BENCHMARK(BM_Save24_FwriteFloor)->Apply(BigSizes);
BENCHMARK(BM_Load24_Ours)->Apply(BigSizes);
BENCHMARK(BM_Load24_Stb)->Apply(BigSizes);
BENCHMARK(BM_Save8_Ours)->Apply(IndexedSizes);
BENCHMARK(BM_Save8_As24)->Apply(IndexedSizes);
BENCHMARK(BM_Save8_PlainScan)->Apply(IndexedSizes);

}  // namespace

int main(int argc, char** argv) {
  const char* fresh = std::getenv("KORVEL_BENCH_FRESH_MEMORY");
  if (fresh == nullptr || std::string(fresh) != "1") {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [size, path] : photoFiles) std::remove(path.c_str());
  return 0;
}
