// Clock port: wall time, the millisecond tick and the local calendar.
#pragma once

#include <cstdint>

namespace brimlet {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Seconds since 1970-01-01 00:00 UTC.
  virtual int64_t NowSeconds() const noexcept = 0;
  // Milliseconds since system start; wraps after about 49.7 days.
  virtual uint32_t TickCount() const noexcept = 0;
  // The calendar date of a time in the user's local time zone.
  virtual CalendarDate LocalDate(int64_t secondsSince1970) const noexcept = 0;
  virtual void Sleep(uint32_t milliseconds) noexcept = 0;
};

}  // namespace brimlet
