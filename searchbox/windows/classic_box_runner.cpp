// The search role's classic box: the catalogue is loaded for the window, which keeps its
// own copy, and the loop runs until the box posts its quit message.
#include "box_shell.h"
#include "classic_box_window.h"
#include "window_runners.h"

namespace brimlet::win32 {

int RunClassicSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    SearchBoxWindow box(module.Instance(), settings);
    loop.AddFilter(&box);
    box.SetCatalogue(LoadBoxCatalogue().get());
    if (box.Create() == nullptr) {
      loop.RemoveFilter(&box);
      return -1;
    }
    ::ShowWindow(box.hwnd(), SW_SHOWDEFAULT);
    const int result = loop.Run();
    loop.RemoveFilter(&box);
    return result;
  } catch (...) {
    return -1;
  }
}

}  // namespace brimlet::win32
