// Starting a program through the desktop's shell, so that it runs with the shell's token and
// not with the caller's: from an elevated process this is the way back to the user's normal
// token (a process started directly inherits the elevated one).
#pragma once

#include <windows.h>

#include <string>

namespace brimlet::win32 {

// Asks the shell process behind the desktop window to open `program` with the parameters in
// the folder. True once the shell took the request; the start is not awaited. COM must be
// initialised on the calling thread.
bool StartThroughDesktopShell(const std::wstring& program, const std::wstring& parameters,
                              const std::wstring& folder) noexcept;

}  // namespace brimlet::win32
