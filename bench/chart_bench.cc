// GraphBar and GraphLine end to end on 799 values, beside the floor of
// writing the same 1,440,054 bytes with one fwrite and fclose into the same
// directory. Each is measured twice: to a new file (the old one removed
// outside the timing) and over an existing file of that size, since on ext4
// an overwrite costs several times a new file.
//
//   chart_bench [--benchmark_filter=...]     run from a directory on the disk
//                                             to measure (files go to ./)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "korvelgraphline/graph.h"

namespace {

constexpr std::size_t kChartBytes = 1440054;

const std::string& ValueFile() {
  static const std::string path = [] {
    const std::string name = "bench-values-" + std::to_string(getpid()) + ".txt";
    std::FILE* file = std::fopen(name.c_str(), "w");
    for (int i = 0; i < 799; ++i) {
      std::fprintf(file, "%.4f\n", 50.0 + 40.0 * std::sin(i / 25.0) + (i % 7));
    }
    std::fclose(file);
    return name;
  }();
  return path;
}

std::string OutputName(const char* what) {
  return std::string("bench-") + what + "-" + std::to_string(getpid()) + ".bmp";
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

enum Target { kNewFile, kExistingFile };

void PrepareTarget(const std::string& path, Target target) {
  if (target == kNewFile) std::remove(path.c_str());
}

template <int (*Chart)(const wchar_t*, const wchar_t*)>
void BM_Chart(benchmark::State& state) {
  const Target target = static_cast<Target>(state.range(0));
  const std::wstring values = Wide(ValueFile());
  const std::string out = OutputName(Chart == GraphBar ? "bar" : "line");
  const std::wstring wideOut = Wide(out);
  Chart(values.c_str(), wideOut.c_str());  // an existing file to start from
  for (auto _ : state) {
    state.PauseTiming();
    PrepareTarget(out, target);
    state.ResumeTiming();
    benchmark::DoNotOptimize(Chart(values.c_str(), wideOut.c_str()));
  }
  std::remove(out.c_str());
  state.SetLabel(target == kNewFile ? "new file" : "existing file");
}

void BM_WriteFloor(benchmark::State& state) {
  const Target target = static_cast<Target>(state.range(0));
  const std::vector<unsigned char> bytes(kChartBytes, 0xFF);
  const std::string out = OutputName("floor");
  for (auto _ : state) {
    state.PauseTiming();
    PrepareTarget(out, target);
    state.ResumeTiming();
    std::FILE* file = std::fopen(out.c_str(), "wb");
    benchmark::DoNotOptimize(std::fwrite(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
  std::remove(out.c_str());
  state.SetLabel(target == kNewFile ? "new file" : "existing file");
}

BENCHMARK(BM_WriteFloor)->Arg(kNewFile)->Arg(kExistingFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Chart<GraphBar>)->Name("BM_GraphBar")->Arg(kNewFile)->Arg(kExistingFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Chart<GraphLine>)->Name("BM_GraphLine")->Arg(kNewFile)->Arg(kExistingFile)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(ValueFile().c_str());
  return 0;
}
