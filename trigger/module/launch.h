// Starting the search-box program, which lies beside this module, with one switch, and
// asking for the search box.
#pragma once

#include <windows.h>

namespace brimlet::trigger {

// Recorded by DllMain; the path of this module is found from it in whichever process it runs.
extern HMODULE g_module;

// The desktop and full-screen check: false while the input desktop is out of reach or a
// topmost window covers the whole monitor it is on.
bool IsTriggerAllowed() noexcept;
// "config" or "start", for the host: the program runs in a job that ends it with the host.
// Silent on failure; the start is not awaited.
void LaunchSearchBox(const wchar_t* switchWord) noexcept;
// Grants the foreground to the ready box's process, else the host's, and posts it the summon
// message; no wait, nothing allocated. The ready box's window when it was asked, else null
// (the host was asked, or neither was found, or the post failed).
HWND AskForSearchBox() noexcept;
// Asks for the box when IsTriggerAllowed says so; the same result.
HWND ShowSearchBox() noexcept;

}  // namespace brimlet::trigger
