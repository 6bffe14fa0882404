// What the summon benchmarks share: a millisecond clock, the time a program takes from
// CreateProcess until its window is visible, and the median of the rounds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brimlet::bench {

inline double Now() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Target {
  std::wstring commandLine;
  const wchar_t* className;
  const wchar_t* title;
};

// Closed only once its start-up has settled, so that work it leaves for after its first
// paint is done (and reported) before it goes, and does not overlap the next round.
inline constexpr DWORD kSettleMilliseconds = 400;

// Milliseconds from CreateProcess to the window being visible; negative on failure.
inline double TimeToVisible(const Target& target) {
  std::wstring line = target.commandLine;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  const double start = Now();
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return -1;
  }
  double shown = -1;
  HWND window = nullptr;
  while (Now() - start < 20'000) {
    window = ::FindWindowW(target.className, target.title);
    if (window != nullptr && ::IsWindowVisible(window)) {
      shown = Now() - start;
      break;
    }
    ::Sleep(1);
  }
  ::Sleep(kSettleMilliseconds);
  if (window != nullptr) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(pi.hProcess, 10'000) != WAIT_OBJECT_0) {
    ::TerminateProcess(pi.hProcess, 1);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return shown;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

}  // namespace brimlet::bench
