#include "support/test_files.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include "stb_image.h"

namespace korvel {
namespace testing {

ScratchDir::ScratchDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "korvel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  root_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDir::Path(const std::string& name) const { return root_ + "/" + name; }

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

DecodedImage DecodeWithStb(const std::string& path, int channels) {
  DecodedImage image;
  int fileChannels = 0;
  stbi_uc* data = stbi_load(path.c_str(), &image.width, &image.height, &fileChannels, channels);
  if (data == nullptr) return DecodedImage{};
  image.channels = channels;
  image.pixels.assign(data, data + static_cast<std::size_t>(image.width) * image.height * channels);
  stbi_image_free(data);
  return image;
}

}  // namespace testing
}  // namespace korvel
