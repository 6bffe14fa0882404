// The search role's classic box: the catalogue is loaded for the window, which keeps its
// own copy, and the loop runs until the box posts its quit message.
#include "box_runners.h"

#include "box_shell.h"
#include "classic_box_window.h"
#include "win32/startup_timeline.h"

namespace brimlet::win32 {

int RunClassicSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    BoxStartup().Mark(u"box");
    SearchBoxWindow box(module.Instance(), settings);
    loop.AddFilter(&box);
    box.SetCatalogue(LoadBoxCatalogue().get());
    BoxStartup().Mark(u"catalogue");
    if (box.Create() == nullptr) {
      loop.RemoveFilter(&box);
      return -1;
    }
    BoxStartup().Mark(u"created");
    ::ShowWindow(box.hwnd(), SW_SHOWDEFAULT);
    BoxStartup().Mark(u"shown");
    const int result = loop.Run();
    loop.RemoveFilter(&box);
    return result;
  } catch (...) {
    return -1;
  }
}

}  // namespace brimlet::win32
