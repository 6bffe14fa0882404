// The settings dialog as the program's entry runs it: creates the dialog, adds its message
// filter to `loop`, runs the loop and returns its exit code (0 when it cannot be created).
#pragma once

#include "settings.h"
#include "win32/message_loop.h"

namespace brimlet::win32 {

int RunSettingsDialogWindow(AppModule& module, MessageLoop& loop, Settings& settings) noexcept;

}  // namespace brimlet::win32
