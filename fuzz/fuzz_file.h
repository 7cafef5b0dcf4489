// Shared by the fuzz targets: the input bytes as a file on disk, since the
// codecs under test read by path.
#ifndef KORVELGRAPHLINE_FUZZ_FUZZ_FILE_H_
#define KORVELGRAPHLINE_FUZZ_FUZZ_FILE_H_

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <utility>

namespace korvel {
namespace fuzz {

// The scratch files of this process, removed when it exits.
class ScratchFiles {
 public:
  ~ScratchFiles() {
    for (const std::string& path : paths_) std::remove(path.c_str());
  }
  const std::string& Add(std::string path) { return paths_.emplace_back(std::move(path)); }

 private:
  std::deque<std::string> paths_;  // stable references
};

// A path of its own for this process in memory-backed storage when there
// is some, with `suffix` appended.
inline std::string ScratchPath(const char* suffix) {
  static ScratchFiles files;
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir;
  return files.Add(std::string(dir) + "/korvel-fuzz-" + std::to_string(getpid()) + suffix);
}

// Writes data as a new file at path (a new file rather than a truncated
// one: replacing a file's contents can cost a flush on some file systems).
inline void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::remove(path.c_str());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    std::abort();  // the machine, not the code under test
  }
}

// Stops the run with a message when an invariant does not hold, so that
// the fuzzer records the input.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace fuzz
}  // namespace korvel

#endif  // KORVELGRAPHLINE_FUZZ_FUZZ_FILE_H_
