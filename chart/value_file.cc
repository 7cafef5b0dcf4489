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

void ReadValueFile(const char* path, ValueSeries& series) {
  series.count = 0;
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return;

  // A read that meets the end of the file at once leaves the buffer as it
  // was, so the previous line, already cut short by one, is parsed again.
  char line[kLineLimit] = {};
  do {
    if (std::fgets(line, kLineLimit, file) == nullptr && std::ferror(file)) break;
    const std::size_t length = std::strlen(line);
    if (length > 0) line[length - 1] = '\0';  // the line break, or whatever is last
    series.entries[series.count++] = ParseValue(line);
  } while (!std::feof(file) && series.count < kSeriesCapacity);

  if (std::ferror(file)) series.count = 0;  // unreadable: no values at all
  std::fclose(file);
}

}  // namespace chart
}  // namespace korvel
