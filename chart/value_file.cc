#include "chart/value_file.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstdint>
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

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;
constexpr std::uint64_t kLargestExactMantissa = std::uint64_t{1} << 53;
constexpr int kMantissaDigits = 19;  // any 19 digits fit 64 bits

// The double nearest to the unsigned decimal text [begin, end), found with
// one rounding: when the digits form an integer of at most 2^53 and the
// power of ten is at most 22 either way, both are exact doubles and their
// product or quotient is the correctly rounded value. Ordinary value files
// hold such short decimals; false for the others, which take the general
// conversion.
bool ParseShortDecimal(const char* begin, const char* end, double& value) {
  std::uint64_t mantissa = 0;
  int digits = 0;
  int power = 0;  // value = mantissa x 10^power
  bool fraction = false;
  const char* p = begin;
  for (; p != end && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      fraction = true;
      continue;
    }
    if (fraction) --power;
    if (digits == 0 && *p == '0') continue;  // leading zeros carry nothing
    if (++digits > kMantissaDigits) return false;
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  if (p != end) {
    ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (end - p > 4) return false;  // keeps the sum below int overflow
    int exponent = 0;
    for (; p != end; ++p) exponent = exponent * 10 + (*p - '0');
    power += negative ? -exponent : exponent;
  }
  if (mantissa == 0) {
    value = 0.0;
    return true;
  }
  if (mantissa > kLargestExactMantissa || power > kLargestExactPower ||
      power < -kLargestExactPower) {
    return false;
  }
  const double exact = static_cast<double>(mantissa);
  value = power < 0 ? exact / kExactPowersOfTen[-power] : exact * kExactPowersOfTen[power];
  return true;
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
  if (!ParseShortDecimal(begin, end, magnitude)) {
    const std::from_chars_result parsed =
        std::from_chars(begin, end, magnitude, std::chars_format::general);
    if (parsed.ec == std::errc::result_out_of_range) {
      magnitude = MagnitudeAtLeastOne(begin, end) ? DBL_MAX : 0.0;
    }
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
  // into line and ends them with a zero; textLength becomes the length of
  // the text up to its first zero, as strlen would give it. False when no
  // character was left: line and textLength are then unchanged.
  bool Next(char* line, std::size_t& textLength) {
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
    // Only a file with zero bytes in it needs the scan.
    textLength = sawZero_ ? std::strlen(line) : static_cast<std::size_t>(length);
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
    sawZero_ = sawZero_ || std::memchr(chunk_, '\0', got) != nullptr;
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
  bool sawZero_ = false;  // some chunk so far held a zero byte
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
  std::size_t length = 0;  // of the text in line, up to its first zero
  do {
    if (!lines.Next(line, length) && lines.Failed()) break;
    if (length > 0) line[--length] = '\0';  // the line break, or whatever is last
    series.entries[series.count++] = ParseValue(line);
  } while (!lines.AtEnd() && series.count < kSeriesCapacity);

  if (lines.Failed()) series.count = 0;  // unreadable: no values at all
  std::fclose(file);
}

}  // namespace chart
}  // namespace korvel
