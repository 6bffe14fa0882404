// The module's exports, bound by name by the gadget host (and the hook by the system).
// Plain data only at namespace scope: this module is mapped into every process that takes
// keyboard input, and constructors there would run under the loader lock.
#include <windows.h>

#include <cstring>

#include "core/double_press_detector.h"
#include "launch.h"
#include "settings.h"
#include "win32/win32_registry.h"

namespace {

// {4F2A7C10-8B3D-4E61-9A55-C0D1E2F30041}: the search-box command in the gadget's manifest.
constexpr GUID kSearchBoxCommand = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x41}};

// Per process: both presses of a double press must reach the same process.
constinit brimlet::DoublePressDetector g_detector;

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
  // Read at every keystroke, no cache: the settings dialog's change applies at once in every
  // process. The registry adapter and the settings reader live on the stack and allocate
  // nothing.
  brimlet::win32::Win32Registry registry;
  const brimlet::Settings settings(registry);
  if (!settings.UseKeyboardHook()) return;  // state frozen while switched off
  const int32_t kind = settings.KeyStroke();

  // Virtual keys fit in 32 bits; anything wider is no key the detector watches.
  const auto virtualKey = wParam <= 0xFFFFFFFFu ? static_cast<uint32_t>(wParam) : 0u;
  const auto bits = static_cast<uint64_t>(lParam);
  const auto repeatCount = static_cast<uint32_t>(bits & 0xFFFF);
  const bool isRelease = ((bits >> 31) & 1) != 0;
  PlatformReadings readings;
  if (g_detector.OnKey(virtualKey, repeatCount, isRelease, readings, kind)) {
    brimlet::trigger::ShowSearchBox();
  }
}

}  // namespace

extern "C" {

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code >= 0) OnKeyboardEvent(wParam, lParam);
  // Never consumes a keystroke.
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HRESULT STDAPICALLTYPE ExecuteCommand(const GUID* command) noexcept {
  // A null pointer from a careless host is refused, not read.
  if (!command) return E_POINTER;
  if (std::memcmp(command, &kSearchBoxCommand, sizeof(GUID)) != 0) return E_NOTIMPL;
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
