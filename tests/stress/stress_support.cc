#include "stress/stress_support.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>


namespace korvel {
namespace stress {

void RunJobs(int threads, int first, int last, const std::function<void(int job)>& run) {
  std::atomic<int> next{first};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (int job = next++; job < last; job = next++) run(job);
    });
  }
  for (std::thread& worker : workers) worker.join();
}

void MismatchLog::Record(const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.push_back(what);
}

int MismatchLog::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(records_.size());
}

std::string MismatchLog::Summary() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string summary;
  for (std::size_t i = 0; i < records_.size() && i < 10; ++i) summary += records_[i] + "\n";
  return summary;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  // One read of the whole file: a byte-wise read would dominate the run
  // time under ThreadSanitizer.
  std::vector<std::uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  struct stat status;
  if (fstat(fileno(file), &status) == 0 && status.st_size > 0) {
    bytes.resize(static_cast<std::size_t>(status.st_size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  }
  std::fclose(file);
  return bytes;
}

void CheckAndRemove(const std::string& path, const std::vector<std::uint8_t>& expected,
                    const std::string& what, MismatchLog& log) {
  const std::vector<std::uint8_t> written = ReadWholeFile(path);
  if (written != expected) {
    log.Record(what + ": " + std::to_string(written.size()) + " bytes, expected " +
               std::to_string(expected.size()) + (written.size() == expected.size()
                                                     ? " (same size, different bytes)"
                                                     : ""));
  }
  std::remove(path.c_str());
}

namespace {

std::string RandomNumber(std::mt19937& random) {
  std::uniform_real_distribution<double> mantissa(-1000.0, 1000.0);
  std::uniform_int_distribution<int> exponent(-45, 45);
  char text[64];
  switch (random() % 6) {
    case 0: std::snprintf(text, sizeof text, "%.3fe%d", mantissa(random), exponent(random)); break;
    case 1: std::snprintf(text, sizeof text, "%+d", static_cast<int>(mantissa(random))); break;
    case 2: std::snprintf(text, sizeof text, "-%.9g", std::abs(mantissa(random))); break;
    default: std::snprintf(text, sizeof text, "%.6g", mantissa(random)); break;
  }
  return text;
}

std::string RandomLine(std::mt19937& random) {
  switch (random() % 10) {
    case 0: {
      // Longer than the 199 characters one read takes: read in pieces.
      std::string line = RandomNumber(random);
      const std::size_t length = 200 + random() % 1800;
      while (line.size() < length) line += random() % 3 == 0 ? ' ' : static_cast<char>('0' + random() % 10);
      return line;
    }
    case 1: return random() % 2 == 0 ? "not a number" : "";
    case 2: return "   " + RandomNumber(random) + " trailing text";
    default: return RandomNumber(random);
  }
}

}  // namespace

std::string RandomValueFile(std::mt19937& random) {
  const int lines = static_cast<int>(random() % 900);  // also past the 800 entries kept
  const char* lineEnd = random() % 4 == 0 ? "\r\n" : "\n";
  std::string text;
  for (int i = 0; i < lines; ++i) text += RandomLine(random) + lineEnd;
  if (random() % 4 == 0) text += RandomNumber(random);  // no line break at the end
  return text;
}

ImageRecipe RandomRecipe(std::mt19937& random, int depth) {
  ImageRecipe recipe;
  recipe.seed = static_cast<unsigned>(random());
  recipe.depth = depth;
  recipe.width = 1 + static_cast<int>(random() % 257);
  recipe.height = 1 + static_cast<int>(random() % 193);
  recipe.dpi = random() % 2 == 0 ? 0 : 1 + static_cast<int>(random() % 600);
  return recipe;
}

void MakeImage(const ImageRecipe& recipe, RasterImage& image) {
  image.ChangeBitDepth(recipe.depth);
  image.SetDimensions(recipe.width, recipe.height);
  if (recipe.dpi != 0) image.SetResolutionDpi(recipe.dpi, recipe.dpi + 1);
  std::mt19937 random(recipe.seed);
  for (int x = 0; x < recipe.width; ++x) {
    for (int y = 0; y < recipe.height; ++y) {
      const std::uint32_t bits = random();
      image.PutPixel(x, y, ColorQuad{static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                     static_cast<std::uint8_t>(bits >> 16),
                                     static_cast<std::uint8_t>(bits >> 24)});
    }
  }
}

long long ResidentBytes() {
  // Freed memory that the allocator keeps for reuse counts as resident until
  // it is trimmed; trimming first leaves what the program really holds.
  malloc_trim(0);
  std::ifstream statm("/proc/self/statm");
  long long size = 0;
  long long resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

}  // namespace stress
}  // namespace korvel
