// Small helpers shared by the test suites: scratch files and an independent
// BMP decoder (stb_image) to check what the library writes.
#ifndef KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_
#define KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {
namespace testing {

// A fresh directory for one test, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The path of name inside the directory.
  std::string Path(const std::string& name) const;

 private:
  std::string root_;
};

void WriteFile(const std::string& path, const std::string& contents);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// An image as decoded by stb_image: width x height pixels of `channels`
// bytes each (red, green, blue[, alpha]), top row first. Empty on failure.
struct DecodedImage {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
  const std::uint8_t* At(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * channels;
  }
};
DecodedImage DecodeWithStb(const std::string& path, int channels);

}  // namespace testing
}  // namespace korvel

#endif  // KORVELGRAPHLINE_TESTS_SUPPORT_TEST_FILES_H_
