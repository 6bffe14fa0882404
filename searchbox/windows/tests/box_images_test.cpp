// Engine pictures as the box's toolbar takes them: the picture's own pixels, at the asked
// size, the right way up, with their transparency.
#include "box_images.h"

#include <gtest/gtest.h>

#include "picture_files_test_support.h"

namespace brimlet::win32 {
namespace {

using EngineIconTest = PictureFilesTest;

constexpr uint32_t kRed = 0xFFCC0000;
constexpr uint32_t kClear = 0x00000000;

// The icon's pixels as 0xAARRGGBB, top row first; empty when it has none of that size.
std::vector<uint32_t> PixelsOf(HICON icon, int size) {
  ICONINFO info{};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return {};
  UniqueGdiObject color(info.hbmColor);
  UniqueGdiObject mask(info.hbmMask);
  BITMAP bitmap{};
  if (!color || !::GetObjectW(color.get(), sizeof(bitmap), &bitmap) || bitmap.bmWidth != size ||
      bitmap.bmHeight != size) {
    return {};
  }
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(bi.bmiHeader), size, -size, 1, 32, BI_RGB};
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
  HDC screen = ::GetDC(nullptr);
  const int rows = ::GetDIBits(screen, static_cast<HBITMAP>(color.get()), 0, size, pixels.data(),
                               &bi, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return rows == size ? pixels : std::vector<uint32_t>{};
}

// Red in the top left quarter, clear elsewhere: a picture read upside down or mirrored, or
// one that lost its transparency, shows at once.
std::vector<std::vector<uint32_t>> Quarter(int size) {
  std::vector<std::vector<uint32_t>> rows(size, std::vector<uint32_t>(size, kClear));
  for (int y = 0; y < size / 2; ++y) {
    for (int x = 0; x < size / 2; ++x) rows[y][x] = kRed;
  }
  return rows;
}

TEST_F(EngineIconTest, PngAtItsOwnSizeAndScaledUp) {
  const std::wstring path = ToWide(WritePng(L"quarter.png", Quarter(16)));
  for (const int size : {16, 24, 32}) {
    SCOPED_TRACE(size);
    UniqueHIcon icon(LoadEngineIcon(path, size));
    const std::vector<uint32_t> pixels = PixelsOf(icon.get(), size);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(size * size));
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * size + x)]; };
    const int inner = size / 4, outer = size - 1 - size / 4;
    EXPECT_EQ(at(inner, inner), kRed);
    EXPECT_EQ(at(outer, inner) >> 24, 0u);
    EXPECT_EQ(at(inner, outer) >> 24, 0u);
    EXPECT_EQ(at(outer, outer) >> 24, 0u);
  }
}

TEST_F(EngineIconTest, NoIconFromAFileThatOnlyBeginsLikeAPng) {
  const std::string header("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10", 24);
  EXPECT_EQ(LoadEngineIcon(ToWide(WriteBytes(L"cut.png", header)), 16), nullptr);
  EXPECT_EQ(LoadEngineIcon(ToWide(WriteBytes(L"text.png", "not a picture")), 16), nullptr);
  EXPECT_EQ(LoadEngineIcon(folder_ + L"missing.png", 16), nullptr);
}

}  // namespace
}  // namespace brimlet::win32
