// korvelgraph info / convert: the header probes, and load - change - save.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "korvelgraphline/bmp_probe.h"
#include "korvelgraphline/palette.h"
#include "korvelgraphline/raster_image.h"
#include "korvelgraphline/rescale.h"

namespace korvelgraph {
namespace {

constexpr long long kHeaderBytes = 54;
constexpr unsigned kSignature = 0x4D42;  // "BM"

// Fails unless path names a readable regular file of at least the two
// headers; the probes themselves cannot tell a short file from a full one.
int CheckBitmapFile(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return Fail("%s: cannot read: %s", path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Fail("%s: not a regular file", path);
  if (korvel::ReadFileHeader(path).bfType == 0) {
    return Fail("%s: cannot read: %s", path, std::strerror(errno));
  }
  if (info.st_size < kHeaderBytes) {
    return Fail("%s: not a BMP file: %lld bytes, shorter than the headers", path,
                static_cast<long long>(info.st_size));
  }
  return 0;
}

// The settings of one convert, filled from the command line.
struct ConvertOptions {
  const char* input = nullptr;
  const char* output = nullptr;
  int depth = 0;  // 0: keep the depth of the input
  bool gray = false;
  char rescaleMode = 0;  // 0: keep the size
  int rescaleSize = 0;
};

// One option: its name, how many values follow it, and how they are taken.
// parse returns 0, or prints the problem and returns 1.
struct ConvertOption {
  const char* name;
  int values;
  int (*parse)(char** values, ConvertOptions& options);
};

int ParseDepth(char** values, ConvertOptions& options) {
  char* end = nullptr;
  const long depth = std::strtol(values[0], &end, 10);
  const bool known = *values[0] != '\0' && *end == '\0' &&
                     (depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 ||
                      depth == 32);
  if (!known) return Fail("unknown depth '%s' (use 1, 4, 8, 16, 24 or 32)", values[0]);
  options.depth = static_cast<int>(depth);
  return 0;
}

int ParseGray(char**, ConvertOptions& options) {
  options.gray = true;
  return 0;
}

// --rescale MODE SIZE: P percent, W width, H height or F fit, in pixels.
int ParseRescale(char** values, ConvertOptions& options) {
  const char* mode = values[0];
  if (std::strlen(mode) != 1 || std::strchr("PWHFpwhf", mode[0]) == nullptr) {
    return Fail("unknown rescale mode '%s' (use P, W, H or F)", mode);
  }
  char* end = nullptr;
  errno = 0;
  const long size = std::strtol(values[1], &end, 10);
  if (*values[1] == '\0' || *end != '\0' || errno != 0 || size < 1 || size > INT_MAX) {
    return Fail("rescale size '%s' is not a whole number from 1 to %d", values[1], INT_MAX);
  }
  options.rescaleMode = mode[0];
  options.rescaleSize = static_cast<int>(size);
  return 0;
}

const ConvertOption kConvertOptions[] = {
    {"--depth", 1, ParseDepth},
    {"--gray", 0, ParseGray},
    {"--rescale", 2, ParseRescale},
};

int ParseConvert(int argc, char** argv, ConvertOptions& options) {
  int files = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) != 0) {
      if (files == 2) return Fail("convert takes one input and one output file");
      (files++ == 0 ? options.input : options.output) = argv[i];
      continue;
    }
    const ConvertOption* option = nullptr;
    for (const ConvertOption& candidate : kConvertOptions) {
      if (std::strcmp(argv[i], candidate.name) == 0) option = &candidate;
    }
    if (option == nullptr) return Fail("convert: unknown option '%s' (try --help)", argv[i]);
    if (argc - i - 1 < option->values) return Fail("%s needs a value", option->name);
    if (option->parse(argv + i + 1, options) != 0) return 1;
    i += option->values;
  }
  if (files != 2) {
    return Fail("usage: korvelgraph convert IN.bmp OUT.bmp [--depth N] [--gray] "
                "[--rescale MODE SIZE]");
  }
  return 0;
}

}  // namespace

int RunInfo(int argc, char** argv) {
  if (argc != 1) return Fail("usage: korvelgraph info FILE.bmp");
  const char* path = argv[0];
  if (CheckBitmapFile(path) != 0) return 1;
  const korvel::BitmapFileHeader file = korvel::ReadFileHeader(path);
  if (file.bfType != kSignature) {
    return Fail("%s: not a BMP file (it starts with 0x%04X, not \"BM\")", path,
                static_cast<unsigned>(file.bfType));
  }
  const korvel::BitmapInfoHeader info = korvel::ReadInfoHeader(path);
  std::printf("bfType: 0x%04X\n", static_cast<unsigned>(file.bfType));
  std::printf("bfSize: %u\n", static_cast<unsigned>(file.bfSize));
  std::printf("bfOffBits: %u\n", static_cast<unsigned>(file.bfOffBits));
  std::printf("biWidth: %d\n", static_cast<int>(info.biWidth));
  std::printf("biHeight: %d\n", static_cast<int>(info.biHeight));
  std::printf("biBitCount: %d\n", korvel::ProbeColorDepth(path));
  std::printf("biCompression: %u\n", static_cast<unsigned>(info.biCompression));
  std::printf("biSizeImage: %u\n", static_cast<unsigned>(info.biSizeImage));
  std::printf("resolution: %d x %d pixels per metre\n", static_cast<int>(info.biXPelsPerMeter),
              static_cast<int>(info.biYPelsPerMeter));
  return 0;
}

int RunConvert(int argc, char** argv) {
  ConvertOptions options;
  if (ParseConvert(argc, argv, options) != 0) return 1;
  if (CheckBitmapFile(options.input) != 0) return 1;
  korvel::RasterImage image;
  if (!image.LoadBmp(options.input)) {
    return Fail("%s: rejected: not a BMP file of 1, 4, 8, 16, 24 or 32 bits that this "
                "program reads (uncompressed, rows bottom-up)",
                options.input);
  }
  // The rescale comes first: its result is 24-bit, and --depth then sets
  // the depth that is written.
  if (options.rescaleMode != 0 &&
      !korvel::RescaleImage(image, options.rescaleMode, options.rescaleSize)) {
    return Fail("cannot rescale %s by %c %d: the new size is too large", options.input,
                options.rescaleMode, options.rescaleSize);
  }
  if (options.depth != 0 && !image.ChangeBitDepth(options.depth)) {
    return Fail("cannot change to %d bits: out of memory", options.depth);
  }
  if (options.gray && !korvel::MakeGrayscalePalette(image)) {
    return Fail("--gray needs a colour table: use it with --depth 1, 4 or 8 (the image has %d bits)",
                image.BitDepth());
  }
  errno = 0;
  if (!image.SaveBmp(options.output)) {
    return Fail("%s: cannot write: %s", options.output,
                errno != 0 ? std::strerror(errno) : "write failed");
  }
  return 0;
}

}  // namespace korvelgraph
