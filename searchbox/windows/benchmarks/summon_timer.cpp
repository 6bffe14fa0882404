// Times, inside Wine, how long a program takes from its start to its window being shown:
// Brimlet.exe /search (the classic box) alternating with a program that only shows a
// window and, when given, the box's floor (box_floor.exe: only what every box must do).
// Prints each round and the medians; a ratio is the median of the rounds' ratios.
//   summon_timer.exe <Brimlet.exe> <minimal_window.exe> [rounds [<box_floor.exe> <folder>]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSettleMilliseconds = 400;

struct Target {
  std::wstring commandLine;
  const wchar_t* className;
  const wchar_t* title;
};

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcess to the window being visible; negative on failure.
double TimeOne(const Target& target) {
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
  // Closed only once its start-up has settled, so that work it leaves for after its first
  // paint is done (and reported) before it goes, and does not overlap the next round.
  ::Sleep(kSettleMilliseconds);
  if (window != nullptr) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(pi.hProcess, 10'000) != WAIT_OBJECT_0) {
    ::TerminateProcess(pi.hProcess, 1);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return shown;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || argc == 5) {
    std::fprintf(stderr,
                 "usage: summon_timer <Brimlet.exe> <minimal_window.exe> [rounds "
                 "[<box_floor.exe> <catalogue folder>]]\n");
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 21;
  const Target box{L"\"" + std::wstring(argv[1]) + L"\" /search", L"#32770",
                   L"\u30d6\u30ea\u30e0\u30ec\u30c3\u30c8\u30dc\u30c3\u30af\u30b9"};
  const Target minimal{L"\"" + std::wstring(argv[2]) + L"\"", L"BrimletMinimalWindow", L"minimal"};
  const bool withFloor = argc > 5;
  const Target floor{withFloor ? L"\"" + std::wstring(argv[4]) + L"\" \"" + argv[5] + L"\"" : L"",
                     L"#32770", L"box floor"};
  // One unmeasured round of each warms the file cache and the Wine server.
  TimeOne(box);
  TimeOne(minimal);
  if (withFloor) TimeOne(floor);
  std::vector<double> boxTimes, minimalTimes, ratios, floorTimes, floorRatios;
  for (int i = 0; i < rounds; ++i) {
    const double b = TimeOne(box);
    const double m = TimeOne(minimal);
    if (b < 0 || m <= 0) {
      std::fprintf(stderr, "round %d: a window did not appear\n", i + 1);
      return 1;
    }
    boxTimes.push_back(b);
    minimalTimes.push_back(m);
    ratios.push_back(b / m);
    std::printf("round %2d: box %7.1f ms, minimal window %7.1f ms, ratio %.2f", i + 1, b, m, b / m);
    if (withFloor) {
      const double f = TimeOne(floor);
      if (f < 0) {
        std::fprintf(stderr, "round %d: the floor's window did not appear\n", i + 1);
        return 1;
      }
      floorTimes.push_back(f);
      floorRatios.push_back(f / m);
      std::printf(", floor %7.1f ms, ratio %.2f", f, f / m);
    }
    std::printf("\n");
  }
  std::printf("median: box %.1f ms, minimal window %.1f ms, ratio %.2f (%d rounds)\n",
              Median(boxTimes), Median(minimalTimes), Median(ratios), rounds);
  if (withFloor) {
    std::printf("median: floor %.1f ms, ratio floor / minimal window %.2f\n", Median(floorTimes),
                Median(floorRatios));
  }
  return 0;
}
