#include "usage_pings_win32.h"

#include <windows.h>

#include <memory>

#include "download_win32.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// The log host's answer is ignored; anything longer than a page is not a log host's.
constexpr size_t kMaxPingAnswerBytes = 64 * 1024;

struct PingRequest {
  PingKind kind;
  std::u16string host;
  uint32_t delayMilliseconds;
};

DWORD WINAPI PingThread(void* parameter) noexcept {
  std::unique_ptr<PingRequest> request(static_cast<PingRequest*>(parameter));
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Win32Registry registry;
    Settings settings(registry);
    Win32Clock clock;
    Win32MutexFactory mutexes;
    UrlDownloadPingTransport transport;
    SystemCacheBuster cacheBuster;
    RunPing(request->kind, request->host, request->delayMilliseconds,
            PingPorts{settings, clock, mutexes, transport, cacheBuster});
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

}  // namespace

bool UrlDownloadPingTransport::Send(std::u16string_view address) noexcept {
  TemporaryDownloadFile file;
  if (FAILED(file.Create())) return false;
  return DownloadInto(address, file, kMaxPingAnswerBytes);
}

UniqueHandle StartPing(PingKind kind, std::u16string host, uint32_t delayMilliseconds) noexcept {
  try {
    Win32Registry registry;
    Settings settings(registry);
    if (!IsPingDue(kind, settings, Win32Clock())) return {};
    auto request =
        std::make_unique<PingRequest>(PingRequest{kind, std::move(host), delayMilliseconds});
    UniqueHandle thread(::CreateThread(nullptr, 0, PingThread, request.get(), 0, nullptr));
    if (thread) request.release();  // the thread owns it now
    return thread;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace brimlet::win32
