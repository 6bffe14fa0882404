#include "role_environment_win32.h"

#include "../../resources/brimlet_ids.h"
#include "background_jobs_win32.h"
#include "box_runners.h"
#include "notice_mailbox.h"
#include "settings_dialog_runner.h"
#include "win32/startup_timeline.h"
#include "win32/instance_finder.h"
#include "win32/scoped_init.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/window_helpers.h"

namespace brimlet::win32 {
namespace {

HWND ToHwnd(WindowRef ref) noexcept { return reinterpret_cast<HWND>(ref); }

// Each run's loop is the module's loop of this thread for the time of the window.
template <typename Runner>
int RunWithLoop(AppModule& module, Settings& settings, Runner run) noexcept {
  ThreadMessageLoop thread(module);
  return run(module, thread.loop(), settings);
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
  BringToForeground(ToHwnd(window));
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
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

bool Win32RoleEnvironment::AskSwitchToNewDesign() noexcept {
  try {
    return ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_NEW_DESIGN_QUESTION),
                          LoadResourceString(module_.Instance(), IDS_BOX_TITLE),
                          MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

void Win32RoleEnvironment::ReportBoxCreationFailed() noexcept {
  try {
    ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_BOX_CREATION_FAILED),
                   LoadResourceString(module_.Instance(), IDS_CONFIG_TITLE), MB_OK);
  }
  BRIMLET_CATCH_LOG()
}

int Win32RoleEnvironment::RunPageBox() noexcept {
  return RunWithLoop(module_, settings_, &RunPageSearchBox);
}

int Win32RoleEnvironment::RunClassicBox() noexcept {
  return RunWithLoop(module_, settings_, &RunClassicSearchBox);
}

int Win32RoleEnvironment::RunReadyBox() noexcept {
  return RunWithLoop(module_, settings_,
                     [this](AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
                       return RunReadySearchBox(module, loop, settings, *this);
                     });
}

int Win32RoleEnvironment::RunSettingsDialog() noexcept {
  return RunWithLoop(module_, settings_, &RunSettingsDialogWindow);
}

void Win32RoleEnvironment::WaitForNoticeChecks() noexcept {
  ::brimlet::win32::WaitForNoticeChecks(kNoticeWaitMilliseconds);
}

void Win32RoleEnvironment::Relaunch(std::u16string_view parameters) noexcept {
  RelaunchSelf(
      std::wstring_view(reinterpret_cast<const wchar_t*>(parameters.data()), parameters.size()));
}

void Win32RoleEnvironment::RunBackgroundJobs() noexcept {
  try {
    win32::RunBackgroundJobs(ProductJobOptions());
  }
  BRIMLET_CATCH_LOG()
}

}  // namespace brimlet::win32
