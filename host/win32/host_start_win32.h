// The host's start rule (start/host_start.h) on this machine's tokens, and the restart it
// may ask for.
#pragma once

#include "start/host_start.h"

namespace brimlet::win32 {

// This process's token and the desktop shell's, as the rule wants them.
TokenKind OwnTokenKind() noexcept;
ShellToken DesktopShellToken() noexcept;

// Starts this program again through the desktop's shell, with no parameters, in its own
// folder. False (traced) when the shell did not take the request.
bool RestartThroughShell() noexcept;

}  // namespace brimlet::win32
