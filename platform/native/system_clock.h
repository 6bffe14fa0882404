// The real clock on Linux.
#pragma once

#include "ports/clock.h"

namespace brimlet {

class NativeClock final : public IClock {
 public:
  int64_t NowSeconds() const noexcept override;
  uint32_t TickCount() const noexcept override;
  CalendarDate LocalDate(int64_t secondsSince1970) const noexcept override;
  void Sleep(uint32_t milliseconds) noexcept override;
};

}  // namespace brimlet
