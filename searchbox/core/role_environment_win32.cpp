#include "role_environment_win32.h"

#include <shellapi.h>

#include "../../resources/brimlet_ids.h"
#include "background_jobs_win32.h"
#include "notice_mailbox.h"
#include "win32/startup_timeline.h"
#include "win32/instance_finder.h"
#include "win32/scoped_init.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "window_runners.h"

namespace brimlet::win32 {
namespace {

HWND ToHwnd(WindowRef ref) noexcept { return reinterpret_cast<HWND>(ref); }

// Each run registers the loop with the module for the time of the window.
template <typename Runner>
int RunWithLoop(AppModule& module, Settings& settings, Runner run) noexcept {
  MessageLoop loop;
  module.AddMessageLoop(&loop);
  const int result = run(module, loop, settings);
  module.RemoveMessageLoop();
  return result;
}

}  // namespace

WindowRef Win32RoleEnvironment::FindRunningWindow(Role role) noexcept {
  HWND found = nullptr;
  if (role == Role::kSearch) {
    found =
        FindInstanceWindow({L"#32770", L"SearchBoxWindowEx"}, module_.Instance(), IDS_BOX_TITLE);
  } else if (role == Role::kConfig) {
    found = FindInstanceWindow({L"#32770"}, module_.Instance(), IDS_CONFIG_TITLE);
  }
  return reinterpret_cast<WindowRef>(found);
}

WindowRef Win32RoleEnvironment::ForegroundWindow() noexcept {
  return reinterpret_cast<WindowRef>(::GetForegroundWindow());
}

void Win32RoleEnvironment::CloseForSecondSummon(WindowRef window) noexcept {
  // Another process's window: a hung box must not hang this start as well.
  SendToInstance(ToHwnd(window), WM_CLOSE, 16, 16);
}

void Win32RoleEnvironment::HandOverForeground(WindowRef window) noexcept {
  win32::HandOverForeground(ToHwnd(window));
}

void Win32RoleEnvironment::SetForeground(WindowRef window) noexcept {
  ::SetForegroundWindow(ToHwnd(window));
}

std::unique_ptr<IImagingScope> Win32RoleEnvironment::StartImaging() noexcept {
  struct GdiPlusScope final : IImagingScope {
    ScopedGdiPlus gdiPlus;
  };
  try {
    auto scope = std::make_unique<GdiPlusScope>();
    BoxStartup().Mark(u"imaging");
    if (!scope->gdiPlus.started()) {
      Trace(u"GDI+ did not start: the windows draw without pictures");
      return nullptr;
    }
    return scope;
  } catch (...) {
    return nullptr;
  }
}

bool Win32RoleEnvironment::AskSwitchToNewDesign() noexcept {
  try {
    return ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_NEW_DESIGN_QUESTION),
                          LoadResourceString(module_.Instance(), IDS_BOX_TITLE),
                          MB_YESNO | MB_ICONQUESTION) == IDYES;
  } catch (...) {
    Trace(u"Brimlet: the design question could not be asked");
    return false;
  }
}

void Win32RoleEnvironment::ReportBoxCreationFailed() noexcept {
  try {
    ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_BOX_CREATION_FAILED),
                   LoadResourceString(module_.Instance(), IDS_CONFIG_TITLE), MB_OK);
  } catch (...) {
    Trace(u"Brimlet: the box failure could not be reported");
  }
}

void Win32RoleEnvironment::Trace(std::u16string_view text) noexcept { win32::Trace(text); }

int Win32RoleEnvironment::RunPageBox() noexcept {
  return RunWithLoop(module_, settings_, &RunPageSearchBox);
}

int Win32RoleEnvironment::RunClassicBox() noexcept {
  return RunWithLoop(module_, settings_, &RunClassicSearchBox);
}

int Win32RoleEnvironment::RunSettingsDialog() noexcept {
  return RunWithLoop(module_, settings_, &RunSettingsDialogWindow);
}

void Win32RoleEnvironment::WaitForNoticeChecks() noexcept {
  ::brimlet::win32::WaitForNoticeChecks(kNoticeWaitMilliseconds);
}

void Win32RoleEnvironment::Relaunch(std::u16string_view parameters) noexcept {
  try {
    const std::wstring path = OwnModulePath();
    if (path.empty()) {
      Trace(u"Brimlet: no re-launch, the program path is too long");
      return;
    }
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const auto started = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        nullptr, L"open", path.c_str(), ToWide(parameters).c_str(), folder.c_str(), SW_SHOWNORMAL));
    if (started <= 32) Trace(u"Brimlet: the re-launch did not start");
  } catch (...) {
    Trace(u"Brimlet: the re-launch failed");
  }
}

void Win32RoleEnvironment::RunBackgroundJobs() noexcept {
  try {
    win32::RunBackgroundJobs(ProductJobOptions());
  } catch (...) {
  }
}

}  // namespace brimlet::win32
