// The roles' platform side on Windows.
#pragma once

#include <windows.h>

#include "roles.h"
#include "win32/message_loop.h"
#include "win32/win32_system.h"

namespace brimlet::win32 {

// The application module of Brimlet.exe: the framework's module, nothing added.
using BrimletBoxModule = AppModule;

class Win32RoleEnvironment final : public IRoleEnvironment {
 public:
  Win32RoleEnvironment(AppModule& module, Settings& settings) noexcept
      : module_(module), settings_(settings) {}

  IMutexFactory& Mutexes() noexcept override { return mutexes_; }
  WindowRef FindRunningWindow(Role role) noexcept override;
  WindowRef ForegroundWindow() noexcept override;
  void CloseForSecondSummon(WindowRef window) noexcept override;
  void HandOverForeground(WindowRef window) noexcept override;
  void SetForeground(WindowRef window) noexcept override;
  std::unique_ptr<IImagingScope> StartImaging() noexcept override;
  bool AskSwitchToNewDesign() noexcept override;
  void ReportBoxCreationFailed() noexcept override;
  int RunPageBox() noexcept override;
  int RunClassicBox() noexcept override;
  int RunSettingsDialog() noexcept override;
  void WaitForNoticeChecks() noexcept override;
  void Relaunch(std::u16string_view parameters) noexcept override;
  void RunBackgroundJobs() noexcept override;

 private:
  AppModule& module_;
  Settings& settings_;
  Win32MutexFactory mutexes_;
};

}  // namespace brimlet::win32
