// A gadget module for the host's tests: every call of an export appends one line to
// "<own module path>.calls.log", so a test sees which module ran what, in which order.
// Variants differ in their .def file (which exports exist) and in Configure's result.
#include <windows.h>
#include <objbase.h>

#ifndef TEST_GADGET_CONFIGURE_RESULT
#define TEST_GADGET_CONFIGURE_RESULT S_OK
#endif

namespace {

HMODULE ownModule = nullptr;

void Record(const char* text, const wchar_t* detail = nullptr) noexcept {
  wchar_t path[MAX_PATH + 16] = {};
  const DWORD length = ::GetModuleFileNameW(ownModule, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  ::lstrcatW(path, L".calls.log");
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char line[160] = {};
  int used = ::wsprintfA(line, "%s", text);
  if (detail != nullptr) {
    used += ::wsprintfA(line + used, " ");
    used += ::WideCharToMultiByte(CP_UTF8, 0, detail, -1, line + used, 100, nullptr, nullptr) - 1;
  }
  line[used++] = '\n';
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(used), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ownModule = instance;
  return TRUE;
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code >= 0) Record("KeyboardProc");
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HRESULT __stdcall ExecuteCommand(const GUID* command) noexcept {
  wchar_t text[40] = {};
  ::StringFromGUID2(*command, text, 40);
  Record("ExecuteCommand", text);
  return S_OK;
}

HRESULT __stdcall Configure() noexcept {
  Record("Configure");
  return TEST_GADGET_CONFIGURE_RESULT;
}

HRESULT __stdcall OnStart() noexcept {
  Record("OnStart");
  return S_OK;
}

}  // extern "C"
