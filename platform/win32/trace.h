// The one trace facility: a line on the debugger output (a debug viewer, or Wine's
// WINEDEBUG=+debugstr, shows it). Failures the user must not see stay visible to a developer
// this way; there is no log file.
#pragma once

#include <string_view>

namespace brimlet::win32 {

// Writes the text followed by "\r\n".
void Trace(std::u16string_view text) noexcept;

}  // namespace brimlet::win32
