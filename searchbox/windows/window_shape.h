// The page-based box's outline: the pixels of its background picture that are opaque
// enough, as horizontal runs one row high, ready to become a window region.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ports/geometry.h"

namespace brimlet {

// Only fully opaque pixels belong to the box: its soft, half-transparent edge stays outside.
inline constexpr uint8_t kBoxShapeThreshold = 255;

// A locked 32-bit ARGB picture: rows of `width` pixels, `stride` bytes apart, each pixel
// stored as the bytes B, G, R, A.
struct ArgbPixels {
  std::span<const std::byte> bytes;
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
};

// Row by row from the top, each maximal run of pixels whose alpha is non-zero and at least
// `threshold`, as the rectangle (x0, y, x1, y + 1). Throws std::invalid_argument when the
// bytes do not hold the rows the sizes promise.
std::vector<Rect> ShapeRuns(const ArgbPixels& pixels, uint8_t threshold);

}  // namespace brimlet
