#include "win32/win32_codepage.h"

#include <windows.h>

#include <climits>

namespace brimlet::win32 {
namespace {

UINT PlatformCodePage(uint32_t codePage) noexcept {
  // The running thread's ANSI code page, as the conversions of a search are defined.
  return codePage == code_page::kAnsi ? CP_THREAD_ACP : static_cast<UINT>(codePage);
}

}  // namespace

std::optional<std::string> Win32CodePageConverter::FromUtf16(std::u16string_view text,
                                                             uint32_t codePage) const {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<size_t>(INT_MAX / 4)) return std::nullopt;
  const UINT cp = PlatformCodePage(codePage);
  // UTF-8 takes no flags; elsewhere best fit would turn e.g. "é" into "e" instead of the
  // default character.
  const DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
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
  const UINT cp = PlatformCodePage(codePage);
  const int length = static_cast<int>(bytes.size());
  const int units =
      ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::u16string text(static_cast<size_t>(units), u'\0');
  if (::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), length,
                            reinterpret_cast<wchar_t*>(text.data()), units) != units) {
    return std::nullopt;
  }
  return text;
}

}  // namespace brimlet::win32
