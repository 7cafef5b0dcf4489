// Chart calls and image saves on 8 threads at once. Every file written must
// equal, byte for byte, what the same call writes when it runs alone, and the
// process must not grow while the calls go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "korvelgraphline/korvelgraphline.h"
#include "stress/stress_support.h"
#include "support/test_files.h"

namespace korvel {
namespace stress {
namespace {

// A sanitizer's own bookkeeping grows as the run goes on, so there the
// resident size says nothing about the library.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(thread_sanitizer) || __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

constexpr int kValueFiles = 16;
constexpr int kWarmUpCharts = 100;
constexpr int kMeasuredCharts = 1000;
constexpr int kChartsPerImageSave = 4;
constexpr long long kAllowedGrowth = 1 << 20;
const int kImageDepths[] = {1, 4, 8, 16, 24, 32};

using ChartFunction = int (*)(const wchar_t*, const wchar_t*);
struct ChartKind {
  const char* name;
  ChartFunction draw;
};
const ChartKind kChartKinds[] = {{"bar", GraphBar}, {"line", GraphLine}};

std::wstring Wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

void Draw(const ChartKind& kind, const std::string& values, const std::string& image) {
  kind.draw(Wide(values).c_str(), Wide(image).c_str());
}

class ChartStressTest : public ::testing::Test {
 protected:
  // Writes the value files and the image recipes, and records what each
  // chart and each save writes when nothing else runs.
  void SetUp() override {
    std::mt19937 random(20240611);
    for (int i = 0; i < kValueFiles; ++i) {
      values_.push_back(dir_.Path("values-" + std::to_string(i) + ".txt"));
      testing::WriteFile(values_.back(), RandomValueFile(random));
      for (const ChartKind& kind : kChartKinds) {
        const std::string alone = dir_.Path("alone.bmp");
        Draw(kind, values_.back(), alone);
        std::vector<std::uint8_t>& bytes = chartBytes_[{i, kind.name}];
        bytes = ReadWholeFile(alone);
        ASSERT_EQ(bytes.size(), 1440054u);
      }
    }
    for (int i = 0; i < 24; ++i) {
      recipes_.push_back(RandomRecipe(random, kImageDepths[i % 6]));
      RasterImage image;
      MakeImage(recipes_.back(), image);
      const std::string alone = dir_.Path("alone.bmp");
      ASSERT_TRUE(image.SaveBmp(alone.c_str()));
      saveBytes_.push_back(ReadWholeFile(alone));
    }
  }

  // Job j: a chart of value file j % kValueFiles, bar or line by turns, into
  // a file of its own; after every kChartsPerImageSave charts, one image
  // saved from a fresh copy of a recipe.
  void RunJob(int job) {
    const std::string output = dir_.Path("out-" + std::to_string(job) + ".bmp");
    if (job % (kChartsPerImageSave + 1) == kChartsPerImageSave) {
      const int recipe = job % static_cast<int>(recipes_.size());
      RasterImage image;
      MakeImage(recipes_[recipe], image);
      if (!image.SaveBmp(output.c_str())) mismatches_.Record("save " + std::to_string(job) + " failed");
      CheckAndRemove(output, saveBytes_[recipe], "save of recipe " + std::to_string(recipe), mismatches_);
      return;
    }
    const int file = job % kValueFiles;
    const ChartKind& kind = kChartKinds[(job / kValueFiles) % 2];
    Draw(kind, values_[file], output);
    CheckAndRemove(output, chartBytes_.at({file, kind.name}),
                   std::string(kind.name) + " chart of values-" + std::to_string(file), mismatches_);
  }

  static int JobsForCharts(int charts) { return charts + charts / kChartsPerImageSave; }

  testing::ScratchDir dir_;
  std::vector<std::string> values_;
  std::map<std::pair<int, std::string>, std::vector<std::uint8_t>> chartBytes_;
  std::vector<ImageRecipe> recipes_;
  std::vector<std::vector<std::uint8_t>> saveBytes_;
  MismatchLog mismatches_;
};

TEST_F(ChartStressTest, ConcurrentCallsWriteWhatSingleCallsWriteInFlatMemory) {
  const int warmUpJobs = JobsForCharts(kWarmUpCharts);
  const int allJobs = JobsForCharts(kWarmUpCharts + kMeasuredCharts);
  auto run = [this](int job) { RunJob(job); };

  RunJobs(kThreads, 0, warmUpJobs, run);
  const long long residentAfterWarmUp = ResidentBytes();
  const int descriptorsAfterWarmUp = OpenDescriptors();

  RunJobs(kThreads, warmUpJobs, allJobs, run);
  const long long residentAtEnd = ResidentBytes();

  EXPECT_EQ(mismatches_.Count(), 0) << mismatches_.Summary();
  EXPECT_EQ(OpenDescriptors(), descriptorsAfterWarmUp) << "files left open";
  const long long growth = residentAtEnd - residentAfterWarmUp;
  std::printf("resident: %lld KiB after %d charts, %lld KiB after %d more\n",
              residentAfterWarmUp >> 10, kWarmUpCharts, residentAtEnd >> 10, kMeasuredCharts);
  if (kSanitized) {
    std::printf("resident growth not checked: a sanitizer build\n");
  } else {
    EXPECT_LE(growth, kAllowedGrowth) << "the process grew by " << growth << " bytes";
  }
}

// True when every byte of written equals the byte at the same place in a or
// in b. Compared a block at a time, byte by byte only where a block is mixed.
bool EveryByteFromEither(const std::vector<std::uint8_t>& written,
                         const std::vector<std::uint8_t>& a,
                         const std::vector<std::uint8_t>& b) {
  if (written.size() != a.size() || written.size() != b.size()) return false;
  constexpr std::size_t kBlock = 4096;
  for (std::size_t start = 0; start < written.size(); start += kBlock) {
    const std::size_t length = std::min(kBlock, written.size() - start);
    if (std::memcmp(&written[start], &a[start], length) == 0) continue;
    if (std::memcmp(&written[start], &b[start], length) == 0) continue;
    for (std::size_t i = start; i < start + length; ++i) {
      if (written[i] != a[i] && written[i] != b[i]) return false;
    }
  }
  return true;
}

// Two calls that name the same image file at once race on it: each opens the
// file anew (emptying it) and writes it from the start in blocks of rows, so
// the file ends up full length, every byte from one of the two charts.
TEST_F(ChartStressTest, SameImageFileEndsUpFullLengthFromEitherCall) {
  const std::vector<std::uint8_t>& bar = chartBytes_.at({0, "bar"});
  const std::vector<std::uint8_t>& line = chartBytes_.at({1, "line"});
  const std::string shared = dir_.Path("shared.bmp");
  for (int round = 0; round < 20; ++round) {
    RunJobs(2, 0, 2, [&](int job) {
      Draw(kChartKinds[job], values_[job], shared);
    });
    const std::vector<std::uint8_t> written = ReadWholeFile(shared);
    ASSERT_EQ(written.size(), bar.size()) << "round " << round;
    ASSERT_TRUE(EveryByteFromEither(written, bar, line)) << "round " << round;
  }
}

}  // namespace
}  // namespace stress
}  // namespace korvel
