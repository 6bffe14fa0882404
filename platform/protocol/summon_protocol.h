// How the three programs ask each other for the search box. The keyboard hook runs inside
// whatever program has the focus: it only grants the foreground and posts a message; the
// host (Tessiv.exe) or the box process prepared in advance does the rest with its own token.
#pragma once

#include <cstdint>

namespace brimlet::summon {

// WM_APP + 0x40, posted to the host's hidden window or to the ready box's window. The
// private range: both windows are this system's own.
inline constexpr unsigned kSummonMessage = 0x8000 + 0x40;
// Its wParam.
inline constexpr uintptr_t kSummonAsked = 0;  // a double press, the tray or a second host
// From a ready box that cannot show what a cold start would show now: the host starts a new
// box process instead of posting the summon back to it.
inline constexpr uintptr_t kSummonCold = 1;
// From a box or the settings dialog: the host starts the other one, in the job that ends it
// with the host (a program started by a box itself would outlive the host).
inline constexpr uintptr_t kStartSettingsFromBox = 2;
inline constexpr uintptr_t kStartBoxFromSettings = 3;
// The command lines of those starts, as Brimlet.exe would start itself.
inline constexpr wchar_t kSettingsFromBoxArguments[] = L"/config /RUNSEARCHBOX";
inline constexpr wchar_t kBoxFromSettingsArguments[] = L"/search /FROMCONFIGURE";

// Posted by a ready box to the host once it can be shown: wParam its process id, lParam its
// window. The host takes it only from the process it started as its ready box.
inline constexpr unsigned kReadyBoxReadyMessage = 0x8000 + 0x41;

// How a ready box process ends (its exit code), so the host knows whether to replace it.
inline constexpr int kReadyExitClosed = 0x100;         // shown, then closed by the user
inline constexpr int kReadyExitGaveWay = 0x101;        // asked the host for a cold box
inline constexpr int kReadyExitCannotPrepare = 0x102;  // its design cannot be prepared here

// A key that the hook of the program in front held back after a double press the ready box
// answers, posted to that box's window in the order typed: wParam the virtual key, lParam
// the key message's own lParam (scan code, extended flag, transition). The box types it
// again once it has the keyboard.
inline constexpr unsigned kHeldKeyMessage = 0x8000 + 0x43;
// What a hook holds at most after one double press: key events, and milliseconds.
inline constexpr uint32_t kMaxHeldKeys = 32;
inline constexpr uint32_t kHoldMilliseconds = 400;

// The ready box's message-only window (HWND_MESSAGE): one per box process the host started
// in advance, from its preparation until its box has closed.
inline constexpr wchar_t kReadyBoxWindowClass[] = L"BrimletReadyBox";
inline constexpr wchar_t kReadyBoxWindowTitle[] = L"Brimlet ready box";

// The host's hidden window.
inline constexpr wchar_t kHostWindowClass[] = L"Zelvo_Gadget_WndClass";
inline constexpr wchar_t kHostWindowTitle[] = L"Zelvo Gadget";

}  // namespace brimlet::summon
