// korvel_value_dump IN OUT: parses every line of IN as the chart functions
// parse a value-file line and writes the single-precision bits, one line of
// eight hex digits per input line, to OUT. The input is read and the output
// written in binary, so that the result is the same bytes on every
// platform; the cross-platform checks compare them.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "chart/value_file.h"

namespace {

bool ReadAll(const char* path, std::string& text) {
  std::FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  const bool ok = std::ferror(in) == 0;
  std::fclose(in);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korvel_value_dump IN OUT\n");
    return 2;
  }
  std::string text;
  if (!ReadAll(argv[1], text)) {
    std::fprintf(stderr, "korvel_value_dump: cannot read %s\n", argv[1]);
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "korvel_value_dump: cannot write %s\n", argv[2]);
    return 1;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const float value = korvel::chart::ParseValue(line.c_str());
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::fprintf(out, "%08" PRIx32 "\n", bits);
    start = end + 1;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
