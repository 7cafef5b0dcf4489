// Shared pieces of the concurrent-load tests: a job runner, a thread-safe
// record of mismatches, generated inputs, and readings of the process's
// resident memory and open files.
#ifndef KORVELGRAPHLINE_TESTS_STRESS_STRESS_SUPPORT_H_
#define KORVELGRAPHLINE_TESTS_STRESS_STRESS_SUPPORT_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "korvelgraphline/raster_image.h"

namespace korvel {
namespace stress {

constexpr int kThreads = 8;

// Runs run(job) for every job in [first, last) on `threads` threads, each
// thread taking the next job not yet taken, and returns when all are done.
void RunJobs(int threads, int first, int last, const std::function<void(int job)>& run);

// Collects the jobs whose output was wrong, from any thread.
class MismatchLog {
 public:
  void Record(const std::string& what);
  int Count() const;
  // The first few records, one per line.
  std::string Summary() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> records_;
};

// The bytes of the file at path; empty when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Compares the file at path with expected and removes the file; records a
// mismatch under `what` unless every byte is equal.
void CheckAndRemove(const std::string& path, const std::vector<std::uint8_t>& expected,
                    const std::string& what, MismatchLog& log);

// A value file of random length: numbers of every sign and size, exponents,
// text that is no number, lines far longer than the reader's line limit,
// CR LF line ends, and sometimes no line break at the end.
std::string RandomValueFile(std::mt19937& random);

// A picture made from a few numbers, so that each thread can build its own
// copy of the same picture.
struct ImageRecipe {
  unsigned seed;
  int depth;
  int width;
  int height;
  int dpi;  // 0: the resolution is left unset
};
ImageRecipe RandomRecipe(std::mt19937& random, int depth);
// Builds the picture of recipe into image (random pixels, alpha included).
void MakeImage(const ImageRecipe& recipe, RasterImage& image);

// The process's resident memory in bytes, from /proc/self/statm, after the
// allocator has handed back what it only keeps cached.
long long ResidentBytes();
// The number of open file descriptors.
int OpenDescriptors();

}  // namespace stress
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_STRESS_STRESS_SUPPORT_H_
