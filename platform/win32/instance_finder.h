// Finds the running window of this program file: the last top-level window, in
// enumeration order, whose class, title and owning executable path all match.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace brimlet::win32 {

// The title comes from string `titleId` of `module`, loaded at each test. A window of
// another program, or of a copy of this program at another path, never matches.
HWND FindInstanceWindow(std::initializer_list<const wchar_t*> classNames, HINSTANCE module,
                        UINT titleId) noexcept;

// This process's executable path (empty when longer than MAX_PATH).
std::wstring OwnModulePath();

// Attaches to the foreground thread's input so SetForegroundWindow is honoured.
void HandOverForeground(HWND target) noexcept;

}  // namespace brimlet::win32
