// The Windows side of the settings: folders, the system colour default and the input
// method state.
#pragma once

#include <windows.h>

#include <string>

#include "settings.h"

namespace brimlet::win32 {

// GetSysColor(COLOR_WINDOWTEXT), the default of "CustomSearchWordsColor".
ColorRef WindowTextColor() noexcept;
// The settings on the real registry.
Settings& UserSettings() noexcept;

// The user's data folder (below the local application data, not created), with a
// trailing backslash; empty when the folder cannot be found.
std::u16string DataFolder();
// This program's folder, with a trailing backslash.
std::u16string ProgramFolder();

// Saves the window's input method open state and modes; false when it has no input context.
bool SaveImeState(HWND window, Settings& settings) noexcept;
// Restores them; the modes only when the saved state is open.
bool RestoreImeState(HWND window, Settings& settings) noexcept;

}  // namespace brimlet::win32
