// stb_image_write, an independent BMP encoder for the cross-checks.
#include "support/test_files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace korvel {
namespace testing {

bool EncodeWithStb(const std::string& path, const DecodedImage& image) {
  return stbi_write_bmp(path.c_str(), image.width, image.height, image.channels,
                        image.pixels.data()) != 0;
}

}  // namespace testing
}  // namespace korvel
