#include "box_images.h"

#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "win32/trace.h"
#include "win32/unique_resource.h"
#include "win32/win32_system.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

struct Dib {
  UniqueGdiObject bitmap;
  uint32_t* pixels = nullptr;  // top-down, 0xAARRGGBB
};

Dib CreateDib(int width, int height) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  Dib dib;
  void* bits = nullptr;
  dib.bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (dib.bitmap) dib.pixels = static_cast<uint32_t*>(bits);
  return dib;
}

// The icon's own pixels with their alpha; an icon without an alpha channel takes it from
// its mask.
bool ReadIconPixels(HICON icon, int size, std::vector<uint32_t>& pixels) noexcept {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return false;
  UniqueGdiObject color(info.hbmColor);
  UniqueGdiObject mask(info.hbmMask);
  if (!color) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  pixels.assign(static_cast<size_t>(size) * size, 0);
  HDC screen = ::GetDC(nullptr);
  const int rows = ::GetDIBits(screen, static_cast<HBITMAP>(color.get()), 0, size, pixels.data(),
                               &bi, DIB_RGB_COLORS);
  bool hasAlpha = false;
  for (uint32_t p : pixels) hasAlpha = hasAlpha || (p >> 24) != 0;
  if (rows == size && !hasAlpha && mask) {
    std::vector<uint32_t> maskPixels(pixels.size(), 0);
    ::GetDIBits(screen, static_cast<HBITMAP>(mask.get()), 0, size, maskPixels.data(), &bi,
                DIB_RGB_COLORS);
    for (size_t i = 0; i < pixels.size(); ++i) {
      if ((maskPixels[i] & 0xFFFFFF) == 0) pixels[i] |= 0xFF000000u;
    }
  }
  ::ReleaseDC(nullptr, screen);
  return rows == size;
}

// Engine pictures are a few hundred bytes; a larger file takes the imaging library's road.
constexpr size_t kMaxDirectPngBytes = 256 * 1024;

// True when the bytes begin with a PNG signature and a header chunk declaring size x size.
bool IsPngOfSize(const std::vector<std::byte>& bytes, int size) noexcept {
  static constexpr std::array<unsigned char, 16> kStart = {
      0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (bytes.size() < 24 || std::memcmp(bytes.data(), kStart.data(), kStart.size()) != 0) {
    return false;
  }
  const auto big = [&bytes](size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | std::to_integer<uint32_t>(bytes[at + i]);
    return value;
  };
  const auto wanted = static_cast<uint32_t>(size);
  return big(16) == wanted && big(20) == wanted;
}

// A PNG drawn at the asked size becomes an icon through the system itself (it reads PNG
// icon images): the imaging library's first decode loads the platform's codecs, which under
// Wine is a tenth of the box's whole start-up, before its first paint.
HICON IconFromPngOfSize(const std::wstring& path, int size) noexcept {
  try {
    const Win32FileSystem files;
    std::optional<std::vector<std::byte>> bytes =
        files.ReadFile(FromWide(path), kMaxDirectPngBytes);
    if (!bytes || !IsPngOfSize(*bytes, size)) return nullptr;
    return ::CreateIconFromResourceEx(reinterpret_cast<BYTE*>(bytes->data()),
                                      static_cast<DWORD>(bytes->size()), TRUE, 0x00030000, size,
                                      size, LR_DEFAULTCOLOR);
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

}  // namespace

HBITMAP LoadRecolouredStrip(HINSTANCE module, std::span<const int> ids, int size,
                            COLORREF black) noexcept {
  try {
    Dib strip = CreateDib(static_cast<int>(ids.size()) * size, size);
    if (!strip.pixels) return nullptr;
    const size_t stride = ids.size() * static_cast<size_t>(size);
    std::fill_n(strip.pixels, stride * static_cast<size_t>(size), 0u);
    const uint32_t replacement =
        (GetRValue(black) << 16) | (GetGValue(black) << 8) | GetBValue(black);
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < ids.size(); ++i) {
      UniqueHIcon icon(static_cast<HICON>(
          ::LoadImageW(module, MAKEINTRESOURCEW(ids[i]), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
      if (!icon || !ReadIconPixels(icon.get(), size, pixels)) {
        Trace(u"Brimlet: a button picture could not be loaded");
        continue;  // its place stays clear
      }
      for (uint32_t& p : pixels) {
        if ((p & 0xFFFFFF) == 0 && (p >> 24) != 0) {
          // Premultiplied like the source, so partly transparent edge pixels stay smooth.
          const uint32_t a = p >> 24;
          const uint32_t r = ((replacement >> 16) & 0xFF) * a / 255;
          const uint32_t g = ((replacement >> 8) & 0xFF) * a / 255;
          const uint32_t b = (replacement & 0xFF) * a / 255;
          p = (a << 24) | (r << 16) | (g << 8) | b;
        }
      }
      for (int y = 0; y < size; ++y) {
        std::copy_n(pixels.begin() + static_cast<ptrdiff_t>(y) * size, size,
                    strip.pixels + y * stride + i * static_cast<size_t>(size));
      }
    }
    return static_cast<HBITMAP>(strip.bitmap.release());
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

HICON LoadEngineIcon(const std::wstring& path, int size) noexcept {
  if (path.empty() || path.back() == L'\\') return nullptr;
  if (HICON icon = static_cast<HICON>(
          ::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE))) {
    return icon;
  }
  if (HICON icon = IconFromPngOfSize(path, size)) return icon;
  // Other sizes, GIF, BMP: through the imaging library (started by the search role).
  std::unique_ptr<Gdiplus::Bitmap> source(Gdiplus::Bitmap::FromFile(path.c_str()));
  if (!source || source->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Bitmap scaled(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&scaled);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.DrawImage(source.get(), 0, 0, size, size);
  }
  HICON icon = nullptr;
  if (scaled.GetHICON(&icon) != Gdiplus::Ok) return nullptr;
  return icon;
}

HBITMAP IconToMenuBitmap(HICON icon, int width, int height, COLORREF background) noexcept {
  Dib dib = CreateDib(width, height);
  if (!dib.pixels) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, dib.bitmap.get());
  RECT rc{0, 0, width, height};
  HBRUSH brush = ::CreateSolidBrush(background);
  ::FillRect(dc, &rc, brush);
  ::DeleteObject(brush);
  ::DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  ::GdiFlush();
  // Opaque everywhere: a menu takes a 32-bit bitmap's alpha at its word.
  for (int i = 0; i < width * height; ++i) dib.pixels[i] |= 0xFF000000u;
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return static_cast<HBITMAP>(dib.bitmap.release());
}

HICON DrawLetterIcon(std::u16string_view name, int size) noexcept {
  try {
    // Colours that keep white text readable; the name picks one, so a service keeps its colour.
    static constexpr COLORREF kColours[] = {RGB(0x1E, 0x6F, 0xC8), RGB(0xC8, 0x3C, 0x2E),
                                            RGB(0x2E, 0x8B, 0x57), RGB(0x8E, 0x44, 0xAD),
                                            RGB(0xD3, 0x6B, 0x00), RGB(0x00, 0x7C, 0x89),
                                            RGB(0x6D, 0x4C, 0x41), RGB(0x54, 0x6E, 0x7A)};
    uint32_t hash = 0;
    for (char16_t c : name) hash = hash * 31 + c;
    std::wstring letter;
    if (!name.empty()) {
      const bool pair = name.size() > 1 && name[0] >= 0xD800 && name[0] <= 0xDBFF;
      letter = ToWide(name.substr(0, pair ? 2 : 1));
      if (letter.size() == 1 && letter[0] >= L'a' && letter[0] <= L'z') letter[0] -= L'a' - L'A';
    }
    Dib dib = CreateDib(size, size);
    if (!dib.pixels) return nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = ::SelectObject(dc, dib.bitmap.get());
    RECT rc{0, 0, size, size};
    UniqueGdiObject brush(::CreateSolidBrush(kColours[hash % std::size(kColours)]));
    ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.get()));
    UniqueGdiObject font(::CreateFontW(-std::max(1, size * 3 / 4), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                       FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                       L"Meiryo UI"));
    HGDIOBJ oldFont = ::SelectObject(dc, font.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    ::DrawTextW(dc, letter.c_str(), static_cast<int>(letter.size()), &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::GdiFlush();
    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBitmap);
    ::DeleteDC(dc);
    // GDI leaves the alpha at zero: the whole square is opaque.
    for (int i = 0; i < size * size; ++i) dib.pixels[i] |= 0xFF000000u;
    UniqueGdiObject mask(::CreateBitmap(size, size, 1, 1, nullptr));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = static_cast<HBITMAP>(dib.bitmap.get());
    info.hbmMask = static_cast<HBITMAP>(mask.get());
    return ::CreateIconIndirect(&info);
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

HICON EngineIcon(const ISearchEngineItem& engine, int size) noexcept {
  try {
    if (engine.IsUserService()) return DrawLetterIcon(engine.GetName(), size);
    return LoadEngineIcon(ToWide(engine.GetImagePath()), size);
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

}  // namespace brimlet::win32
