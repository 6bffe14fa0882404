// UTF-16 text helpers for portable code. Windows gives and takes UTF-16; portable code
// keeps text as std::u16string and converts only at the edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brimlet {

// Only the letters A to Z fold: the comparisons the product makes (guids, switches,
// element names, history words) are defined that way, independent of any locale.
constexpr char16_t ToUpperAscii(char16_t c) noexcept {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
constexpr char16_t ToLowerAscii(char16_t c) noexcept {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) noexcept;
std::u16string ToUpperAscii(std::u16string_view text);

// Lossless UTF-8 <-> UTF-16; ill-formed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// For literals and numbers: every byte is taken as one character (Latin-1).
std::u16string AsciiToUtf16(std::string_view ascii);

// Decimal text to integer as the C runtime's wtoi does it: leading blanks, an optional
// sign, then digits up to the first non-digit; no digits gives 0. Wraps like a 64-bit
// accumulator, so callers mask what they need.
int64_t ParseDecimalPrefix(std::u16string_view text) noexcept;
std::u16string FormatDecimal(int64_t value);

}  // namespace brimlet
