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

#include "launch_timing.h"

namespace {

using brimlet::bench::Median;
using brimlet::bench::Target;
using brimlet::bench::TimeToVisible;

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
  TimeToVisible(box);
  TimeToVisible(minimal);
  if (withFloor) TimeToVisible(floor);
  std::vector<double> boxTimes, minimalTimes, ratios, floorTimes, floorRatios;
  for (int i = 0; i < rounds; ++i) {
    const double b = TimeToVisible(box);
    const double m = TimeToVisible(minimal);
    if (b < 0 || m <= 0) {
      std::fprintf(stderr, "round %d: a window did not appear\n", i + 1);
      return 1;
    }
    boxTimes.push_back(b);
    minimalTimes.push_back(m);
    ratios.push_back(b / m);
    std::printf("round %2d: box %7.1f ms, minimal window %7.1f ms, ratio %.2f", i + 1, b, m, b / m);
    if (withFloor) {
      const double f = TimeToVisible(floor);
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
