// LoadBmp on arbitrary bytes. The bytes are written to a file and loaded;
// every pixel and table entry is read; the image is saved and loaded back.
// Invariants: a refused file leaves the image reset (or, for a file not
// starting with "BM", untouched); an accepted one saves; its save loads back
// to the same depth, size and table, and to the pixels that the depth keeps.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "fuzz/fuzz_file.h"
#include "korvelgraphline/raster_image.h"
#include "tests/support/kept_by_depth.h"

namespace {

using korvel::ColorQuad;
using korvel::RasterImage;
using korvel::fuzz::Require;

// Images the reader accepts may reach 2^28 pixels (1 GiB); the fuzzer skips
// headers between this cap and the reader's limit, so that it spends its
// time on decoding rather than on allocating. Headers beyond the limit are
// kept: their refusal must not allocate.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 16;
constexpr std::int64_t kReaderLimit = std::int64_t{1} << 28;

std::int32_t Int32At(const std::uint8_t* data) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) | data[1] << 8 |
                                   data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
}

bool TooCostly(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  const std::int64_t pixels = std::int64_t{Int32At(data + 18)} * Int32At(data + 22);
  return Int32At(data + 18) > 0 && pixels > kMaxFuzzPixels && pixels <= kReaderLimit;
}

// Reads every pixel and table entry, so that the sanitizers see them.
unsigned TouchAll(const RasterImage& image) {
  unsigned sum = 0;
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 0; y < image.Height(); ++y) {
      const ColorQuad p = image.ReadPixel(x, y);
      sum += p.blue + p.green + p.red + p.alpha;
    }
  }
  for (int i = 0; i < 256; ++i) sum += image.PaletteEntry(i).red;
  return sum;
}

bool Same(const ColorQuad& a, const ColorQuad& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}

// Pixel (x, y) as a save at the image's depth keeps it. A loaded indexed
// image has few colours: their nearest entries (by the plain scan) are
// cached.
ColorQuad AsSaved(const RasterImage& image, int x, int y,
                  std::unordered_map<std::uint32_t, ColorQuad>& nearest) {
  return korvel::testing::KeptByDepth(image.BitDepth(), image.ReadPixel(x, y), [&](const ColorQuad& p) {
    const std::uint32_t key = p.blue | p.green << 8 | p.red << 16;
    auto found = nearest.find(key);
    if (found == nearest.end()) {
      found = nearest.emplace(key, image.PaletteEntry(image.NearestPaletteIndex(p))).first;
    }
    return found->second;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (TooCostly(data, size)) return 0;
  static const std::string input = korvel::fuzz::ScratchPath(".in.bmp");
  static const std::string saved = korvel::fuzz::ScratchPath(".saved.bmp");
  korvel::fuzz::WriteInput(input, data, size);

  RasterImage image;
  const bool loaded = image.LoadBmp(input.c_str());
  volatile unsigned sink = TouchAll(image);
  (void)sink;
  if (!loaded) {
    const bool untouched = image.BitDepth() == 24 && size >= 2 && (data[0] != 'B' || data[1] != 'M');
    const ColorQuad p = image.ReadPixel(0, 0);
    Require(image.Width() == 1 && image.Height() == 1 && (image.BitDepth() == 1 || untouched) &&
                p.blue == 255 && p.green == 255 && p.red == 255 && p.alpha == 0,
            "a refused file leaves the image reset or untouched");
    return 0;
  }
  std::remove(saved.c_str());
  Require(image.SaveBmp(saved.c_str()), "an accepted image saves");
  RasterImage back;
  Require(back.LoadBmp(saved.c_str()), "a saved file loads");
  Require(back.BitDepth() == image.BitDepth() && back.Width() == image.Width() &&
              back.Height() == image.Height(),
          "a saved file loads to the same depth and size");
  for (int i = 0; i < 256; ++i) {
    Require(Same(back.PaletteEntry(i), image.PaletteEntry(i)), "the table loads back");
  }
  std::unordered_map<std::uint32_t, ColorQuad> nearest;
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 0; y < image.Height(); ++y) {
      Require(Same(back.ReadPixel(x, y), AsSaved(image, x, y, nearest)), "the pixels load back");
    }
  }
  return 0;
}
