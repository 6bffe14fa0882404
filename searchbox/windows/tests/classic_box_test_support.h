// Test support for the classic box's Windows tests.
#pragma once

#include <windows.h>

#include <string>

namespace brimlet::testing {

// HKCR\<scheme>\shell\open\command, saved and put back afterwards.
class ShellHandler {
 public:
  ShellHandler(const wchar_t* scheme, const std::wstring& command)
      : key_(std::wstring(scheme) + L"\\shell\\open\\command") {
    wchar_t old[1024] = {};
    DWORD size = sizeof(old);
    had_ = ::RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old,
                          &size) == ERROR_SUCCESS;
    if (had_) old_ = old;
    Set(command);
  }
  ~ShellHandler() {
    if (had_) Set(old_);
  }

 private:
  void Set(const std::wstring& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
  std::wstring key_;
  bool had_ = false;
  std::wstring old_;
};

}  // namespace brimlet::testing
