// Tessiv.exe: the resident gadget host, one instance per user.
#include <windows.h>
#include <commctrl.h>

#include "tessiv_ids.h"
#include "win32/box_launcher.h"
#include "win32/dll_search.h"
#include "win32/host_start_win32.h"
#include "win32/instance_finder.h"
#include "win32/message_loop.h"
#include "win32/scoped_init.h"
#include "win32/task_tray_window.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/zelvo_gadget_module.h"

namespace {

constexpr char16_t kHostMutexName[] = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30002}";

// A second start hands over to the running host, which runs the default commands.
void HandOver(HINSTANCE instance) noexcept {
  HWND running = brimlet::win32::FindInstanceWindow({brimlet::win32::kHostWindowClass}, instance,
                                                    IDS_HOST_WINDOW_TITLE);
  if (running == nullptr) return;
  // The running host starts programs that should come to the front; this start holds the
  // right to put them there.
  DWORD process = 0;
  ::GetWindowThreadProcessId(running, &process);
  ::AllowSetForegroundWindow(process);
  // A hung host must not hang this start as well.
  brimlet::win32::SendToInstance(running, brimlet::win32::kHandOverMessage, 0, 0);
}

int RunHost(HINSTANCE instance) noexcept {
  brimlet::win32::ZelvoGadgetModule module;
  if (!module.Init(instance, GUID{})) return 0;
  // Gadgets start before any window exists.
  module.Gadgets().StartGadgets();
  int exitCode = 0;
  {
    brimlet::win32::TaskTrayWindow window(instance, module.Gadgets());
    if (window.Create() != nullptr) {
      brimlet::win32::Win32Registry registry;
      brimlet::Settings settings(registry);
      // Every box process is started here; they end with the host.
      brimlet::win32::BoxLauncher boxes(window.hwnd(), brimlet::win32::SearchBoxProgram(),
                                        settings);
      window.SetBoxLauncher(&boxes);
      boxes.OnHostStarted();
      brimlet::win32::MessageLoop loop;
      module.AddMessageLoop(&loop);
      exitCode = loop.Run();
      module.RemoveMessageLoop();
      window.SetBoxLauncher(nullptr);
    }
    if (window.hwnd() != nullptr) ::DestroyWindow(window.hwnd());
  }
  module.Gadgets().StopGadgets();
  module.Term();
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  brimlet::win32::LoadDllsFromSystemFolderOnly();
  const brimlet::win32::ScopedCom com;
  // Started elevated beside the user's normal token (by the installer, say): the shell starts
  // the host again with that token, and this process ends before it takes the mutex, which
  // the new host must find free, or installs a hook.
  if (brimlet::DecideHostStart(brimlet::win32::OwnTokenKind(),
                               brimlet::win32::DesktopShellToken()) ==
      brimlet::HostStart::kRestartThroughShell) {
    brimlet::win32::RestartThroughShell();
    return 0;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    brimlet::win32::Win32MutexFactory mutexes;
    // A mutex that cannot be created at all counts as no other instance running; one held
    // by an elevated host (access denied) counts as running: two hosts would install the
    // hook twice and fire a second summon at every tap.
    const brimlet::NamedMutexResult mutex = mutexes.Create(kHostMutexName);
    if (mutex.alreadyExisted) {
      HandOver(instance);
    } else {
      exitCode = RunHost(instance);
    }
  }
  return exitCode;
}
