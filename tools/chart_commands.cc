// korvelgraph bar / line: draw a chart and check that it was written, since
// the library itself reports nothing.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "korvelgraphline/graph.h"

namespace korvelgraph {
namespace {

constexpr long long kChartFileBytes = 1440054;

// Decodes UTF-8 into a wide string, the inverse of what the library does with
// the paths it is given. False for bytes that are not UTF-8.
bool Utf8ToWide(const char* text, std::wstring& out) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    unsigned code = *p;
    int extra = code < 0x80 ? 0 : (code >> 5) == 0x6 ? 1 : (code >> 4) == 0xE ? 2
                : (code >> 3) == 0x1E ? 3 : -1;
    if (extra < 0) return false;
    code &= extra == 0 ? 0x7F : 0x3F >> extra;
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      code = (code << 6) | (*p & 0x3F);
    }
    static const unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(code);
    }
  }
  return true;
}

int RunChart(const char* kind, int (*draw)(const wchar_t*, const wchar_t*), int argc,
             char** argv) {
  if (argc != 2) return Fail("usage: korvelgraph %s VALUES.txt OUT.bmp", kind);
  std::wstring values;
  std::wstring image;
  if (!Utf8ToWide(argv[0], values)) return Fail("%s: the name is not UTF-8", argv[0]);
  if (!Utf8ToWide(argv[1], image)) return Fail("%s: the name is not UTF-8", argv[1]);

  // Remove an old chart first, so that one left from an earlier run cannot
  // pass for the new one. Only a regular file: never a device or a link.
  struct stat old;
  if (lstat(argv[1], &old) == 0 && S_ISREG(old.st_mode) && std::remove(argv[1]) != 0) {
    return Fail("%s: cannot replace: %s", argv[1], std::strerror(errno));
  }
  draw(values.c_str(), image.c_str());

  struct stat written;
  if (stat(argv[1], &written) != 0) {
    return Fail("%s: the chart was not written: %s", argv[1], std::strerror(errno));
  }
  if (!S_ISREG(written.st_mode) || written.st_size != kChartFileBytes) {
    return Fail("%s: the chart was not written completely (%lld of %lld bytes)", argv[1],
                static_cast<long long>(written.st_size), kChartFileBytes);
  }
  return 0;
}

}  // namespace

int RunBar(int argc, char** argv) { return RunChart("bar", GraphBar, argc, argv); }
int RunLine(int argc, char** argv) { return RunChart("line", GraphLine, argc, argv); }

}  // namespace korvelgraph
