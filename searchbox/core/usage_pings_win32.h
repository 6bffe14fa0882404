// The usage pings on Windows: the starters and the worker threads.
#pragma once

#include <string>

#include "usage_pings.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// Sends through the platform's URL download service into a temporary file that is deleted
// afterwards; only status 200 counts.
class UrlDownloadPingTransport final : public IPingTransport {
 public:
  bool Send(std::u16string_view address) noexcept override;
};

// Starts the ping's worker when it is due (see IsPingDue); empty otherwise. `host` is the
// usage-log endpoint's scheme and host; the worker waits `delayMilliseconds` first.
UniqueHandle StartPing(PingKind kind, std::u16string host, uint32_t delayMilliseconds) noexcept;

}  // namespace brimlet::win32
