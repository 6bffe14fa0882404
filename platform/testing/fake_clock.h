// A settable clock for logic tests, in both builds.
#pragma once

#include "ports/clock.h"

namespace brimlet {

// Time stands still until a test moves it; Sleep moves both time and tick. LocalDate
// uses a fixed offset from UTC (Japan's +9 h by default) so tests do not depend on TZ.
class FakeClock final : public IClock {
 public:
  explicit FakeClock(int64_t nowSeconds = 0, uint32_t tick = 0, int utcOffsetSeconds = 9 * 3600)
      : now_(nowSeconds), tick_(tick), offset_(utcOffsetSeconds) {}
  int64_t NowSeconds() const noexcept override { return now_; }
  uint32_t TickCount() const noexcept override { return tick_; }
  CalendarDate LocalDate(int64_t secondsSince1970) const noexcept override;
  void Sleep(uint32_t milliseconds) noexcept override;

  void SetNow(int64_t seconds) noexcept { now_ = seconds; }
  void SetTick(uint32_t tick) noexcept { tick_ = tick; }
  uint32_t sleptMilliseconds() const noexcept { return slept_; }

 private:
  int64_t now_;
  uint32_t tick_;
  int offset_;
  uint32_t slept_ = 0;
  uint32_t subSecond_ = 0;
};

// Civil date of a day count since 1970-01-01 (proleptic Gregorian).
CalendarDate CivilFromDays(int64_t days) noexcept;

}  // namespace brimlet
