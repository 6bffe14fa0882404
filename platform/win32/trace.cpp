#include "win32/trace.h"

#include <windows.h>

#include <string>

namespace brimlet::win32 {

void Trace(std::u16string_view text) noexcept {
  try {
    std::wstring line(text.begin(), text.end());
    line += L"\r\n";
    ::OutputDebugStringW(line.c_str());
  } catch (...) {
  }
}

}  // namespace brimlet::win32
