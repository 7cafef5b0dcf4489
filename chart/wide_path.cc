#include "chart/wide_path.h"

#if defined(_WIN32)
#include <windows.h>

#include <utility>
#else
#include <cstdint>
#include <type_traits>
#endif

namespace korvel {
namespace chart {

#if defined(_WIN32)

NarrowPath::NarrowPath(const wchar_t* path) : isNull_(path == nullptr) {
  if (isNull_) return;
  // Through the ANSI code page. A character that code page lacks would
  // become a look-alike ("e" for an e acute) or a "?", and the chart would
  // land in another, perhaps existing, file: such a name gives the empty
  // name instead. Under a UTF-8 code page every valid string fits and only
  // unpaired surrogates fail. The first call measures the result,
  // terminator included, so that multibyte code pages always fit.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int bytes =
      WideCharToMultiByte(CP_ACP, flags, path, -1, nullptr, 0, nullptr, usedDefaultOut);
  if (bytes <= 0 || usedDefault) return;  // the empty name
  std::string converted(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, path, -1, converted.data(), bytes, nullptr,
                          usedDefaultOut) <= 0 ||
      usedDefault) {
    return;
  }
  converted.resize(converted.find('\0'));
  name_ = std::move(converted);
}

#else

namespace {

constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Decodes the next code point at *p and advances past it; false when the
// text is not valid Unicode.
bool NextCodePoint(const wchar_t*& p, std::uint32_t& code) {
  // Through an unsigned type of wchar_t's own width, so that a signed
  // 16-bit unit does not sign-extend.
  using Unit = std::conditional_t<sizeof(wchar_t) == 2, std::uint16_t, std::uint32_t>;
  code = static_cast<Unit>(*p++);
  if (IsHighSurrogate(code) && sizeof(wchar_t) == 2) {
    const std::uint32_t low = static_cast<Unit>(*p);
    if (!IsLowSurrogate(low)) return false;
    ++p;
    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    return true;
  }
  return code <= kMaxCodePoint && !IsHighSurrogate(code) && !IsLowSurrogate(code);
}

}  // namespace

NarrowPath::NarrowPath(const wchar_t* path) : isNull_(path == nullptr) {
  if (isNull_) return;
  for (const wchar_t* p = path; *p != L'\0';) {
    std::uint32_t code = 0;
    if (!NextCodePoint(p, code)) {
      name_.clear();  // a failed conversion leaves the empty name
      return;
    }
    AppendUtf8(code, name_);
  }
}

#endif

}  // namespace chart
}  // namespace korvel
