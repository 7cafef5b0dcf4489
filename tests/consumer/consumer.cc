// An outside program using the library: draws a bar chart through the C
// entry point, loads it back with the C++ image API, checks what it holds,
// and saves it again byte for byte. Prints one line and exits 0 when all is
// well; otherwise names the first check that failed and exits 1.
//
// Usage: consumer WORK_DIRECTORY
#include <korvelgraphline/korvelgraphline.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Fail(const char* what) {
  std::fprintf(stderr, "consumer: %s\n", what);
  return 1;
}

std::vector<char> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SameColour(korvel::ColorQuad pixel, int blue, int green, int red) {
  return pixel.blue == blue && pixel.green == green && pixel.red == red;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: consumer WORK_DIRECTORY");
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  std::filesystem::current_path(argv[1], error);
  if (error) return Fail("cannot enter the work directory");

  // Four plotted values; the negative one and 0 draw no bar.
  std::ofstream("values.txt") << "3\n-1\n4.5\n0\n";
  std::remove("chart.bmp");
  if (GraphBar(L"values.txt", L"chart.bmp") != 999) return Fail("GraphBar did not return 999");
  if (std::filesystem::file_size("chart.bmp", error) != 1440054) {
    return Fail("chart.bmp is not 1,440,054 bytes");
  }

  korvel::RasterImage chart;
  if (!chart.LoadBmp("chart.bmp")) return Fail("LoadBmp refused chart.bmp");
  if (chart.Width() != 800 || chart.Height() != 600 || chart.BitDepth() != 24) {
    return Fail("chart.bmp is not an 800 x 600, 24-bit picture");
  }
  if (!SameColour(chart.ReadPixel(0, 0), 255, 255, 255)) return Fail("the canvas is not white");
  if (!SameColour(chart.ReadPixel(799, 590), 255, 0, 0)) return Fail("no blue horizontal axis");
  if (!SameColour(chart.ReadPixel(10, 10), 255, 0, 0)) return Fail("no blue vertical axis");
  // The bar of 4.5 (scale 1/5.5) reaches up to row 107.
  bool red = false;
  for (int x = 0; x < 800; ++x) red = red || SameColour(chart.ReadPixel(x, 200), 0, 0, 255);
  if (!red) return Fail("no red bar reaches row 200");

  if (!chart.SaveBmp("copy.bmp")) return Fail("SaveBmp failed");
  if (ReadAll("copy.bmp") != ReadAll("chart.bmp")) return Fail("the saved copy differs");

  std::printf("consumer: chart drawn, loaded and saved again with KorvelGraphLine\n");
  return 0;
}
