#include "support/test_files.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include "stb_image.h"

namespace korvel {
namespace testing {

void FillRandom(RasterImage& image, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 0; y < image.Height(); ++y) {
      const std::uint32_t v = random();
      image.PutPixel(x, y, ColorQuad{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                     static_cast<std::uint8_t>(v >> 16),
                                     static_cast<std::uint8_t>(v >> 24)});
    }
  }
}

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
  WriteFile(path, std::vector<std::uint8_t>(contents.begin(), contents.end()));
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& contents) {
  // A new file rather than a truncated one: on ext4 replacing the contents
  // of a file flushes it to the disk, which costs milliseconds.
  std::remove(path.c_str());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(contents.data()),
            static_cast<std::streamsize>(contents.size()));
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> BmpBytes(const BmpFields& f, const std::vector<std::uint8_t>& rest) {
  std::vector<std::uint8_t> out;
  AppendLittleEndian(out, f.bfType, 2);
  AppendLittleEndian(out, f.bfSize, 4);
  AppendLittleEndian(out, f.bfReserved1, 2);
  AppendLittleEndian(out, f.bfReserved2, 2);
  AppendLittleEndian(out, f.bfOffBits, 4);
  AppendLittleEndian(out, f.biSize, 4);
  AppendLittleEndian(out, static_cast<std::uint32_t>(f.biWidth), 4);
  AppendLittleEndian(out, static_cast<std::uint32_t>(f.biHeight), 4);
  AppendLittleEndian(out, f.biPlanes, 2);
  AppendLittleEndian(out, f.biBitCount, 2);
  AppendLittleEndian(out, f.biCompression, 4);
  AppendLittleEndian(out, f.biSizeImage, 4);
  AppendLittleEndian(out, static_cast<std::uint32_t>(f.biXPelsPerMeter), 4);
  AppendLittleEndian(out, static_cast<std::uint32_t>(f.biYPelsPerMeter), 4);
  AppendLittleEndian(out, f.biClrUsed, 4);
  AppendLittleEndian(out, f.biClrImportant, 4);
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
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
