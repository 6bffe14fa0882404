// Which pixels of the background picture belong to the box, as runs one row high.
#include "window_shape.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace brimlet {
namespace {

// A picture from rows of alpha values; colour bytes are set so that only alpha can matter.
struct Picture {
  std::vector<std::byte> bytes;
  ArgbPixels pixels;
};

Picture FromAlpha(const std::vector<std::vector<int>>& rows, size_t padding = 0) {
  Picture picture;
  const auto width = static_cast<int32_t>(rows.empty() ? 0 : rows[0].size());
  const size_t stride = static_cast<size_t>(width) * 4 + padding;
  picture.bytes.assign(stride * rows.size(), std::byte{0xFF});
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      picture.bytes[y * stride + x * 4 + 3] = static_cast<std::byte>(rows[y][x]);
    }
  }
  picture.pixels = {picture.bytes, width, static_cast<int32_t>(rows.size()), stride};
  return picture;
}

TEST(ShapeRunsTest, RunsOfOpaquePixels) {
  struct Case {
    const char* name;
    std::vector<std::vector<int>> alpha;
    std::vector<Rect> expected;
  };
  const Case cases[] = {
      {"one opaque row at the top", {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}}, {{0, 0, 3, 1}}},
      {"semi-transparent pixels are outside",
       {{1, 254, 128}, {255, 200, 255}},
       {{0, 1, 1, 2}, {2, 1, 3, 2}}},
      {"all transparent gives nothing", {{0, 0}, {0, 0}}, {}},
      {"runs touching both row ends",
       {{255, 0, 0, 255}, {255, 255, 0, 255}},
       {{0, 0, 1, 1}, {3, 0, 4, 1}, {0, 1, 2, 2}, {3, 1, 4, 2}}},
      {"a whole opaque picture is one run per row",
       {{255, 255}, {255, 255}},
       {{0, 0, 2, 1}, {0, 1, 2, 2}}},
  };
  for (const Case& c : cases) {
    const Picture picture = FromAlpha(c.alpha);
    EXPECT_EQ(ShapeRuns(picture.pixels, kBoxShapeThreshold), c.expected) << c.name;
  }
}

TEST(ShapeRunsTest, ThresholdBelowOpaqueStillLeavesZeroAlphaOutside) {
  const Picture picture = FromAlpha({{0, 1, 127, 128, 0}});
  EXPECT_EQ(ShapeRuns(picture.pixels, 128), (std::vector<Rect>{{3, 0, 4, 1}}));
  EXPECT_EQ(ShapeRuns(picture.pixels, 0), (std::vector<Rect>{{1, 0, 4, 1}}));
}

TEST(ShapeRunsTest, RowPaddingIsNotPartOfThePicture) {
  // The padding bytes are 0xFF, so reading past a row's width would add pixels.
  const Picture picture = FromAlpha({{0, 255}, {255, 0}}, 8);
  EXPECT_EQ(ShapeRuns(picture.pixels, kBoxShapeThreshold),
            (std::vector<Rect>{{1, 0, 2, 1}, {0, 1, 1, 2}}));
}

TEST(ShapeRunsTest, BytesShorterThanTheSizesAreRefused) {
  std::vector<std::byte> bytes(2 * 2 * 4 - 1, std::byte{0xFF});
  EXPECT_THROW(ShapeRuns({bytes, 2, 2, 8}, kBoxShapeThreshold), std::invalid_argument);
  EXPECT_THROW(ShapeRuns({bytes, 2, 1, 4}, kBoxShapeThreshold), std::invalid_argument)
      << "stride shorter than a row";
  // The last row needs no padding after it.
  std::vector<std::byte> exact(8 + 16 + 8, std::byte{0xFF});
  EXPECT_EQ(ShapeRuns({exact, 2, 2, 24}, kBoxShapeThreshold).size(), 2u);
}

}  // namespace
}  // namespace brimlet
