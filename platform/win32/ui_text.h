// String-table texts, measuring a control's text and the one way the program shows a
// message box.
#pragma once

#include <windows.h>

#include <string>

namespace brimlet::win32 {

// The text of a string-table entry of `module` (empty when missing).
std::wstring LoadResourceString(HINSTANCE module, UINT id);

// The width in pixels of the control's own text on one line in `font` (its own font when
// none is given); 0 for an empty text.
int TextWidth(HWND control, HFONT font = nullptr) noexcept;

// Every message box of the programs goes through here, so tests under Wine can find it
// by its caption and answer it.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                   UINT flags) noexcept;

}  // namespace brimlet::win32
