#include "window_shape.h"

#include <stdexcept>

namespace brimlet {
namespace {

constexpr size_t kBytesPerPixel = 4;
constexpr size_t kAlphaOffset = 3;

bool Covers(const ArgbPixels& pixels) noexcept {
  if (pixels.width < 0 || pixels.height < 0) return false;
  if (pixels.width == 0 || pixels.height == 0) return true;
  const size_t rowBytes = static_cast<size_t>(pixels.width) * kBytesPerPixel;
  if (pixels.stride < rowBytes || pixels.bytes.size() < rowBytes) return false;
  // The last row needs only its own pixels, not a whole stride.
  const size_t rowsAfterFirst = static_cast<size_t>(pixels.height) - 1;
  return rowsAfterFirst <= (pixels.bytes.size() - rowBytes) / pixels.stride;
}

}  // namespace

std::vector<Rect> ShapeRuns(const ArgbPixels& pixels, uint8_t threshold) {
  if (!Covers(pixels)) throw std::invalid_argument("picture bytes do not cover its size");
  const auto inside = [threshold](std::byte alpha) {
    const auto a = static_cast<uint8_t>(alpha);
    return a != 0 && a >= threshold;
  };
  std::vector<Rect> runs;
  for (int32_t y = 0; y < pixels.height; ++y) {
    const std::byte* row = pixels.bytes.data() + static_cast<size_t>(y) * pixels.stride;
    int32_t x = 0;
    while (x < pixels.width) {
      if (!inside(row[static_cast<size_t>(x) * kBytesPerPixel + kAlphaOffset])) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < pixels.width &&
             inside(row[static_cast<size_t>(x) * kBytesPerPixel + kAlphaOffset])) {
        ++x;
      }
      runs.push_back({start, y, x, y + 1});
    }
  }
  return runs;
}

}  // namespace brimlet
