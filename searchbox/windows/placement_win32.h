// Placement on the real desktop: monitor lookups, centring, foreground, snapping and
// opacity. The rules are in placement.h; these only gather the platform's numbers and
// apply the result.
#pragma once

#include <windows.h>

#include <optional>

#include "placement.h"
// The boxes take the foreground and measure child windows through the framework.
#include "win32/window_helpers.h"

namespace brimlet::win32 {

inline Rect ToRect(const RECT& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const Rect& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }

// The monitor nearest to a screen point or to a window; nothing when the lookup fails.
std::optional<MonitorAreas> MonitorNearPoint(POINT point) noexcept;
std::optional<MonitorAreas> MonitorNearWindow(HWND window) noexcept;
std::optional<MonitorAreas> MonitorNearRect(const Rect& rect) noexcept;

// The DPI the window is drawn at: its monitor's where the system says (per-monitor
// awareness, Windows 10 on), else the system's.
uint32_t WindowDpi(HWND window) noexcept;

// Moves the window, size unchanged, to the centre of the monitor under the cursor (not
// activating, not redrawing, Z order kept).
void CentreOnCursorMonitor(HWND window) noexcept;

// Adjusts a dragged window's rectangle so it snaps to its monitor's work area and edges.
void SnapWindowRect(HWND window, RECT& rect, int32_t distance = kSnapDistance) noexcept;

// Makes the window layered (when it is not yet) with the constant alpha of the opacity.
bool ApplyOpacity(HWND window, int32_t percent) noexcept;

}  // namespace brimlet::win32
