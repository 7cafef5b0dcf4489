// korvelgraph: the command-line face of the library.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace korvelgraph {
namespace {

const Command kCommands[] = {
    {"bar", "VALUES.txt OUT.bmp", "draw a bar chart of the values as a 24-bit BMP", RunBar},
    {"line", "VALUES.txt OUT.bmp", "draw a line chart of the values as a 24-bit BMP", RunLine},
    {"info", "FILE.bmp", "print the header fields of a BMP file", RunInfo},
    {"convert", "IN.bmp OUT.bmp [--depth N] [--gray] [--rescale MODE SIZE]",
     "load a BMP file and save it again: rescaled (MODE P: SIZE percent; W, H:\n"
     "      SIZE pixels wide or high; F: longer side SIZE pixels; the result is\n"
     "      24-bit), at N bits per pixel (1, 4, 8, 16, 24 or 32), with a gray\n"
     "      colour table (--gray, at 1, 4 or 8 bits)",
     RunConvert},
};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: korvelgraph COMMAND ARGUMENTS\n"
               "       korvelgraph --help | --version\n\n"
               "Commands:\n");
  for (const Command& command : kCommands) {
    std::fprintf(out, "  korvelgraph %s %s\n      %s\n", command.name, command.usage,
                 command.summary);
  }
  std::fprintf(out,
               "\nVALUES.txt holds one decimal number per line; the lines that end in a\n"
               "line break are plotted, at most 799. A chart is 800 x 600 pixels,\n"
               "1,440,054 bytes. A missing value file gives a chart with its axes only.\n"
               "Exit status: 0 on success, 1 on failure (message on stderr).\n");
}

}  // namespace

int Fail(const char* format, ...) {
  std::fputs("korvelgraph: ", stderr);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
  return 1;
}

}  // namespace korvelgraph

int main(int argc, char** argv) {
  using namespace korvelgraph;
  if (argc < 2) {
    PrintHelp(stderr);
    return 1;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintHelp(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("korvelgraph %s\n", KORVEL_VERSION_STRING);
    return 0;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 2, argv + 2);
  }
  return Fail("unknown command '%s' (try --help)", argv[1]);
}
