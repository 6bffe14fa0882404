#include <windows.h>

#include "ports/trace.h"

namespace brimlet {

void WriteTraceLine(std::u16string_view text) noexcept {
  // In pieces through a fixed buffer: no allocation. ASCII text goes out through the narrow
  // call: it reads the same in every debugger, and Wine shows only that one on its debugstr
  // channel.
  bool ascii = true;
  for (char16_t c : text) ascii = ascii && c < 0x80;
  constexpr size_t kPiece = 510;
  size_t at = 0;
  do {
    const size_t n = text.size() - at < kPiece ? text.size() - at : kPiece;
    const bool last = at + n == text.size();
    if (ascii) {
      char piece[kPiece + 3] = {};
      for (size_t i = 0; i < n; ++i) piece[i] = static_cast<char>(text[at + i]);
      if (last) piece[n] = '\r', piece[n + 1] = '\n';
      ::OutputDebugStringA(piece);
    } else {
      wchar_t piece[kPiece + 3] = {};
      for (size_t i = 0; i < n; ++i) piece[i] = static_cast<wchar_t>(text[at + i]);
      if (last) piece[n] = L'\r', piece[n + 1] = L'\n';
      ::OutputDebugStringW(piece);
    }
    at += n;
  } while (at < text.size());
}

}  // namespace brimlet
