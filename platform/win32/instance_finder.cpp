#include "win32/instance_finder.h"

#include <psapi.h>
#include <shellapi.h>

#include <vector>

#include "protocol/summon_protocol.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/unique_resource.h"
#include "win32/window.h"

namespace brimlet::win32 {
namespace {

struct Search {
  std::vector<const wchar_t*> classNames;
  std::wstring title;
  std::wstring ownPath;
  HWND found = nullptr;
};

bool ProcessPathEquals(HWND hwnd, const std::wstring& path) noexcept {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return false;
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!::EnumProcessModules(process.get(), &first, sizeof(first), &needed)) return false;
  wchar_t modulePath[MAX_PATH] = {};
  if (!::GetModuleFileNameExW(process.get(), first, modulePath, MAX_PATH)) return false;
  return ::CompareStringOrdinal(modulePath, -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Fixed buffers only: nothing here can throw.
BOOL CALLBACK TestWindow(HWND hwnd, LPARAM param) noexcept {
  auto& search = *reinterpret_cast<Search*>(param);
  wchar_t className[260] = {};
  if (!::GetClassNameW(hwnd, className, 260)) return TRUE;
  bool classMatches = false;
  for (const wchar_t* name : search.classNames) {
    classMatches |= ::CompareStringOrdinal(className, -1, name, -1, TRUE) == CSTR_EQUAL;
  }
  if (!classMatches) return TRUE;
  wchar_t title[1024] = {};
  ::GetWindowTextW(hwnd, title, 1024);
  if (::CompareStringOrdinal(title, -1, search.title.c_str(), -1, TRUE) != CSTR_EQUAL) {
    return TRUE;
  }
  if (!IsFrameworkWindow(hwnd)) return TRUE;
  if (!ProcessPathEquals(hwnd, search.ownPath)) return TRUE;
  search.found = hwnd;  // keep going: the last match wins
  return TRUE;
}

}  // namespace

std::wstring OwnModulePath() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH - 1) return {};
  return std::wstring(path, length);
}

HWND FindInstanceWindow(std::initializer_list<const wchar_t*> classNames, HINSTANCE module,
                        UINT titleId) noexcept {
  try {
    return FindInstanceWindow(classNames, LoadResourceString(module, titleId));
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

HWND FindInstanceWindow(std::initializer_list<const wchar_t*> classNames,
                        const std::wstring& title) noexcept {
  try {
    Search search{std::vector<const wchar_t*>(classNames), title, OwnModulePath()};
    if (search.ownPath.empty()) return nullptr;
    ::EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.found && ::IsWindow(search.found) ? search.found : nullptr;
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

bool SendToInstance(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                    UINT timeoutMs) noexcept {
  DWORD_PTR answer = 0;
  if (::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            timeoutMs, &answer) != 0) {
    return true;
  }
  Trace(u"SendToInstance: the running window did not answer");
  return false;
}

namespace {

// The host starts the box and the settings dialog for each other when it runs, so that they
// end with it; false when there is no host to ask.
bool AskHostToStart(std::wstring_view parameters) noexcept {
  uintptr_t what = 0;
  if (parameters == summon::kSettingsFromBoxArguments) {
    what = summon::kStartSettingsFromBox;
  } else if (parameters == summon::kBoxFromSettingsArguments) {
    what = summon::kStartBoxFromSettings;
  } else {
    return false;
  }
  HWND host = ::FindWindowW(summon::kHostWindowClass, summon::kHostWindowTitle);
  DWORD process = 0;
  if (host == nullptr || ::GetWindowThreadProcessId(host, &process) == 0) return false;
  // Its window comes in front: the right to do so goes with the request.
  ::AllowSetForegroundWindow(process);
  return ::PostMessageW(host, summon::kSummonMessage, what, 0) != FALSE;
}

}  // namespace

bool RelaunchSelf(std::wstring_view parameters) noexcept {
  if (AskHostToStart(parameters)) return true;
  try {
    const std::wstring path = OwnModulePath();
    if (path.empty()) {
      Trace(u"Brimlet: no new start, the program path is too long");
      return false;
    }
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring arguments(parameters);
    const auto started = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        nullptr, L"open", path.c_str(), arguments.c_str(), folder.c_str(), SW_SHOWNORMAL));
    if (started <= 32) Trace(u"Brimlet: the shell did not start the program again");
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

}  // namespace brimlet::win32
