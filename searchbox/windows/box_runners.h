// The two box designs as the program's entry runs them. Each creates its window, adds its
// message filter to `loop`, runs the loop and returns its exit code, or -1 when the window
// cannot be created.
#pragma once

#include "roles.h"
#include "settings.h"
#include "win32/message_loop.h"

namespace brimlet::win32 {

int RunPageSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept;
// True once the page-based box could not show in this logon: its boxes are classic ones
// until the next logon.
bool PageFailedThisLogon() noexcept;
int RunClassicSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept;
// The ready role's box: prepared hidden, shown by a summon (ready_box.h); returns the role's
// exit code.
int RunReadySearchBox(AppModule& module, MessageLoop& loop, Settings& settings,
                      IRoleEnvironment& env) noexcept;

}  // namespace brimlet::win32
