#include "win32/dll_search.h"

#include <windows.h>

namespace brimlet::win32 {

void LoadDllsFromSystemFolderOnly() noexcept {
  // Looked up: Windows 7 has the function only with its update KB2533623.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  constexpr DWORD kSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  if (setDefault && setDefault(kSystem32)) return;
  // Without it, at least the current folder leaves the search.
  ::SetDllDirectoryW(L"");
}

}  // namespace brimlet::win32
