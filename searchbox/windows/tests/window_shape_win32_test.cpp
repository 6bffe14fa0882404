// The window region cut from a background picture, with pictures the test writes itself.
#include "window_shape_win32.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "picture_files_test_support.h"
#include "win32/wide.h"

// Beside RECT itself, where the vector comparison and the failure printer look.
bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace brimlet::win32 {
namespace {

// The rectangles GetRegionData reports; the system may merge rows with equal runs.
std::vector<RECT> RectanglesOf(HGDIOBJ region) {
  const auto rgn = static_cast<HRGN>(region);
  const DWORD size = ::GetRegionData(rgn, 0, nullptr);
  std::vector<std::byte> data(size);
  auto* header = reinterpret_cast<RGNDATA*>(data.data());
  if (size == 0 || ::GetRegionData(rgn, size, header) != size) {
    ADD_FAILURE() << "no region data";
    return {};
  }
  const auto* rects = reinterpret_cast<const RECT*>(header->Buffer);
  return {rects, rects + header->rdh.nCount};
}

using WindowShapeTest = PictureFilesTest;

constexpr uint32_t kOpaque = 0xFF336699;
constexpr uint32_t kClear = 0x00336699;

TEST_F(WindowShapeTest, RegionOfTheOpaquePixels) {
  struct Case {
    const wchar_t* name;
    std::vector<std::vector<uint32_t>> pixels;
    std::vector<RECT> expected;
  };
  const Case cases[] = {
      {L"top_row.png",
       {{kOpaque, kOpaque, kOpaque, kOpaque},
        {kClear, kClear, kClear, kClear},
        {kClear, kClear, kClear, kClear}},
       {{0, 0, 4, 1}}},
      {L"semi_transparent.png",
       {{kOpaque, 0xFE336699, 0x01336699, kOpaque, 0x80FFFFFF}},
       {{0, 0, 1, 1}, {3, 0, 4, 1}}},
      {L"rows.png",
       {{kClear, kOpaque, kOpaque}, {kOpaque, kClear, kOpaque}},
       {{1, 0, 3, 1}, {0, 1, 1, 2}, {2, 1, 3, 2}}},
      {L"clear.png", {{kClear, kClear}, {kClear, 0x7F000000}}, {}},
  };
  for (const Case& c : cases) {
    const std::optional<WindowShape> shape = LoadWindowShape(WritePng(c.name, c.pixels));
    ASSERT_TRUE(shape) << c.name;
    EXPECT_EQ(shape->width, static_cast<int32_t>(c.pixels[0].size())) << c.name;
    EXPECT_EQ(shape->height, static_cast<int32_t>(c.pixels.size())) << c.name;
    EXPECT_EQ(RectanglesOf(shape->region.get()), c.expected) << c.name;
  }
}

TEST_F(WindowShapeTest, APictureWithoutAlphaIsOpaqueThroughout) {
  const std::optional<WindowShape> shape = LoadWindowShape(WritePng(
      L"rgb.png", {{0xFF000000, 0xFFFFFFFF}, {0xFF102030, 0xFF405060}}, PixelFormat24bppRGB));
  ASSERT_TRUE(shape);
  EXPECT_EQ(RectanglesOf(shape->region.get()), (std::vector<RECT>{{0, 0, 2, 2}}));
}

TEST_F(WindowShapeTest, AScaledPictureGivesTheScaledShape) {
  // Opaque to its edges: the scaled outline keeps every edge (no blending with what lies
  // beyond the picture).
  const std::u16string opaque = WritePng(L"opaque.png", {{kOpaque, kOpaque}, {kOpaque, kOpaque}});
  for (const auto& [width, height] : {std::pair{3, 3}, std::pair{4, 4}, std::pair{5, 3}}) {
    const std::optional<WindowShape> shape = LoadScaledWindowShape(opaque, width, height);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->width, width);
    EXPECT_EQ(shape->height, height);
    RECT box{};
    ::GetRgnBox(static_cast<HRGN>(shape->region.get()), &box);
    EXPECT_EQ(box, (RECT{0, 0, width, height}));
  }
  // The left half opaque: twice the size keeps the left half, give or take the blended seam.
  const std::optional<WindowShape> half = LoadScaledWindowShape(
      WritePng(L"half.png",
               {{kOpaque, kOpaque, kClear, kClear}, {kOpaque, kOpaque, kClear, kClear}}),
      8, 4);
  ASSERT_TRUE(half);
  RECT box{};
  ::GetRgnBox(static_cast<HRGN>(half->region.get()), &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.bottom, 4);
  EXPECT_GE(box.right, 3);
  EXPECT_LE(box.right, 4);
  EXPECT_FALSE(LoadScaledWindowShape(opaque, 0, 3));
}

TEST_F(WindowShapeTest, NoShapeWithoutAPicture) {
  EXPECT_FALSE(LoadWindowShape(FromWide(folder_) + u"missing.png"));
  EXPECT_FALSE(LoadWindowShape(WriteBytes(L"text.png", "not a picture at all\r\n")));
  EXPECT_FALSE(
      LoadWindowShape(WriteBytes(L"cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16))));
}

}  // namespace
}  // namespace brimlet::win32
