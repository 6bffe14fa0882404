// Screen geometry in plain integers, shared by portable placement code and the windows.
#pragma once

#include <cstdint>

namespace brimlet {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const noexcept { return right - left; }
  int32_t Height() const noexcept { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace brimlet
