#include "launch.h"

#include <iterator>

#include <shellapi.h>
#include <shlwapi.h>

#include "core/trigger_check.h"

namespace brimlet::trigger {

constinit HMODULE g_module = nullptr;

namespace {

constexpr wchar_t kProgramName[] = L"Brimlet.exe";
constexpr DWORD kDesktopAllAccess = 0x1FF;

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

}  // namespace

bool IsTriggerAllowed() noexcept {
  // Fails while the workstation is locked or a secure desktop is shown.
  HDESK input = ::OpenInputDesktop(0, FALSE, kDesktopAllAccess);
  if (!input) return false;
  ::CloseDesktop(input);

  // No foreground window (or one that vanished while we looked): nothing can be covering
  // the desktop, so the box is shown. Refusing here would make the box unreachable right
  // after the foreground program closed, which is when users often summon it.
  HWND foreground = ::GetForegroundWindow();
  if (!foreground) return true;
  RECT desktopRect{};
  RECT foregroundRect{};
  WINDOWINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetWindowRect(::GetDesktopWindow(), &desktopRect) ||
      !::GetWindowRect(foreground, &foregroundRect) || !::GetWindowInfo(foreground, &info)) {
    return true;
  }
  return ForegroundAllowsSearchBox(ExtentOf(desktopRect), ExtentOf(foregroundRect),
                                   (info.dwExStyle & WS_EX_TOPMOST) != 0);
}

void LaunchSearchBox(const wchar_t* switchWord) noexcept {
  // Fixed buffers: this also runs inside the keyboard hook of other programs.
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(g_module, path, MAX_PATH);
  // A truncated path would name some other file; start nothing rather than that.
  if (length == 0 || length >= MAX_PATH) return;
  *::PathFindFileNameW(path) = L'\0';  // the folder, its trailing backslash kept

  wchar_t file[MAX_PATH + 16];
  size_t fileLength = 0;
  wchar_t parameters[16];
  size_t parametersLength = 0;
  if (!Append(file, std::size(file), fileLength, path) ||
      !Append(file, std::size(file), fileLength, kProgramName) ||
      !Append(parameters, std::size(parameters), parametersLength, L"/") ||
      !Append(parameters, std::size(parameters), parametersLength, switchWord)) {
    return;
  }

  // File and working folder go in their own fields, so a folder with spaces needs no quotes.
  // No error UI: a message box here would be modal inside another program's keyboard hook.
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = path;
  info.nShow = SW_SHOW;
  ::ShellExecuteExW(&info);
}

void ShowSearchBox() noexcept {
  if (IsTriggerAllowed()) LaunchSearchBox(L"search");
}

}  // namespace brimlet::trigger
