// Runs a fuzz target's entry point over files without libFuzzer, so that
// the seed corpus (and any input that once failed) runs as a plain test in
// every build: each file named on the command line, and every file in each
// directory named there.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunOne(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      files.push_back(argv[i]);
    }
    for (const auto& file : files) {
      RunOne(file);
      ++inputs;
    }
  }
  if (inputs == 0) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 1;
  }
  std::printf("replay: %d inputs, none failed\n", inputs);
  return 0;
}
