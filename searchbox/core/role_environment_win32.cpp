#include "role_environment_win32.h"

#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>
#include <shellapi.h>

#include "../../resources/brimlet_ids.h"
#include "background_jobs_win32.h"
#include "notice_mailbox.h"
#include "win32/instance_finder.h"
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
  ::SendMessageW(ToHwnd(window), WM_CLOSE, 16, 16);
}

void Win32RoleEnvironment::HandOverForeground(WindowRef window) noexcept {
  win32::HandOverForeground(ToHwnd(window));
}

void Win32RoleEnvironment::SetForeground(WindowRef window) noexcept {
  ::SetForegroundWindow(ToHwnd(window));
}

void Win32RoleEnvironment::StartImaging() noexcept {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) != Gdiplus::Ok) gdiplusToken_ = 0;
}

void Win32RoleEnvironment::StopImaging() noexcept {
  if (gdiplusToken_ != 0) Gdiplus::GdiplusShutdown(gdiplusToken_);
  gdiplusToken_ = 0;
}

bool Win32RoleEnvironment::AskSwitchToNewDesign() noexcept {
  try {
    return ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_NEW_DESIGN_QUESTION),
                          LoadResourceString(module_.Instance(), IDS_BOX_TITLE),
                          MB_YESNO | MB_ICONQUESTION) == IDYES;
  } catch (...) {
    return false;
  }
}

void Win32RoleEnvironment::ReportBoxCreationFailed() noexcept {
  try {
    ShowMessageBox(nullptr, LoadResourceString(module_.Instance(), IDS_BOX_CREATION_FAILED),
                   LoadResourceString(module_.Instance(), IDS_CONFIG_TITLE), MB_OK);
  } catch (...) {
  }
}

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
    if (path.empty()) return;  // too long or unknown: the re-launch is skipped
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    ::ShellExecuteW(nullptr, L"open", path.c_str(), ToWide(parameters).c_str(), folder.c_str(),
                    SW_SHOWNORMAL);
  } catch (...) {
  }
}

void Win32RoleEnvironment::RunBackgroundJobs() noexcept {
  try {
    win32::RunBackgroundJobs(ProductJobOptions());
  } catch (...) {
  }
}

}  // namespace brimlet::win32
