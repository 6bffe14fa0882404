// The window region cut from a background picture, with pictures the test writes itself.
#include "window_shape_win32.h"

#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

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

class WindowShapeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr), Gdiplus::Ok);
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    folder_ =
        std::wstring(temp) + L"brimlet_shape_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::wstring& file : written_) ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder_.c_str());
    Gdiplus::GdiplusShutdown(gdiplus_);
  }

  // A PNG from rows of ARGB pixels, in `format` (alpha is lost in formats without it).
  std::u16string WritePng(const wchar_t* name, const std::vector<std::vector<uint32_t>>& rows,
                          Gdiplus::PixelFormat format = PixelFormat32bppARGB) {
    const std::wstring path = folder_ + name;
    const auto width = static_cast<INT>(rows[0].size());
    const auto height = static_cast<INT>(rows.size());
    Gdiplus::Bitmap bitmap(width, height, format);
    for (INT y = 0; y < height; ++y) {
      for (INT x = 0; x < width; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(rows[y][x]));
    }
    CLSID png{};
    EXPECT_TRUE(PngEncoder(png));
    EXPECT_EQ(bitmap.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
    written_.push_back(path);
    return FromWide(path);
  }
  std::u16string WriteBytes(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = folder_ + name;
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    written_.push_back(path);
    return FromWide(path);
  }

  std::wstring folder_;

 private:
  static bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<std::byte> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
      if (std::wstring(codecs[i].MimeType) == L"image/png") {
        clsid = codecs[i].Clsid;
        return true;
      }
    }
    return false;
  }

  ULONG_PTR gdiplus_ = 0;
  std::vector<std::wstring> written_;
};

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

TEST_F(WindowShapeTest, NoShapeWithoutAPicture) {
  EXPECT_FALSE(LoadWindowShape(FromWide(folder_) + u"missing.png"));
  EXPECT_FALSE(LoadWindowShape(WriteBytes(L"text.png", "not a picture at all\r\n")));
  EXPECT_FALSE(
      LoadWindowShape(WriteBytes(L"cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16))));
}

}  // namespace
}  // namespace brimlet::win32
