#include "chart/value_file.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace korvel {
namespace chart {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipDigits(const char* p) {
  while (IsDigit(*p)) ++p;
  return p;
}

// True when the unsigned decimal text [begin, end), exponent included, is at
// least 1 in magnitude. Tells overflow from underflow for a value that does
// not fit a double.
bool MagnitudeAtLeastOne(const char* begin, const char* end) {
  const char* mantissaEnd = std::find_if(begin, end, [](char c) { return c == 'e' || c == 'E'; });
  const char* point = std::find(begin, mantissaEnd, '.');
  const char* first = std::find_if(begin, mantissaEnd, [](char c) { return c >= '1' && c <= '9'; });
  if (first == mantissaEnd) return false;
  // Decimal order of the leading nonzero digit.
  long long order = first < point ? (point - first) - 1 : -(first - point);
  long long exponent = 0;
  if (mantissaEnd != end) {
    const char* p = mantissaEnd + 1;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    for (; p != end; ++p) {
      if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return order + exponent >= 0;
}

}  // namespace

float ParseValue(const char* text) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';

  const char* const begin = p;
  const char* afterInteger = SkipDigits(p);
  bool anyDigit = afterInteger != p;
  p = afterInteger;
  if (*p == '.') {
    const char* afterFraction = SkipDigits(p + 1);
    anyDigit = anyDigit || afterFraction != p + 1;
    p = afterFraction;
  }
  if (!anyDigit) return 0.0f;
  if (*p == 'e' || *p == 'E') {
    const char* exponent = p + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (IsDigit(*exponent)) p = SkipDigits(exponent);
  }
  const char* const end = p;

  double magnitude = 0.0;
  const std::from_chars_result parsed =
      std::from_chars(begin, end, magnitude, std::chars_format::general);
  if (parsed.ec == std::errc::result_out_of_range) {
    magnitude = MagnitudeAtLeastOne(begin, end) ? DBL_MAX : 0.0;
  }
  const float single = magnitude > FLT_MAX ? FLT_MAX : static_cast<float>(magnitude);
  return negative ? -single : single;
}

namespace {

// The lines of a stream as fgets(line, kLineLimit, stream) gives them, read
// in large chunks: one fgets per line costs a lock, a buffer scan and a
// refill of stdio's small buffer every 4 KiB, several times the work of
// finding the line breaks in a chunk. What fgets would leave in the line
// buffer, and when the end of the file counts as reached, are kept exactly.
class LineReader {
 public:
  explicit LineReader(std::FILE* stream) : stream_(stream) {
    std::setvbuf(stream_, nullptr, _IONBF, 0);  // chunks go straight into chunk_
  }

  // Copies up to kLineLimit - 1 characters, through the next line break,
  // into line and ends them with a zero. False when no character was left:
  // line is then unchanged.
  bool Next(char* line) {
    int length = 0;
    while (length < kLineLimit - 1) {
      if (next_ == end_ && !Refill()) break;
      const std::size_t wanted = std::min<std::size_t>(end_ - next_, kLineLimit - 1 - length);
      const char* lineBreak = static_cast<const char*>(std::memchr(next_, '\n', wanted));
      const std::size_t taken = lineBreak != nullptr ? lineBreak - next_ + 1 : wanted;
      std::memcpy(line + length, next_, taken);
      next_ += taken;
      length += static_cast<int>(taken);
      if (lineBreak != nullptr) break;
    }
    if (length == 0) return false;
    line[length] = '\0';
    return true;
  }

  // True once a read has met the end of the file, as feof would say.
  bool AtEnd() const { return atEnd_; }
  bool Failed() const { return std::ferror(stream_) != 0; }

 private:
  bool Refill() {
    if (drained_) {
      atEnd_ = !Failed();
      return false;
    }
    const std::size_t got = std::fread(chunk_, 1, sizeof chunk_, stream_);
    // A short read has met the end of the file (or an error); the end counts
    // as reached only when a line asks for more than what came.
    drained_ = got < sizeof chunk_;
    next_ = chunk_;
    end_ = chunk_ + got;
    if (got == 0) atEnd_ = !Failed();
    return got > 0;
  }

  std::FILE* stream_;
  char chunk_[16384];
  const char* next_ = chunk_;
  const char* end_ = chunk_;
  bool drained_ = false;
  bool atEnd_ = false;
};

}  // namespace

void ReadValueFile(const char* path, ValueSeries& series) {
  series.count = 0;
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return;

  // A read that meets the end of the file at once leaves the buffer as it
  // was, so the previous line, already cut short by one, is parsed again.
  LineReader lines(file);
  char line[kLineLimit] = {};
  do {
    if (!lines.Next(line) && lines.Failed()) break;
    const std::size_t length = std::strlen(line);
    if (length > 0) line[length - 1] = '\0';  // the line break, or whatever is last
    series.entries[series.count++] = ParseValue(line);
  } while (!lines.AtEnd() && series.count < kSeriesCapacity);

  if (lines.Failed()) series.count = 0;  // unreadable: no values at all
  std::fclose(file);
}

}  // namespace chart
}  // namespace korvel
