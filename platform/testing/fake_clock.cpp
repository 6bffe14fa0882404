#include "testing/fake_clock.h"

namespace brimlet {

CalendarDate CivilFromDays(int64_t z) noexcept {
  // Howard Hinnant's days-to-civil algorithm.
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

CalendarDate FakeClock::LocalDate(int64_t secondsSince1970) const noexcept {
  const int64_t local = secondsSince1970 + offset_;
  const int64_t days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
  return CivilFromDays(days);
}

void FakeClock::Sleep(uint32_t milliseconds) noexcept {
  slept_ += milliseconds;
  tick_ += milliseconds;
  subSecond_ += milliseconds;
  now_ += subSecond_ / 1000;
  subSecond_ %= 1000;
}

}  // namespace brimlet
