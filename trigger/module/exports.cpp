// The module's exports, bound by name by the gadget host (and the hook by the system).
// Plain data only at namespace scope: this module is mapped into every process that takes
// keyboard input, and constructors there would run under the loader lock. It has no C
// runtime start-up either (DllMain is the entry point), so there is none to run them.
#include <windows.h>

#include "core/double_press_detector.h"
#include "core/key_hold.h"
#include "hook_settings.h"
#include "launch.h"
#include "protocol/summon_protocol.h"

namespace {

// {4F2A7C10-8B3D-4E61-9A55-C0D1E2F30041}: the search-box command in the gadget's manifest.
constexpr GUID kSearchBoxCommand = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x41}};

// Per process: both presses of a double press must reach the same process.
constinit brimlet::DoublePressDetector g_detector;
// The keys typed right after a double press, and the ready box they go to.
constinit brimlet::KeyHold g_hold;
constinit HWND g_holdTarget = nullptr;

bool IsDown(int virtualKey) noexcept { return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// What the detector may ask for; each is read only when a step needs it.
struct PlatformReadings {
  brimlet::SideKeyStates SideKeys() noexcept {
    return {.leftShift = IsDown(VK_LSHIFT),
            .rightShift = IsDown(VK_RSHIFT),
            .leftCtrl = IsDown(VK_LCONTROL),
            .rightCtrl = IsDown(VK_RCONTROL)};
  }
  uint32_t TickCount() noexcept { return ::GetTickCount(); }
  uint32_t DoubleClickTime() noexcept { return ::GetDoubleClickTime(); }
};

void OnKeyboardEvent(WPARAM wParam, LPARAM lParam) noexcept {
  // Virtual keys fit in 32 bits; anything wider is no key the detector watches.
  const auto virtualKey = wParam <= 0xFFFFFFFFu ? static_cast<uint32_t>(wParam) : 0u;
  // Most keystrokes end here, in every program on the desktop: a key no kind watches cancels
  // a pair whatever the settings say, so they are not read for it.
  if (!brimlet::DoublePressDetector::MayWatch(virtualKey)) {
    g_detector.OnOtherKey();
    return;
  }
  // Read at every watched keystroke, no cache: the settings dialog's change applies at once
  // in every process.
  if (!brimlet::trigger::UseKeyboardHook()) return;  // state frozen while switched off
  const int32_t kind = brimlet::trigger::KeyStroke();

  const auto bits = static_cast<uint64_t>(lParam);
  const auto repeatCount = static_cast<uint32_t>(bits & 0xFFFF);
  const bool isRelease = ((bits >> 31) & 1) != 0;
  PlatformReadings readings;
  if (g_detector.OnKey(virtualKey, repeatCount, isRelease, readings, kind)) {
    g_holdTarget = brimlet::trigger::ShowSearchBox();
    if (g_holdTarget != nullptr) g_hold.Start(::GetTickCount(), virtualKey);
  }
}

// True when the key goes to the ready box instead of this program. One test on the common
// path; while a hold lasts, one post per key.
bool HoldsKey(WPARAM wParam, LPARAM lParam) noexcept {
  if (!g_hold.Active()) return false;
  const auto virtualKey = wParam <= 0xFFFFFFFFu ? static_cast<uint32_t>(wParam) : 0u;
  if (!g_hold.Takes(virtualKey, ::GetTickCount())) return false;
  if (!::PostMessageW(g_holdTarget, brimlet::summon::kHeldKeyMessage, wParam, lParam)) {
    g_hold.Stop();
    return false;
  }
  return true;
}

// Byte by byte: the module links no C runtime start-up, and this runs once per command.
bool SameGuid(const GUID& a, const GUID& b) noexcept {
  const auto* x = reinterpret_cast<const unsigned char*>(&a);
  const auto* y = reinterpret_cast<const unsigned char*>(&b);
  for (size_t i = 0; i < sizeof(GUID); ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" {

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code >= 0) {
    // Taken from this program only in the moment between a double press and the box's
    // focus: the box types it again.
    if (HoldsKey(wParam, lParam)) return 1;
    OnKeyboardEvent(wParam, lParam);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HRESULT STDAPICALLTYPE ExecuteCommand(const GUID* command) noexcept {
  // A null pointer from a careless host is refused, not read.
  if (!command) return E_POINTER;
  if (!SameGuid(*command, kSearchBoxCommand)) return E_NOTIMPL;
  brimlet::trigger::ShowSearchBox();
  return S_OK;
}

// The settings dialog and the background jobs are started whatever is in front.
HRESULT STDAPICALLTYPE Configure() noexcept {
  brimlet::trigger::LaunchSearchBox(L"config");
  return S_OK;
}

HRESULT STDAPICALLTYPE OnStart() noexcept {
  brimlet::trigger::LaunchSearchBox(L"start");
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept {
  if (reason == DLL_PROCESS_ATTACH) brimlet::trigger::g_module = instance;
  return TRUE;
}

}  // extern "C"
