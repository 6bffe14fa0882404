#include "native/system_clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace brimlet {

int64_t NativeClock::NowSeconds() const noexcept {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

uint32_t NativeClock::TickCount() const noexcept {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

CalendarDate NativeClock::LocalDate(int64_t secondsSince1970) const noexcept {
  const std::time_t t = static_cast<std::time_t>(secondsSince1970);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void NativeClock::Sleep(uint32_t milliseconds) noexcept {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace brimlet
