// Windows this build does not contain yet. Their roles end as for a window that cannot be
// created, which is what the entry sequence is defined to do in that case.
#include "window_runners.h"

namespace brimlet::win32 {

int RunSettingsDialogWindow(AppModule&, MessageLoop&, Settings&) noexcept { return 0; }

}  // namespace brimlet::win32
