#include "placement.h"

#include <algorithm>
#include <cstdlib>

namespace brimlet {
namespace {

// The nearer of two edge offsets; a tie of opposite signs (box exactly centred between the
// edges) means no move, an equal pair means that value.
int64_t NearerOffset(int64_t toLow, int64_t toHigh) noexcept {
  const int64_t low = std::llabs(toLow);
  const int64_t high = std::llabs(toHigh);
  if (low < high || toLow == toHigh) return toLow;
  if (low > high) return toHigh;
  return 0;
}

int32_t Clamp32(int64_t v) noexcept {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

Rect CentringArea(const std::optional<MonitorAreas>& monitor, int32_t screenWidth,
                  int32_t screenHeight) noexcept {
  return monitor ? monitor->monitor : Rect{0, 0, screenWidth, screenHeight};
}

std::vector<Rect> SnapCandidates(const std::optional<MonitorAreas>& monitor, int32_t screenWidth,
                                 int32_t screenHeight) {
  if (!monitor) return {Rect{0, 0, screenWidth, screenHeight}};
  return {monitor->work, monitor->monitor};
}

Rect CentreOn(const Rect& window, const Rect& monitor) noexcept {
  const int64_t width = int64_t{window.right} - window.left;
  const int64_t height = int64_t{window.bottom} - window.top;
  const int64_t left = monitor.left + (int64_t{monitor.right} - monitor.left - width) / 2;
  const int64_t top = monitor.top + (int64_t{monitor.bottom} - monitor.top - height) / 2;
  return {Clamp32(left), Clamp32(top), Clamp32(left + width), Clamp32(top + height)};
}

Rect FitInto(const Rect& window, const Rect& area) noexcept {
  const int64_t areaWidth = std::max<int64_t>(0, int64_t{area.right} - area.left);
  const int64_t areaHeight = std::max<int64_t>(0, int64_t{area.bottom} - area.top);
  const int64_t width = std::clamp<int64_t>(int64_t{window.right} - window.left, 0, areaWidth);
  const int64_t height = std::clamp<int64_t>(int64_t{window.bottom} - window.top, 0, areaHeight);
  const int64_t left = std::clamp<int64_t>(window.left, area.left, area.left + areaWidth - width);
  const int64_t top = std::clamp<int64_t>(window.top, area.top, area.top + areaHeight - height);
  return {Clamp32(left), Clamp32(top), Clamp32(left + width), Clamp32(top + height)};
}

Rect OpeningRect(const Rect& window, const std::optional<Rect>& restored, const Rect& centringArea,
                 const Rect& work) noexcept {
  if (!restored) return FitInto(CentreOn(window, centringArea), work);
  Rect opening = *restored;
  if (restored->right <= restored->left || restored->bottom <= restored->top) {
    opening.right = Clamp32(int64_t{restored->left} + window.right - window.left);
    opening.bottom = Clamp32(int64_t{restored->top} + window.bottom - window.top);
  }
  return FitInto(opening, work);
}

int32_t ScaleForDpi(int32_t pixelsAt96, uint32_t dpi) noexcept {
  if (dpi == 0) return pixelsAt96;
  const int64_t scaled = int64_t{pixelsAt96} * dpi;
  return Clamp32(scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96);
}

Rect SnapRect(const Rect& box, std::span<const Rect> candidates, int32_t distance) noexcept {
  const int64_t width = int64_t{box.right} - box.left;
  const int64_t height = int64_t{box.bottom} - box.top;
  int64_t left = box.left;
  int64_t top = box.top;
  bool leftMark = false, rightMark = false, upMark = false, downMark = false;
  for (const Rect& c : candidates) {
    const int64_t dx = NearerOffset(c.left - left, c.right - (left + width));
    const int64_t dy = NearerOffset(c.top - top, c.bottom - (top + height));
    if (std::llabs(dx) <= distance) {
      if (dx < 0) {
        if (!leftMark) left += dx;
        leftMark = true;
      } else {
        if (!rightMark) left += dx;
        rightMark = true;
      }
    }
    if (std::llabs(dy) <= distance) {
      if (dy < 0) {
        if (!upMark) top += dy;
        upMark = true;
      } else {
        if (!downMark) top += dy;
        downMark = true;
      }
    }
  }
  return {Clamp32(left), Clamp32(top), Clamp32(left + width), Clamp32(top + height)};
}

uint8_t OpacityToAlpha(int32_t percent) noexcept {
  // Below the lowest offered setting (or above 100 %, where the low 8 bits wrap) a stored
  // value would leave an invisible box that still takes the keyboard: such a value is opaque.
  if (percent < kLowestOfferedOpacity || percent > 100) return 255;
  const float alpha = static_cast<float>(percent) * 2.55f;
  // Through 64 bits: a hostile percentage must not make the conversion undefined.
  return static_cast<uint8_t>(static_cast<int64_t>(alpha) & 0xFF);
}

}  // namespace brimlet
