#include "usage_pings.h"

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

uint32_t Stamp(PingKind kind, const Settings& settings) noexcept {
  return kind == PingKind::kLive ? settings.LastLiveLog() : settings.LastMonthLog();
}

void SetStamp(PingKind kind, Settings& settings, int64_t now) noexcept {
  if (kind == PingKind::kLive) {
    settings.SetLastLiveLog(now);
  } else {
    settings.SetLastMonthLog(now);
  }
}

std::u16string Unsigned(int32_t value) { return FormatDecimal(static_cast<uint32_t>(value)); }

}  // namespace

bool IsPingDue(PingKind kind, Settings& settings, const IClock& clock) noexcept {
  if (!settings.Update()) return false;
  const int64_t now = clock.NowSeconds();
  const int64_t last = static_cast<int32_t>(Stamp(kind, settings));
  if (last == 0) {
    SetStamp(kind, settings, now);
    return false;
  }
  return !(now >= last && now <= last + kPingPeriodSeconds);
}

std::u16string PingAddress(std::u16string_view host, PingKind kind, const Settings& settings,
                           uint32_t cacheBuster) {
  const bool live = kind == PingKind::kLive;
  std::u16string address(host);
  address += live ? u"/bmb/l/v=1&l=1" : u"/bmb/l/v=1&l=2";
  address += u"&p=" + settings.Partner();
  address += u"&pv=" + settings.Version();
  address += u"&cnt_sb=" + Unsigned(live ? settings.SearchBox() : settings.SearchBoxMonthly());
  address += u"&cnt_srch=" + Unsigned(live ? settings.Search() : settings.SearchMonthly());
  address += u"&cnt_cfg=" + Unsigned(live ? settings.Configure() : settings.ConfigureMonthly());
  address += u"&cfg_kbd=" + Unsigned(live ? settings.KeyStroke() : settings.KeyStrokeMonthly());
  address += u"&t=" + FormatDecimal(cacheBuster);
  return address;
}

namespace {
// Out of memory building the address counts as an attempt that failed.
bool SendPing(PingKind kind, std::u16string_view host, const PingPorts& ports) noexcept {
  try {
    return ports.transport.Send(PingAddress(host, kind, ports.settings, ports.cacheBuster.Next()));
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}
}  // namespace

PingOutcome RunPing(PingKind kind, std::u16string_view host, uint32_t delayMilliseconds,
                    const PingPorts& ports) noexcept {
  const NamedMutexResult mutex =
      ports.mutexes.Create(kind == PingKind::kLive ? kLivePingMutex : kMonthlyPingMutex);
  if (mutex.alreadyExisted) return PingOutcome::kAlreadyRunning;
  ports.clock.Sleep(delayMilliseconds);
  const bool sent = SendPing(kind, host, ports);
  if (sent) SetStamp(kind, ports.settings, ports.clock.NowSeconds());
  if (kind == PingKind::kMonthly) {
    ports.settings.SetSearchBoxMonthly(0);
    ports.settings.SetConfigureMonthly(0);
    ports.settings.SetSearchMonthly(0);
  }
  return sent ? PingOutcome::kSent : PingOutcome::kFailed;
}

}  // namespace brimlet
