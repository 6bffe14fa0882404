// The usage-log pings: when each is due, its address, and the worker's sequence from the
// mutex to the time stamp. Portable; the request itself goes through IPingTransport.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cache_buster.h"
#include "ports/clock.h"
#include "ports/mutex.h"
#include "settings.h"

namespace brimlet {

enum class PingKind { kLive, kMonthly };

inline constexpr std::u16string_view kLivePingMutex = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30006}";
inline constexpr std::u16string_view kMonthlyPingMutex = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30007}";
// At most one ping of each kind in this many seconds.
inline constexpr int64_t kPingPeriodSeconds = 2'592'000;
// Every background job of the start role waits this long before it goes to the network,
// so that it does not compete with the user's log-on.
inline constexpr uint32_t kJobDelayMilliseconds = 180'000;

// The starter's decision. Nothing with "Update" off; the first run only marks the start of
// the period (stores now); due when more than 30 days passed or the clock lies before the
// stamp.
bool IsPingDue(PingKind kind, Settings& settings, const IClock& clock) noexcept;

// host + "/bmb/l/v=1&l=<1|2>&p=..&pv=..&cnt_sb=..&cnt_srch=..&cnt_cfg=..&cfg_kbd=..&t=<value>",
// with the live or the monthly counters and a fresh cache-busting value.
std::u16string PingAddress(std::u16string_view host, PingKind kind, const Settings& settings,
                           uint32_t cacheBuster);

// Sends one ping; true only when the server answered it with status 200.
class IPingTransport {
 public:
  virtual ~IPingTransport() = default;
  virtual bool Send(std::u16string_view address) noexcept = 0;
};

struct PingPorts {
  Settings& settings;
  IClock& clock;
  IMutexFactory& mutexes;
  IPingTransport& transport;
  ICacheBuster& cacheBuster;
};

enum class PingOutcome { kAlreadyRunning, kSent, kFailed };

// The worker thread's work: mutex (one that exists, or that another user's process holds
// and we may not open, means another worker runs), delay, address from the values read after the delay,
// stamp moved only on success, monthly counters emptied after every attempt.
PingOutcome RunPing(PingKind kind, std::u16string_view host, uint32_t delayMilliseconds,
                    const PingPorts& ports) noexcept;

}  // namespace brimlet
