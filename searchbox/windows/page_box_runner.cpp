// The search role's page-based box: the catalogue is loaded for the window, which keeps its
// own copy, and the loop runs until the box posts its quit message. A box that cannot be
// made, or whose page never shows it, gives -1 so the entry falls back to the classic box.
#include "box_runners.h"

#include "box_shell.h"
#include "page_box_window.h"
#include "win32/startup_timeline.h"
#include "win32/trace.h"

namespace brimlet::win32 {

int RunPageSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    BoxStartup().Mark(u"box");
    SearchBoxWindowEx box(module.Instance(), loop, settings);
    const ScopedMessageFilter filter(loop, &box);
    box.SetCatalogue(LoadBoxCatalogue().get());
    BoxStartup().Mark(u"catalogue");
    if (box.Create() == nullptr) {
      return -1;
    }
    const int result = loop.Run();
    return box.GaveUp() ? -1 : result;
  }
  BRIMLET_CATCH_RETURN_VALUE(-1)
}

}  // namespace brimlet::win32
