// The config role's dialog: the catalogue is loaded for the dialog, which keeps its own copy,
// and the loop runs until the dialog posts its quit message.
#include "settings_dialog_runner.h"

#include "box_shell.h"
#include "catalogue_reader.h"
#include "settings_dialog_window.h"
#include "settings_win32.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"
#include "ports/trace.h"

namespace brimlet::win32 {

int RunSettingsDialogWindow(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    SearchBoxConfigWindow dialog(module.Instance(), settings);
    const ScopedMessageFilter filter(loop, &dialog);
    {
      const Win32FileSystem files;
      const Win32XmlParser parser;
      std::unique_ptr<SearchEngineList> catalogue =
          LoadCatalogue(files, parser, DataFolder(), ProgramFolder());
      if (!catalogue) catalogue = std::make_unique<SearchEngineList>();
      AddUserEngines(*catalogue);  // a service may be the default engine too
      dialog.SetCatalogue(catalogue.get());
    }
    if (dialog.Create() == nullptr) {
      return 0;
    }
    ::ShowWindow(dialog.hwnd(), SW_SHOWDEFAULT);
    return loop.Run();
  }
  BRIMLET_CATCH_RETURN_VALUE(0)
}

}  // namespace brimlet::win32
