// String-table texts and the one way the program shows a message box.
#pragma once

#include <windows.h>

#include <string>

namespace brimlet::win32 {

// The text of a string-table entry of `module` (empty when missing).
std::wstring LoadResourceString(HINSTANCE module, UINT id);

// Every message box of the programs goes through here, so tests under Wine can find it
// by its caption and answer it.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                   UINT flags) noexcept;

}  // namespace brimlet::win32
