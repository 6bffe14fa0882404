#include "win32/startup_timeline.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

int64_t Counter() noexcept {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Milliseconds from the process's creation to the counter value `at`, through the system
// time of now (the performance counter has no known origin).
double SinceProcessStart(int64_t at) noexcept {
  FILETIME created, exited, kernel, user, now;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ::GetSystemTimeAsFileTime(&now);
  const int64_t counterNow = Counter();
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  const auto ticks = [](FILETIME t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  const double nowMs = static_cast<double>(ticks(now) - ticks(created)) / 10'000.0;
  return nowMs -
         static_cast<double>(counterNow - at) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

void StartupTimeline::Mark(const char16_t* name) noexcept {
  if (count_ < milestones_.size()) milestones_[count_++] = {name, Counter()};
}

void StartupTimeline::Report(std::u16string_view what) noexcept {
  if (reported_ || count_ == 0) return;
  reported_ = true;
  try {
    std::u16string line(what);
    line += u", ms since process start:";
    for (size_t i = 0; i < count_; ++i) {
      char number[32];
      std::snprintf(number, sizeof(number), " %.1f", SinceProcessStart(milestones_[i].counter));
      line += u' ';
      line += milestones_[i].name;
      for (const char* c = number; *c; ++c) line += static_cast<char16_t>(*c);
    }
    Trace(line);
  }
  BRIMLET_CATCH_LOG()
}

StartupTimeline& BoxStartup() noexcept {
  static constinit StartupTimeline timeline;
  return timeline;
}

}  // namespace brimlet::win32
