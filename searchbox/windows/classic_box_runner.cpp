// The search role's classic box: the catalogue is loaded for the window, which keeps its
// own copy, and the loop runs until the box posts its quit message.
#include "box_runners.h"

#include "box_shell.h"
#include "classic_box_window.h"
#include "win32/startup_timeline.h"
#include "win32/trace.h"

namespace brimlet::win32 {

int RunClassicSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    BoxStartup().Mark(u"box");
    SearchBoxWindow box(module.Instance(), settings);
    const ScopedMessageFilter filter(loop, &box);
    box.SetCatalogue(LoadBoxCatalogue().get());
    BoxStartup().Mark(u"catalogue");
    if (box.Create() == nullptr) {
      return -1;
    }
    BoxStartup().Mark(u"created");
    ::ShowWindow(box.hwnd(), SW_SHOWDEFAULT);
    BoxStartup().Mark(u"shown");
    return loop.Run();
  }
  BRIMLET_CATCH_RETURN_VALUE(-1)
}

}  // namespace brimlet::win32
