// The host's box processes: every Brimlet.exe that shows a box is started here, with the
// host's own token and normal priority, never from the program that had the keys; one more
// is kept prepared in advance at low priority. All of them run in a job object that the
// host alone holds, so its exit, however it comes, ends every one.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "boxes/box_supply.h"
#include "settings.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// Posted to the host's window by the wait on a box process: wParam its process id.
inline constexpr UINT kBoxEndedMessage = WM_APP + 0x42;

// What the wait on one box process posts, and where.
struct BoxLauncherWait {
  HWND host;
  DWORD processId;
};

class BoxLauncher {
 public:
  // `program` is the full path of Brimlet.exe; `host` receives kBoxEndedMessage.
  BoxLauncher(HWND host, std::wstring program, Settings& settings) noexcept;
  ~BoxLauncher();
  BoxLauncher(const BoxLauncher&) = delete;
  BoxLauncher& operator=(const BoxLauncher&) = delete;

  void OnHostStarted() noexcept;
  // The summon message's wParam (summon::kSummonAsked or kSummonCold), or a box's or the
  // settings dialog's request for the other (summon::kStartSettingsFromBox, ...).
  void OnSummon(WPARAM kind) noexcept;
  void OnReadyReported(DWORD processId, HWND window) noexcept;
  void OnBoxEnded(DWORD processId) noexcept;

  // For tests: the process ids of the boxes this host started and that still run.
  std::vector<DWORD> RunningBoxes() const;

 private:
  // kSettings: the settings dialog a box asked for; it counts as no box.
  enum class Kind { kCold, kReady, kDismissed, kSettings };
  struct Child {
    Kind kind;
    UniqueHandle process;
    DWORD processId = 0;
    HWND window = nullptr;  // the ready box's, once reported
    HANDLE wait = nullptr;
    std::unique_ptr<BoxLauncherWait> context;
  };

  // `coldArguments`: a cold box's switches when not "/search" (the settings dialog's hand-back).
  void Apply(const BoxActions& actions, std::wstring_view coldArguments = {}) noexcept;
  bool Start(Kind kind, std::wstring_view arguments = {}) noexcept;
  Child* ReadyChild() noexcept;
  bool Prepare() const noexcept { return settings_.PrepareSearchBox(); }
  static void Unwait(Child& child) noexcept;

  HWND host_;
  std::wstring program_;
  Settings& settings_;
  UniqueHandle job_;
  BoxSupply supply_;
  std::vector<Child> children_;
};

}  // namespace brimlet::win32
