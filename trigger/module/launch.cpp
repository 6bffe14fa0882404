#include "launch.h"

#include <iterator>

#include "protocol/summon_protocol.h"
#include "win32/host_job.h"
#include "core/trigger_check.h"

namespace brimlet::trigger {

constinit HMODULE g_module = nullptr;

namespace {

constexpr wchar_t kProgramName[] = L"Brimlet.exe";

WindowExtent ExtentOf(const RECT& rect) noexcept {
  return {static_cast<int64_t>(rect.right) - rect.left,
          static_cast<int64_t>(rect.bottom) - rect.top};
}

// Appends src to dst[0..used) without overflowing capacity; false if it does not fit.
bool Append(wchar_t* dst, size_t capacity, size_t& used, const wchar_t* src) noexcept {
  for (; *src; ++src) {
    if (used + 1 >= capacity) return false;
    dst[used++] = *src;
  }
  dst[used] = L'\0';
  return true;
}

// The length of the folder part of a path, its trailing separator included.
size_t FolderLength(const wchar_t* path, size_t length) noexcept {
  while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') --length;
  return length;
}

// The settings dialog and the background jobs end with the host that started them, however
// it ends: they run in a job that only the host holds.
constinit HANDLE g_job = nullptr;

HANDLE HostJob() noexcept {
  if (g_job == nullptr) g_job = win32::CreateHostJob();
  return g_job;
}

}  // namespace

bool IsTriggerAllowed() noexcept {
  // Fails while the workstation is locked or a secure desktop is shown. Only the right to
  // switch to it is asked for: that is all a locked desktop refuses that matters here.
  HDESK input = ::OpenInputDesktop(0, FALSE, DESKTOP_SWITCHDESKTOP);
  if (!input) return false;
  ::CloseDesktop(input);

  // No foreground window (or one that vanished while we looked): nothing can be covering
  // the desktop, so the box is shown. Refusing here would make the box unreachable right
  // after the foreground program closed, which is when users often summon it.
  HWND foreground = ::GetForegroundWindow();
  if (!foreground) return true;
  // A full-screen window covers its own monitor, which need not be the primary one nor as
  // large as the whole virtual desktop.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT foregroundRect{};
  WINDOWINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(::MonitorFromWindow(foreground, MONITOR_DEFAULTTONEAREST), &monitor) ||
      !::GetWindowRect(foreground, &foregroundRect) || !::GetWindowInfo(foreground, &info)) {
    return true;
  }
  return ForegroundAllowsSearchBox(ExtentOf(monitor.rcMonitor), ExtentOf(foregroundRect),
                                   (info.dwExStyle & WS_EX_TOPMOST) != 0);
}

void LaunchSearchBox(const wchar_t* switchWord) noexcept {
  // Fixed buffers: the module allocates nowhere, being mapped into every program.
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(g_module, path, MAX_PATH);
  // A truncated path would name some other file; start nothing rather than that.
  if (length == 0 || length >= MAX_PATH) return;
  path[FolderLength(path, length)] = L'\0';  // the folder, its trailing backslash kept

  wchar_t file[MAX_PATH + 16];
  size_t fileLength = 0;
  // The program's path quoted (the folder may hold spaces), then the switch.
  wchar_t commandLine[MAX_PATH + 32];
  size_t commandLength = 0;
  if (!Append(file, std::size(file), fileLength, path) ||
      !Append(file, std::size(file), fileLength, kProgramName) ||
      !Append(commandLine, std::size(commandLine), commandLength, L"\"") ||
      !Append(commandLine, std::size(commandLine), commandLength, file) ||
      !Append(commandLine, std::size(commandLine), commandLength, L"\" /") ||
      !Append(commandLine, std::size(commandLine), commandLength, switchWord)) {
    return;
  }

  // The program by its full path, never searched for; the module's folder as the working
  // folder. No error UI: a failed start is silent, and the start is not awaited.
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  // Suspended until it is in the job, so nothing it starts escapes before.
  if (::CreateProcessW(file, commandLine, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       path, &startup, &process)) {
    HANDLE job = HostJob();
    if (job == nullptr || !::AssignProcessToJobObject(job, process.hProcess)) {
      ::OutputDebugStringA("BrimletHook: Brimlet.exe runs outside the host's job\n");
    }
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  } else {
    // Only after a completed double press, never on the per-key path.
    ::OutputDebugStringA("BrimletHook: Brimlet.exe could not be started\n");
  }
}

namespace {

// The ready box's window, when the process that made it is this module's own Brimlet.exe:
// the foreground right is granted to it, so a window of some other program that took the
// class name must not get it.
HWND FindReadyBox() noexcept {
  HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, summon::kReadyBoxWindowClass,
                                summon::kReadyBoxWindowTitle);
  if (!window) return nullptr;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  wchar_t expected[MAX_PATH + 16];
  const DWORD length = ::GetModuleFileNameW(g_module, expected, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  size_t used = FolderLength(expected, length);
  expected[used] = L'\0';
  if (!Append(expected, std::size(expected), used, kProgramName)) return nullptr;

  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return nullptr;
  wchar_t image[MAX_PATH + 16];
  DWORD imageLength = static_cast<DWORD>(std::size(image));
  const bool read = ::QueryFullProcessImageNameW(process, 0, image, &imageLength) != FALSE;
  ::CloseHandle(process);
  if (!read) return nullptr;
  return ::CompareStringOrdinal(image, static_cast<int>(imageLength), expected,
                                static_cast<int>(used), TRUE) == CSTR_EQUAL
             ? window
             : nullptr;
}

}  // namespace

HWND AskForSearchBox() noexcept {
  // The ready box first: it shows itself at once. Otherwise the host starts a box with its
  // own token; nothing is ever started from the program that had the keys.
  HWND ready = FindReadyBox();
  HWND target = ready ? ready : ::FindWindowW(summon::kHostWindowClass, summon::kHostWindowTitle);
  if (!target) return nullptr;
  DWORD processId = 0;
  if (::GetWindowThreadProcessId(target, &processId) == 0) return nullptr;
  // This process received the keys, so it may pass its right to the foreground on.
  ::AllowSetForegroundWindow(processId);
  if (!::PostMessageW(target, summon::kSummonMessage, summon::kSummonAsked, 0)) return nullptr;
  return ready;
}

HWND ShowSearchBox() noexcept { return IsTriggerAllowed() ? AskForSearchBox() : nullptr; }

}  // namespace brimlet::trigger
