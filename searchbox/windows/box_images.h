// Pictures of the classic search box: the recoloured system button icons, engine icons
// loaded from the catalogue's image folder, and the engine menu's item bitmaps.
#pragma once

#include <windows.h>

#include <string>

namespace brimlet::win32 {

// The icon resource at size x size with its black turned into `black` (the toolbar glyphs
// are drawn black and take the system's dark shadow colour). Nothing when it cannot load.
HICON LoadRecolouredIcon(HINSTANCE module, int id, int size, COLORREF black) noexcept;

// An engine's icon file (an .ico, or any picture the imaging library reads) as a
// size x size icon; nothing when the file cannot be read.
HICON LoadEngineIcon(const std::wstring& path, int size) noexcept;

// A 32-bit picture of the icon drawn over an opaque background colour, for a menu item.
HBITMAP IconToMenuBitmap(HICON icon, int width, int height, COLORREF background) noexcept;

}  // namespace brimlet::win32
