// Placement arithmetic shared by both box designs: centring on a monitor, snapping a dragged
// box to the edges of its monitor, and the opacity setting as a window alpha. Plain integer
// rules, so every edge case is checked without a screen.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ports/geometry.h"

namespace brimlet {

// The distance within which the page-based box jumps onto an edge while it is dragged.
inline constexpr int32_t kSnapDistance = 16;

// A monitor as the platform describes it: its full rectangle and its work area (without
// task bars).
struct MonitorAreas {
  Rect monitor;
  Rect work;
};

// Where a box is centred: the full rectangle of the monitor nearest the cursor, or the
// whole primary screen when no monitor is found.
Rect CentringArea(const std::optional<MonitorAreas>& monitor, int32_t screenWidth,
                  int32_t screenHeight) noexcept;
// What a box snaps to, in order: the work area, then the full monitor; without a monitor
// only the whole primary screen.
std::vector<Rect> SnapCandidates(const std::optional<MonitorAreas>& monitor, int32_t screenWidth,
                                 int32_t screenHeight);

// The window moved (same size) so that it is centred on the monitor rectangle; the offset
// is truncated integer division, negative when the window is larger than the monitor.
Rect CentreOn(const Rect& window, const Rect& monitor) noexcept;

// The window no larger than the area and moved the least distance that puts it inside: a
// box opened at a high DPI, or restored from a larger screen, never runs off the work area.
Rect FitInto(const Rect& window, const Rect& area) noexcept;

// Where the classic box opens: the restored rectangle when there is one (an empty one only
// gives its top-left corner to the window's size), else the window centred on the centring
// area; either way fitted into the work area of the monitor it lands on.
Rect OpeningRect(const Rect& window, const std::optional<Rect>& restored, const Rect& centringArea,
                 const Rect& work) noexcept;

// A length drawn for 96 DPI at another DPI, rounded to the nearest pixel (16 px icons are
// 24 px at 144 DPI, 12 px glyphs 24 px at 192). A DPI of 0 (unknown) counts as 96.
int32_t ScaleForDpi(int32_t pixelsAt96, uint32_t dpi) noexcept;

// Moves the box onto any edge of the candidates (the work area first, then the full
// monitor) that lies within `distance`. Each direction moves at most once, so an edge found
// in the work area is not undone by the monitor's edge a few pixels further out. The size
// never changes.
Rect SnapRect(const Rect& box, std::span<const Rect> candidates, int32_t distance) noexcept;

// The settings offer 100, 90, 80, 60, 40 and 20 per cent.
inline constexpr int32_t kLowestOfferedOpacity = 20;

// "SearchBoxTransparency" (percent) to the constant alpha of a layered window: percent
// times 2.55 in single precision, truncated (100 → 255, 90 → 229, 20 → 51). A value outside
// 20 to 100 gives 255: a damaged setting never hides the box.
uint8_t OpacityToAlpha(int32_t percent) noexcept;

}  // namespace brimlet
