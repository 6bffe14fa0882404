// Cost of the whole KeyboardProc per keystroke, run under Wine, as every program on the
// desktop pays it, against a hook procedure that only passes the event on.
// Usage: trigger_hook_cost.exe [iterations]   (prints microseconds per call)
// It uses the settings as the prefix holds them; a double press never completes, so nothing
// is started.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

using KeyboardProcFn = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);

constexpr LPARAM kADown = 0x001e0001;
constexpr LPARAM kCtrlDown = 0x001d0001;

double NanosecondsPerCall(KeyboardProcFn proc, int code, WPARAM key, LPARAM event, int count) {
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) proc(code, key, event);
  ::QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) * 1e9 /
         static_cast<double>(frequency.QuadPart) / count;
}

// The yardstick: what any keyboard hook costs at least.
LRESULT CALLBACK BareProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The machine is shared: the best of several rounds is the cost, the median shows the noise.
struct Figures {
  double best;
  double median;
};
constexpr int kRounds = 7;
Figures Summarise(std::array<double, kRounds> rounds) {
  std::sort(rounds.begin(), rounds.end());
  return {rounds.front(), rounds[rounds.size() / 2]};
}
Figures Measure(KeyboardProcFn proc, int code, WPARAM key, LPARAM event, int count) {
  std::array<double, kRounds> rounds{};
  NanosecondsPerCall(proc, code, key, event, count / 10 + 1);  // warm up
  for (double& round : rounds) round = NanosecondsPerCall(proc, code, key, event, count);
  return Summarise(rounds);
}

// The module's procedure against the bare one for an unwatched key, in alternating rounds;
// the ratio is the median of the rounds' ratios.
double UnwatchedRatio(KeyboardProcFn proc, int count) {
  std::array<double, kRounds> ratios{};
  for (double& ratio : ratios) {
    const double bare = NanosecondsPerCall(&BareProc, HC_ACTION, 'A', kADown, count);
    ratio = NanosecondsPerCall(proc, HC_ACTION, 'A', kADown, count) / bare;
  }
  return Summarise(ratios).median;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc > 1 ? _wtoi(argv[1]) : 2000;
  HMODULE module = ::LoadLibraryW(BRIMLET_HOOK_DLL_PATH);
  auto proc = module ? reinterpret_cast<KeyboardProcFn>(
                           reinterpret_cast<void*>(::GetProcAddress(module, "KeyboardProc")))
                     : nullptr;
  if (!proc || count <= 0) {
    std::fprintf(stderr, "cannot load KeyboardProc from the module\n");
    return 1;
  }
  const Figures bare = Measure(&BareProc, HC_ACTION, 'A', kADown, count);
  const Figures passOn = Measure(proc, -1, 'A', kADown, count);
  const Figures unwatched = Measure(proc, HC_ACTION, 'A', kADown, count);
  // Repeated clean presses keep the detector armed and never fire.
  const Figures watchedPress = Measure(proc, HC_ACTION, VK_CONTROL, kCtrlDown, count);
  const double ratio = UnwatchedRatio(proc, count);
  std::printf("KeyboardProc, %d rounds of %d calls each, microseconds per call (best / median)\n",
              kRounds, count);
  auto print = [](const char* what, Figures f) {
    std::printf("  %-44s %8.1f / %8.1f\n", what, f.best / 1000, f.median / 1000);
  };
  print("bare procedure (CallNextHookEx only)", bare);
  print("negative hook code (passed on at once)", passOn);
  print("unwatched key", unwatched);
  print("watched key press (two settings, key states)", watchedPress);
  std::printf("  unwatched key / bare procedure, median of %d alternating rounds: %.2f\n", kRounds,
              ratio);
  ::FreeLibrary(module);
  return 0;
}
