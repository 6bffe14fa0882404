// Stands in for a system DLL that someone placed beside a program: when it is loaded, it
// leaves "<its own name>.loaded" beside itself and refuses to stay.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  if (::GetModuleFileNameW(module, path, MAX_PATH) != 0) {
    const std::wstring marker = std::wstring(path) + L".loaded";
    HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  }
  return FALSE;
}
