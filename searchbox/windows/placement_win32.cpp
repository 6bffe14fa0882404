#include "placement_win32.h"

namespace brimlet::win32 {
namespace {

std::optional<MonitorAreas> AreasOf(HMONITOR monitor) noexcept {
  if (!monitor) return std::nullopt;
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return MonitorAreas{ToRect(info.rcMonitor), ToRect(info.rcWork)};
}

int32_t ScreenWidth() noexcept { return ::GetSystemMetrics(SM_CXSCREEN); }
int32_t ScreenHeight() noexcept { return ::GetSystemMetrics(SM_CYSCREEN); }

}  // namespace

std::optional<MonitorAreas> MonitorNearPoint(POINT point) noexcept {
  return AreasOf(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

std::optional<MonitorAreas> MonitorNearWindow(HWND window) noexcept {
  return AreasOf(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

std::optional<MonitorAreas> MonitorNearRect(const Rect& rect) noexcept {
  const RECT r = ToRECT(rect);
  return AreasOf(::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
}

uint32_t WindowDpi(HWND window) noexcept {
  // Looked up at run time: the programs still start on systems without it.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<uint32_t>(dpi) : 96;
}

void CentreOnCursorMonitor(HWND window) noexcept {
  RECT current{};
  if (!::GetWindowRect(window, &current)) return;
  POINT cursor{};
  std::optional<MonitorAreas> monitor;
  if (::GetCursorPos(&cursor)) monitor = MonitorNearPoint(cursor);
  const Rect area = CentringArea(monitor, ScreenWidth(), ScreenHeight());
  const Rect target = CentreOn(ToRect(current), area);
  ::SetWindowPos(window, nullptr, target.left, target.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void BringToForeground(HWND window) noexcept {
  if (!::IsWindow(window)) return;
  const DWORD foregroundThread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
  const DWORD ownThread = ::GetCurrentThreadId();
  bool attached = false;
  if (foregroundThread != 0 && foregroundThread != ownThread) {
    attached = ::AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE;
    ::AllowSetForegroundWindow(ASFW_ANY);
  }
  ::SetForegroundWindow(window);
  if (attached) ::AttachThreadInput(ownThread, foregroundThread, FALSE);
}

void SnapWindowRect(HWND window, RECT& rect, int32_t distance) noexcept {
  std::optional<MonitorAreas> monitor = MonitorNearWindow(window);
  Rect snapped = ToRect(rect);
  try {
    const std::vector<Rect> candidates = SnapCandidates(monitor, ScreenWidth(), ScreenHeight());
    snapped = SnapRect(snapped, candidates, distance);
  } catch (...) {
    return;  // out of memory while dragging: leave the rectangle as the user moved it
  }
  rect = ToRECT(snapped);
}

RECT WindowRectIn(HWND window, HWND reference) noexcept {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  if (reference) ::MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool ApplyOpacity(HWND window, int32_t percent) noexcept {
  const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  return ::SetLayeredWindowAttributes(window, 0, OpacityToAlpha(percent), LWA_ALPHA) != FALSE;
}

}  // namespace brimlet::win32
