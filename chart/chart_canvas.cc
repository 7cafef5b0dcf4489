#include "chart/chart_canvas.h"

#include <cstring>
#include <new>

#include "image/bmp_layout.h"
#include "image/bmp_writing.h"

namespace korvel {
namespace chart {
namespace {

constexpr int kDepth = 24;
constexpr std::size_t kFileBytes =
    bmp::kHeaderBytes + bmp::RowBytes(ChartCanvas::kWidth, kDepth) * ChartCanvas::kHeight;

// Column runs are filled by the C library's memset, called through this
// pointer so that it stays a call: where the compiler can bound the length
// (at most a column), it puts a string-store instruction in its place,
// which takes several times as long for runs of a few hundred bytes.
void* (*const volatile fillBytes)(void*, int, std::size_t) = std::memset;

}  // namespace

ChartCanvas::ChartCanvas()
    : pixels_(new (std::nothrow) std::uint8_t[kWidth * kHeight]),
      marks_(new (std::nothrow) std::uint64_t[kMarkRows * kMarkWords]),
      file_(new (std::nothrow) std::uint8_t[kFileBytes]) {
  if (!pixels_ || !marks_ || !file_) {
    pixels_.reset();  // what Valid() looks at
    marks_.reset();
    file_.reset();
    return;
  }
  std::memset(pixels_.get(), 0, kWidth * kHeight);  // colour number 0 is white
  std::memset(marks_.get(), 0, kMarkRows * kMarkWords * sizeof(std::uint64_t));
  ColourNumber(ColorQuad{255, 255, 255, 0});
}

int ChartCanvas::ColourNumber(ColorQuad colour) {
  for (int i = 0; i < colourCount_; ++i) {
    const std::uint8_t* known = colours_ + 4 * i;
    if (known[0] == colour.blue && known[1] == colour.green && known[2] == colour.red) return i;
  }
  if (colourCount_ == kMaxColours) return -1;
  std::uint8_t* added = colours_ + 4 * colourCount_;
  added[0] = colour.blue;
  added[1] = colour.green;
  added[2] = colour.red;
  return colourCount_++;
}

bool ChartCanvas::PutPixel(int x, int y, ColorQuad colour) {
  return Fill(x, x, y, y, colour);
}

bool ChartCanvas::FillColumn(int x, int top, int bottom, ColorQuad colour) {
  return Fill(x, x, top, bottom, colour);
}

bool ChartCanvas::FillRow(int y, int left, int right, ColorQuad colour) {
  return Fill(left, right, y, y, colour);
}

bool ChartCanvas::Fill(int left, int right, int top, int bottom, ColorQuad colour) {
  if (!Valid() || left < 0 || left > right || right >= kWidth || top < 0 || top > bottom ||
      bottom >= kHeight) {
    return false;
  }
  const int number = ColourNumber(colour);
  if (number < 0) return false;
  for (int x = left; x <= right; ++x) {
    if (top == bottom) {
      Column(x)[top] = static_cast<std::uint8_t>(number);
    } else {
      fillBytes(Column(x) + top, number, static_cast<std::size_t>(bottom - top + 1));
    }
    MarkChange(x, top);
    MarkChange(x, bottom + 1);
  }
  return true;
}

void ChartCanvas::PutColour(std::uint8_t* row, int x, int number) const {
  std::memcpy(row + 3 * x, colours_ + 4 * number, 3);
}

void ChartCanvas::BuildFile() {
  static_assert(bmp::RowBytes(kWidth, kDepth) == kRowBytes, "chart rows need no padding");
  std::uint8_t* rows = PutBmpHeaders(kWidth, kHeight, kDepth, 0, 0, file_.get());
  auto fileRow = [rows](int y) { return rows + static_cast<std::size_t>(kHeight - 1 - y) * kRowBytes; };

  // The working row starts as row 0; every later row is the one above with
  // its marked columns rewritten from the store.
  std::uint8_t row[kRowBytes];
  for (int x = 0; x < kWidth; ++x) PutColour(row, x, Column(x)[0]);
  std::memcpy(fileRow(0), row, kRowBytes);
  for (int y = 1; y < kHeight; ++y) {
    const std::uint64_t* marks = marks_.get() + y * kMarkWords;
    for (int word = 0; word < kMarkWords; ++word) {
      for (std::uint64_t bits = marks[word]; bits != 0; bits &= bits - 1) {
        const int x = word * 64 + __builtin_ctzll(bits);
        PutColour(row, x, Column(x)[y]);
      }
    }
    std::memcpy(fileRow(y), row, kRowBytes);
  }
}

bool ChartCanvas::SaveBmp(const char* path) {
  if (!Valid() || path == nullptr || !TypeSizesValid()) return false;
  BuildFile();
  return WriteWholeFile(path, file_.get(), kFileBytes);
}

}  // namespace chart
}  // namespace korvel
