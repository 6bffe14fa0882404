// What each role of the search-box program does, apart from the windows themselves: the
// single-instance rule, the counting of openings, the design migration and the hand-over
// between box and settings dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "command_line.h"
#include "ports/mutex.h"
#include "settings.h"

namespace brimlet {

inline constexpr std::u16string_view kSearchRoleMutex = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}";
inline constexpr std::u16string_view kConfigRoleMutex = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30004}";

using WindowRef = uintptr_t;  // 0 = no window

// Ends the imaging library when it goes.
class IImagingScope {
 public:
  virtual ~IImagingScope() = default;
};

// The platform side of the roles: windows, message boxes, processes.
class IRoleEnvironment {
 public:
  virtual ~IRoleEnvironment() = default;
  virtual IMutexFactory& Mutexes() noexcept = 0;
  // The running box or dialog of this program file (class, title and executable path).
  virtual WindowRef FindRunningWindow(Role role) noexcept = 0;
  virtual WindowRef ForegroundWindow() noexcept = 0;
  // A second summon while the box has the focus closes it (WM_CLOSE with 16, 16).
  virtual void CloseForSecondSummon(WindowRef window) noexcept = 0;
  // Brings a window forward across processes (attaching input to the foreground thread).
  virtual void HandOverForeground(WindowRef window) noexcept = 0;
  virtual void SetForeground(WindowRef window) noexcept = 0;
  // The imaging library, started for as long as the returned scope lives (nothing when it
  // could not start: the windows then draw without pictures).
  virtual std::unique_ptr<IImagingScope> StartImaging() noexcept = 0;
  // Yes/No question of an upgraded installation; true for Yes.
  virtual bool AskSwitchToNewDesign() noexcept = 0;
  virtual void ReportBoxCreationFailed() noexcept = 0;
  // Each runs its window's message loop and returns its exit code; -1 when the window
  // cannot be created (the settings dialog gives 0 then). The page-based box also gives
  // kPageBoxNotTried.
  virtual int RunPageBox() noexcept = 0;
  virtual int RunClassicBox() noexcept = 0;
  // Prepares the box of the current design hidden and answers the summons it receives
  // until its box closed; returns the ready role's exit code (summon::kReadyExit...).
  virtual int RunReadyBox() noexcept = 0;
  virtual int RunSettingsDialog() noexcept = 0;
  // Starts this program again with the parameters; the outcome is not examined.
  virtual void Relaunch(std::u16string_view parameters) noexcept = 0;
  // Waits a while for the notice checks the role's window started; the role calls it once
  // its mutex is released, so that a slow check holds up no new box or dialog.
  virtual void WaitForNoticeChecks() noexcept = 0;
  // The background jobs of the start role; returns when they ended or the wait ran out.
  virtual void RunBackgroundJobs() noexcept = 0;
};

// What RunPageBox gives when the page could not show its box earlier in this logon: the
// classic box opens at once, without a second wait or a second message.
inline constexpr int kPageBoxNotTried = -2;

// The whole program after start-up: the role chosen by the switches, with its exit code.
int RunRole(const SwitchSet& switches, Settings& settings, IRoleEnvironment& env) noexcept;

int RunSearchRole(bool fromConfigure, Settings& settings, IRoleEnvironment& env) noexcept;
// A box process the host starts in advance (ready_box.h).
int RunReadyRole(Settings& settings, IRoleEnvironment& env) noexcept;
// A summon while another box is open: it closes when it has the focus, else comes forward.
void AnswerSecondSummon(IRoleEnvironment& env) noexcept;
int RunConfigRole(Settings& settings, IRoleEnvironment& env) noexcept;
// Settles the design and runs the box (the search role counts the opening).
int RunBox(Settings& settings, IRoleEnvironment& env) noexcept;

}  // namespace brimlet
