// The page-based box's window region, cut from its background picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "win32/unique_resource.h"
#include "window_shape.h"

namespace brimlet::win32 {

struct WindowShape {
  UniqueGdiObject region;  // an HRGN; SetWindowRgn takes it over (call region.release())
  int32_t width = 0;       // the picture's size, which is the window's size
  int32_t height = 0;
};

// The region of the picture's pixels whose alpha meets `threshold`. A picture without such
// pixels gives an empty region. Nothing when the file does not load as a picture, or is too
// large for a region. GDI+ must be running.
std::optional<WindowShape> LoadWindowShape(std::u16string_view picturePath,
                                           uint8_t threshold = kBoxShapeThreshold) noexcept;

// The same for the picture drawn at another size (the box at a higher DPI): scaled as the
// browser scales the page's background, so the region follows the picture the page shows.
// The shape's width and height are the given ones.
std::optional<WindowShape> LoadScaledWindowShape(std::u16string_view picturePath, int32_t width,
                                                 int32_t height,
                                                 uint8_t threshold = kBoxShapeThreshold) noexcept;

}  // namespace brimlet::win32
