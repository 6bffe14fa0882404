// The host's hidden window: owns the tray icon, turns mouse messages on it into the menu
// or the default commands, and receives the hand-over of a second start.
#pragma once

#include <windows.h>

#include "protocol/summon_protocol.h"
#include "gadget/gadget_host.h"
#include "menu/tray_click_rule.h"
#include "win32/box_launcher.h"
#include "win32/unique_resource.h"
#include "win32/window.h"

namespace brimlet::win32 {

// The keyboard hook finds the window by these.
inline constexpr auto& kHostWindowClass = summon::kHostWindowClass;
inline constexpr auto& kHostWindowTitle = summon::kHostWindowTitle;
inline constexpr wchar_t kTrayCallbackMessageName[] = L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30003}";
inline constexpr UINT kHandOverMessage = WM_USER + 10;
inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT_PTR kClickTimerId = 100;
inline constexpr UINT_PTR kIconRetryTimerId = 101;
// A failed add is tried again this often, this many times (a minute in all).
inline constexpr UINT kIconRetryIntervalMs = 2000;
inline constexpr int kIconRetries = 30;

class TaskTrayWindow final : public Window {
 public:
  TaskTrayWindow(HINSTANCE instance, GadgetHost& gadgets) noexcept
      : instance_(instance), gadgets_(gadgets) {}
  // Registers the class and creates the never-shown window; null on failure.
  HWND Create() noexcept;

  // Builds the menu from the gadgets, shows it at the cursor and runs the choice. Called from
  // the window's messages only: the window procedure traces what it throws.
  void ShowTrayMenu();

  // Where the summons from the keyboard hook and the box processes' reports go; none
  // before it is set.
  void SetBoxLauncher(BoxLauncher* launcher) noexcept { launcher_ = launcher; }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void AddIcon() noexcept;
  void DeleteIcon() noexcept;
  void StopIconRetry() noexcept;
  void Do(TrayAction action);

  HINSTANCE instance_;
  GadgetHost& gadgets_;
  BoxLauncher* launcher_ = nullptr;
  UINT taskbarCreatedMessage_ = static_cast<UINT>(-1);
  UINT trayCallbackMessage_ = static_cast<UINT>(-1);
  UINT_PTR clickTimer_ = static_cast<UINT_PTR>(-1);
  TrayClickRule clickRule_;
  UniqueHIcon icon_;
  int iconRetriesLeft_ = kIconRetries;
  bool menuOpen_ = false;
  bool aboutOpen_ = false;
};

}  // namespace brimlet::win32
