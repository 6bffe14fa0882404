// The two box designs as the program's entry runs them. Each creates its window, adds its
// message filter to `loop`, runs the loop and returns its exit code, or -1 when the window
// cannot be created.
#pragma once

#include "settings.h"
#include "win32/message_loop.h"

namespace brimlet::win32 {

int RunPageSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept;
int RunClassicSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept;

}  // namespace brimlet::win32
