#include "win32/trace.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace brimlet::win32 {

void Trace(std::u16string_view text) noexcept {
  try {
    // ASCII text goes out through the narrow call: it reads the same in every debugger, and
    // Wine shows only that one on its debugstr channel.
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) {
      std::string line(text.begin(), text.end());
      line += "\r\n";
      ::OutputDebugStringA(line.c_str());
      return;
    }
    std::wstring line(text.begin(), text.end());
    line += L"\r\n";
    ::OutputDebugStringW(line.c_str());
  } catch (...) {
  }
}

}  // namespace brimlet::win32
