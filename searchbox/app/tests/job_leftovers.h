// What the background jobs may leave in the temporary folder, for the tests that check they
// leave nothing: download files and extraction folders.
#pragma once

#include <windows.h>

#include <set>
#include <string>

namespace brimlet::win32 {

inline std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

inline std::set<std::wstring> JobLeftovers() {
  std::set<std::wstring> names;
  for (const wchar_t* pattern : {L"TFR*", L"_926_*"}) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((TempFolder() + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do names.insert(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  return names;
}

}  // namespace brimlet::win32
