// Brimlet.exe: each start does one job chosen by its command-line switch.
#include <windows.h>
#include <commctrl.h>

#include "command_line.h"
#include "role_environment_win32.h"
#include "settings_win32.h"
#include "win32/dll_search.h"
#include "win32/startup_timeline.h"
#include "win32/message_loop.h"
#include "win32/scoped_init.h"
#include "win32/trace.h"
#include "win32/wide.h"

namespace {
// The type library of the page's script object.
constexpr GUID kTypeLibrary = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x09}};

// The role the command line names; an exception ends it with 0.
int RunCommandLineRole(brimlet::win32::BrimletBoxModule& module) noexcept {
  try {
    const brimlet::SwitchSet switches =
        brimlet::ParseSwitches(brimlet::win32::FromWide(::GetCommandLineW()));
    brimlet::Settings& settings = brimlet::win32::UserSettings();
    brimlet::win32::Win32RoleEnvironment env(module, settings);
    return brimlet::RunRole(switches, settings, env);
  }
  BRIMLET_CATCH_RETURN_VALUE(0)
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  brimlet::win32::LoadDllsFromSystemFolderOnly();
  brimlet::win32::BoxStartup().Mark(u"main");
  const brimlet::win32::ScopedOle ole;
  brimlet::win32::BoxStartup().Mark(u"ole");
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  brimlet::win32::BoxStartup().Mark(u"controls");

  brimlet::win32::BrimletBoxModule module;
  int exitCode = 0;
  if (module.Init(instance, kTypeLibrary)) exitCode = RunCommandLineRole(module);
  module.Term();
  return exitCode;
}
