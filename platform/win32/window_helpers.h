// What windows of every kind ask of the system alike: where a window lies in another's
// client area, and taking the foreground.
#pragma once

#include <windows.h>

namespace brimlet::win32 {

// The window's rectangle in `reference`'s client coordinates; in screen coordinates
// without a reference.
RECT WindowRectIn(HWND window, HWND reference = nullptr) noexcept;

// The rectangle of `parent`'s child control `id` in the parent's client coordinates.
RECT ChildRectIn(HWND parent, int id) noexcept;

// Brings a window of this or another process to the foreground, also from behind another
// thread's foreground window: lets any process take the foreground (the target's own
// SetForegroundWindow then works), attaches to the foreground thread's input while asking,
// and detaches only what was attached. A handle that is no window is ignored.
void BringToForeground(HWND window) noexcept;

}  // namespace brimlet::win32
