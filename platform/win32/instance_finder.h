// Finds the running window of this program file: the last top-level window, in
// enumeration order, whose class, title and owning executable path all match.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace brimlet::win32 {

// The title comes from string `titleId` of `module`, loaded at each test. A window of
// another program, or of a copy of this program at another path, never matches; nor does a
// window that the program's window framework did not make (a message box with the role's
// caption).
HWND FindInstanceWindow(std::initializer_list<const wchar_t*> classNames, HINSTANCE module,
                        UINT titleId) noexcept;
HWND FindInstanceWindow(std::initializer_list<const wchar_t*> classNames,
                        const std::wstring& title) noexcept;

// Long enough for a busy window to answer, short enough that a start never waits long.
inline constexpr UINT kInstanceSendTimeoutMs = 5000;

// Sends to another process's window without waiting for ever: gives up at once on a window
// the system deems hung, and after `timeoutMs` on a slow one. False when not answered.
bool SendToInstance(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                    UINT timeoutMs = kInstanceSendTimeoutMs) noexcept;

// This process's executable path (empty when longer than MAX_PATH).
std::wstring OwnModulePath();

// Starts this program again, from its own folder, with `parameters`. False when its path
// cannot be read (nothing is started then); a start the shell refuses is traced.
bool RelaunchSelf(std::wstring_view parameters) noexcept;

}  // namespace brimlet::win32
