#include "win32/ui_text.h"

namespace brimlet::win32 {

std::wstring LoadResourceString(HINSTANCE module, UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size the call returns a read-only pointer into the resource.
  const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<size_t>(length));
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                   UINT flags) noexcept {
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

}  // namespace brimlet::win32
