// Pictures of the classic search box: the recoloured system button icons, engine icons
// loaded from the catalogue's image folder, and the engine menu's item bitmaps.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "search_engine_item.h"

namespace brimlet::win32 {

// The icon resources at size x size side by side in one 32-bit picture with alpha, their
// black turned into `black` (the toolbar glyphs are drawn black and take the system's dark
// shadow colour): one image list addition for all of them, where each icon added on its own
// costs a box's start-up milliseconds under Wine. An icon that cannot load leaves its place
// clear; nothing when the picture cannot be made.
HBITMAP LoadRecolouredStrip(HINSTANCE module, std::span<const int> ids, int size,
                            COLORREF black) noexcept;

// An engine's icon file (an .ico, or any picture the imaging library reads) as a
// size x size icon; nothing when the file cannot be read.
HICON LoadEngineIcon(const std::wstring& path, int size) noexcept;

// A user service's picture, drawn by the program at any size: its name's first character in
// white on a square whose colour the name picks.
HICON DrawLetterIcon(std::u16string_view name, int size) noexcept;

// The engine's icon at size x size: a catalogue engine's file, a user service's letter.
HICON EngineIcon(const ISearchEngineItem& engine, int size) noexcept;

// A 32-bit picture of the icon drawn over an opaque background colour, for a menu item.
HBITMAP IconToMenuBitmap(HICON icon, int width, int height, COLORREF background) noexcept;

}  // namespace brimlet::win32
