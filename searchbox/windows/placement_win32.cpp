#include "placement_win32.h"

#include "win32/trace.h"
#include "win32/unique_resource.h"

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
  const UniqueWindowDc screen(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
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

void SnapWindowRect(HWND window, RECT& rect, int32_t distance) noexcept {
  std::optional<MonitorAreas> monitor = MonitorNearWindow(window);
  Rect snapped = ToRect(rect);
  // Out of memory while dragging: the rectangle stays as the user moved it.
  try {
    const std::vector<Rect> candidates = SnapCandidates(monitor, ScreenWidth(), ScreenHeight());
    snapped = SnapRect(snapped, candidates, distance);
  }
  BRIMLET_CATCH_RETURN_VALUE()
  rect = ToRECT(snapped);
}

bool ApplyOpacity(HWND window, int32_t percent) noexcept {
  const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  return ::SetLayeredWindowAttributes(window, 0, OpacityToAlpha(percent), LWA_ALPHA) != FALSE;
}

}  // namespace brimlet::win32
