// LoadBmp, RescaleImage and SaveBmp on 8 threads at once, every thread on
// images of its own: each file written must equal, byte for byte, what the
// same steps write when they run alone.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "korvelgraphline/korvelgraphline.h"
#include "stress/stress_support.h"
#include "support/test_files.h"

namespace korvel {
namespace stress {
namespace {

struct ReloadCase {
  std::string source;  // a BMP file written from a recipe
  char mode;           // the rescale
  int size;
  std::vector<std::uint8_t> loadedAndSaved;    // what load, save write alone
  std::vector<std::uint8_t> rescaledAndSaved;  // what load, rescale, save write
};

// Loads source, rescales it when asked, and saves it to output; false when
// any step fails.
bool Reload(const ReloadCase& c, bool rescale, const std::string& output) {
  RasterImage image;
  if (!image.LoadBmp(c.source.c_str())) return false;
  if (rescale && !RescaleImage(image, c.mode, c.size)) return false;
  return image.SaveBmp(output.c_str());
}

TEST(ReloadStressTest, ConcurrentLoadRescaleSaveWriteWhatSingleCallsWrite) {
  testing::ScratchDir dir;
  std::mt19937 random(20240612);
  const int depths[] = {1, 4, 8, 16, 24, 32};
  const char modes[] = {'P', 'W', 'H', 'F', 'p', 'f'};
  std::vector<ReloadCase> cases;
  for (int i = 0; i < 24; ++i) {
    ReloadCase c;
    c.source = dir.Path("source-" + std::to_string(i) + ".bmp");
    RasterImage image;
    MakeImage(RandomRecipe(random, depths[i % 6]), image);
    ASSERT_TRUE(image.SaveBmp(c.source.c_str()));
    c.mode = modes[random() % 6];
    c.size = c.mode == 'P' || c.mode == 'p' ? 10 + static_cast<int>(random() % 190)
                                            : 1 + static_cast<int>(random() % 300);
    const std::string alone = dir.Path("alone.bmp");
    ASSERT_TRUE(Reload(c, false, alone));
    c.loadedAndSaved = ReadWholeFile(alone);
    ASSERT_TRUE(Reload(c, true, alone));
    c.rescaledAndSaved = ReadWholeFile(alone);
    cases.push_back(std::move(c));
  }

  // Job j: case j % 24, rescaled on odd rounds, into a file of its own.
  MismatchLog mismatches;
  const int jobs = 480;
  RunJobs(kThreads, 0, jobs, [&](int job) {
    const ReloadCase& c = cases[job % cases.size()];
    const bool rescale = (job / cases.size()) % 2 == 1;
    const std::string output = dir.Path("out-" + std::to_string(job) + ".bmp");
    const std::string what = c.source + (rescale ? " rescaled" : " reloaded");
    if (!Reload(c, rescale, output)) mismatches.Record(what + ": a step failed");
    CheckAndRemove(output, rescale ? c.rescaledAndSaved : c.loadedAndSaved, what, mismatches);
  });
  EXPECT_EQ(mismatches.Count(), 0) << mismatches.Summary();
}

}  // namespace
}  // namespace stress
}  // namespace korvel
