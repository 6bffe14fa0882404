#include "win32/win32_codepage.h"

#include <windows.h>

#include <climits>

namespace brimlet::win32 {
namespace {

// The thread's ANSI code page as a number: the flags a conversion accepts depend on it.
UINT ThreadAnsiCodePage() noexcept {
  DWORD codePage = 0;
  if (::GetLocaleInfoW(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)) &&
      codePage != 0) {
    return codePage;
  }
  return ::GetACP();  // a Unicode-only locale has none of its own
}

// These code pages refuse every flag (UTF-8 and GB18030 take only the invalid-character
// ones): WideCharToMultiByte and MultiByteToWideChar fail with ERROR_INVALID_FLAGS.
bool RefusesFlags(UINT cp) noexcept {
  return cp == 42 || (cp >= 50220 && cp <= 50229) || cp == 52936 || cp == 54936 ||
         (cp >= 57002 && cp <= 57011) || cp == 65000 || cp == CP_UTF8;
}

}  // namespace

UINT Win32CodePageConverter::Resolve(uint32_t codePage) const noexcept {
  if (codePage != code_page::kAnsi) return static_cast<UINT>(codePage);
  return ansiCodePage_ != 0 ? static_cast<UINT>(ansiCodePage_) : ThreadAnsiCodePage();
}

std::optional<std::string> Win32CodePageConverter::FromUtf16(std::u16string_view text,
                                                             uint32_t codePage) const {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<size_t>(INT_MAX / 4)) return std::nullopt;
  const UINT cp = Resolve(codePage);
  // Best fit would turn e.g. "é" into "e" instead of the default character.
  const DWORD flags = RefusesFlags(cp) ? 0 : WC_NO_BEST_FIT_CHARS;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(cp, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(cp, flags, wide, length, bytes.data(), size, nullptr, nullptr) !=
      size) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::u16string> Win32CodePageConverter::ToUtf16(std::string_view bytes,
                                                              uint32_t codePage) const {
  if (bytes.empty()) return std::u16string();
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
  const UINT cp = Resolve(codePage);
  const DWORD flags = !RefusesFlags(cp) || cp == CP_UTF8 || cp == 54936 ? MB_ERR_INVALID_CHARS : 0;
  const int length = static_cast<int>(bytes.size());
  const int units = ::MultiByteToWideChar(cp, flags, bytes.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::u16string text(static_cast<size_t>(units), u'\0');
  if (::MultiByteToWideChar(cp, flags, bytes.data(), length,
                            reinterpret_cast<wchar_t*>(text.data()), units) != units) {
    return std::nullopt;
  }
  return text;
}

}  // namespace brimlet::win32
