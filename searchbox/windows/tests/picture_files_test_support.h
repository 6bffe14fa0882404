// Tests that read pictures: GDI+ started, and a temporary folder the test writes its own
// PNG files and raw bytes into, removed afterwards.
#pragma once

#include <windows.h>
#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win32/unique_resource.h"
#include "win32/wide.h"

namespace brimlet::win32 {

class PictureFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr), Gdiplus::Ok);
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"brimlet_pictures_" + std::to_wstring(::GetCurrentProcessId()) +
              L"\\";
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

}  // namespace brimlet::win32
