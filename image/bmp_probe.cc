// The header probes: each opens the file, reads what it can of one header
// record and closes it again. Nothing is validated.
#include "korvelgraphline/bmp_probe.h"

#include <cstdint>

#include "image/bmp_field_reader.h"
#include "image/bmp_layout.h"
#include "image/unique_file.h"
#include "korvelgraphline/bmp_reader.h"

namespace korvel {

BitmapFileHeader ReadFileHeader(const char* path) {
  BitmapFileHeader header;
  UniqueFile file = OpenFile(path, "rb");
  if (!file) {
    header.bfType = 0;  // the one mark of a file that cannot be opened
    return header;
  }
  bmp::ReadFields(file.get(), header);
  return header;
}

BitmapInfoHeader ReadInfoHeader(const char* path) {
  BitmapInfoHeader header;
  UniqueFile file = OpenFile(path, "rb");
  if (!file) return header;
  // Past the file header without looking at it.
  for (int i = 0; i < bmp::kFileHeaderBytes; ++i) {
    std::uint8_t skipped;
    ReadChecked(&skipped, 1, 1, file.get());
  }
  bmp::ReadFields(file.get(), header);
  return header;
}

int ProbeColorDepth(const char* path) { return ReadInfoHeader(path).biBitCount; }

}  // namespace korvel
