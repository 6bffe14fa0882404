// Cost of the detector per keyboard event: the part of the hook that is the same on every
// platform. The whole procedure under Wine is measured by hook_cost.cpp.
#include <benchmark/benchmark.h>

#include "core/double_press_detector.h"

namespace brimlet {
namespace {

constexpr uint32_t kLimit = 500;

// Most keystrokes: a key that is not watched, with the detector idle.
void BM_UnwatchedKey(benchmark::State& state) {
  DoublePressDetector detector;
  FixedReadings readings{{}, 1000, kLimit};
  for (auto _ : state) {
    benchmark::DoNotOptimize(detector.OnKey(0x41, 1, false, readings, 0));
    benchmark::DoNotOptimize(detector);
  }
}
BENCHMARK(BM_UnwatchedKey);

// A clean press of the watched key (reads the side-specific key states).
void BM_WatchedKeyPress(benchmark::State& state) {
  DoublePressDetector detector;
  FixedReadings readings{{}, 1000, kLimit};
  for (auto _ : state) {
    benchmark::DoNotOptimize(detector.OnKey(0x11, 1, false, readings, 0));
    benchmark::DoNotOptimize(detector);
  }
}
BENCHMARK(BM_WatchedKeyPress);

// A release of the watched key that starts a new pair (reads the tick and the limit).
void BM_WatchedKeyRelease(benchmark::State& state) {
  DoublePressDetector detector;
  FixedReadings readings{{}, 1000, kLimit};
  detector.OnKey(0x11, 1, false, readings, 0);
  for (auto _ : state) {
    readings.tick += kLimit + 1;  // always too late: never fires
    benchmark::DoNotOptimize(detector.OnKey(0x11, 1, true, readings, 0));
    benchmark::DoNotOptimize(detector);
  }
}
BENCHMARK(BM_WatchedKeyRelease);

// A whole double press: four events, the last one fires.
void BM_DoublePress(benchmark::State& state) {
  DoublePressDetector detector;
  FixedReadings readings{{}, 1000, kLimit};
  for (auto _ : state) {
    readings.tick += 10;
    detector.OnKey(0x11, 1, false, readings, 0);
    readings.tick += 10;
    detector.OnKey(0x11, 1, true, readings, 0);
    readings.tick += 10;
    detector.OnKey(0x11, 1, false, readings, 0);
    readings.tick += 10;
    benchmark::DoNotOptimize(detector.OnKey(0x11, 1, true, readings, 0));
    benchmark::DoNotOptimize(detector);
  }
}
BENCHMARK(BM_DoublePress);

}  // namespace
}  // namespace brimlet

BENCHMARK_MAIN();
