#include "win32/ui_text.h"

#include "win32/unique_resource.h"

namespace brimlet::win32 {

std::wstring LoadResourceString(HINSTANCE module, UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size the call returns a read-only pointer into the resource.
  const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<size_t>(length));
}

int TextWidth(HWND control, HFONT font) noexcept {
  wchar_t text[256] = {};
  const int length = ::GetWindowTextW(control, text, 256);
  if (length <= 0) return 0;
  if (font == nullptr) font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  const UniqueWindowDc dc(control);
  const ScopedSelectObject selected(dc.get(), font);
  RECT extent{};
  ::DrawTextW(dc.get(), text, length, &extent, DT_CALCRECT | DT_SINGLELINE);
  return extent.right;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                   UINT flags) noexcept {
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

}  // namespace brimlet::win32
