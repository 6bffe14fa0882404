#include "window_shape_win32.h"

#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// The rectangles as region data: a header, then the rectangles. Empty when the count does
// not fit the header's 32-bit sizes.
std::vector<std::byte> RegionData(std::span<const Rect> runs, int32_t width, int32_t height) {
  constexpr size_t kHeader = sizeof(RGNDATAHEADER);
  static_assert(kHeader == 32 && sizeof(RECT) == 16);
  if (runs.size() > (std::numeric_limits<DWORD>::max() - kHeader) / sizeof(RECT)) return {};
  std::vector<std::byte> data(kHeader + runs.size() * sizeof(RECT));
  RGNDATAHEADER header{};
  header.dwSize = kHeader;
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(runs.size());
  header.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  header.rcBound = {0, 0, width, height};
  std::memcpy(data.data(), &header, kHeader);
  for (size_t i = 0; i < runs.size(); ++i) {
    const RECT rect{runs[i].left, runs[i].top, runs[i].right, runs[i].bottom};
    std::memcpy(data.data() + kHeader + i * sizeof(RECT), &rect, sizeof(RECT));
  }
  return data;
}

// The runs of a 32-bit ARGB bitmap, read under a lock that is released on every path.
std::optional<std::vector<Rect>> ReadRuns(Gdiplus::Bitmap& argb, uint8_t threshold) {
  struct Lock {
    Gdiplus::Bitmap& bitmap;
    Gdiplus::BitmapData data{};
    bool held = false;
    ~Lock() {
      if (held) bitmap.UnlockBits(&data);
    }
  } lock{argb};
  const auto width = static_cast<int32_t>(argb.GetWidth());
  const auto height = static_cast<int32_t>(argb.GetHeight());
  Gdiplus::Rect whole(0, 0, width, height);
  lock.held = argb.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &lock.data) ==
              Gdiplus::Ok;
  // A bottom-up layout (negative stride) is never handed out for a bitmap made here.
  if (!lock.held || lock.data.Stride <= 0) return std::nullopt;
  const auto stride = static_cast<size_t>(lock.data.Stride);
  const std::span<const std::byte> bytes(static_cast<const std::byte*>(lock.data.Scan0),
                                         stride * static_cast<size_t>(height));
  return ShapeRuns({bytes, width, height, stride}, threshold);
}

}  // namespace

namespace {

// Draws the picture at `width` x `height` (its own size when both are 0) and cuts it.
std::optional<WindowShape> CutShape(std::u16string_view picturePath, int32_t width, int32_t height,
                                    uint8_t threshold) noexcept {
  try {
    const std::wstring path = ToWide(picturePath);
    Gdiplus::Bitmap picture(path.c_str(), FALSE);
    if (picture.GetLastStatus() != Gdiplus::Ok) return std::nullopt;
    const UINT pictureWidth = picture.GetWidth();
    const UINT pictureHeight = picture.GetHeight();
    constexpr UINT kLargest = static_cast<UINT>(std::numeric_limits<int32_t>::max());
    if (pictureWidth > kLargest || pictureHeight > kLargest) return std::nullopt;
    const bool ownSize = width == 0 && height == 0;
    if (ownSize) {
      width = static_cast<int32_t>(pictureWidth);
      height = static_cast<int32_t>(pictureHeight);
    }
    if (width <= 0 || height <= 0) return std::nullopt;

    // Drawn into a plain ARGB copy, so palette, grey and 16-bit pictures read alike.
    Gdiplus::Bitmap argb(width, height, PixelFormat32bppARGB);
    if (argb.GetLastStatus() != Gdiplus::Ok) return std::nullopt;
    {
      Gdiplus::Graphics graphics(&argb);
      graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
      Gdiplus::Status drawn = Gdiplus::Ok;
      if (ownSize) {
        drawn = graphics.DrawImage(&picture, 0, 0, width, height);
      } else {
        // Smoothed as the browser smooths a zoomed background; the picture's own edge
        // pixels are mirrored rather than blended with nothing beyond them, so an opaque
        // edge stays opaque.
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        drawn = graphics.DrawImage(&picture, Gdiplus::Rect(0, 0, width, height), 0, 0,
                                   static_cast<INT>(pictureWidth), static_cast<INT>(pictureHeight),
                                   Gdiplus::UnitPixel, &edges);
      }
      if (drawn != Gdiplus::Ok) return std::nullopt;
    }
    std::optional<std::vector<Rect>> runs = ReadRuns(argb, threshold);
    if (!runs) return std::nullopt;

    const std::vector<std::byte> data = RegionData(*runs, width, height);
    if (data.empty()) return std::nullopt;
    WindowShape shape;
    shape.region.reset(::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                         reinterpret_cast<const RGNDATA*>(data.data())));
    if (!shape.region) return std::nullopt;
    shape.width = width;
    shape.height = height;
    return shape;
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

}  // namespace

std::optional<WindowShape> LoadWindowShape(std::u16string_view picturePath,
                                           uint8_t threshold) noexcept {
  return CutShape(picturePath, 0, 0, threshold);
}

std::optional<WindowShape> LoadScaledWindowShape(std::u16string_view picturePath, int32_t width,
                                                 int32_t height, uint8_t threshold) noexcept {
  if (width <= 0 || height <= 0) return std::nullopt;
  return CutShape(picturePath, width, height, threshold);
}

}  // namespace brimlet::win32
