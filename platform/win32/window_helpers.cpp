#include "win32/window_helpers.h"

namespace brimlet::win32 {

RECT WindowRectIn(HWND window, HWND reference) noexcept {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  if (reference) ::MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT ChildRectIn(HWND parent, int id) noexcept {
  return WindowRectIn(::GetDlgItem(parent, id), parent);
}

void BringToForeground(HWND window) noexcept {
  if (!::IsWindow(window)) return;
  const DWORD foregroundThread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
  const DWORD ownThread = ::GetCurrentThreadId();
  bool attached = false;
  if (foregroundThread != 0 && foregroundThread != ownThread) {
    attached = ::AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE;
  }
  ::AllowSetForegroundWindow(ASFW_ANY);
  ::SetForegroundWindow(window);
  if (attached) ::AttachThreadInput(ownThread, foregroundThread, FALSE);
}

}  // namespace brimlet::win32
