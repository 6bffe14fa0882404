#include "notice_check_win32.h"

#include <windows.h>

#include <memory>

#include "catalogue_signature_win32.h"
#include "download_win32.h"
#include "endpoints.h"
#include "text/utf16.h"
#include "ports/trace.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

void NoNotice(void*) noexcept {}
void IgnoreNotice(void*, const std::u16string&, const std::u16string&,
                  const std::u16string&) noexcept {}

DWORD WINAPI NoticeThread(void* parameter) noexcept {
  std::unique_ptr<NoticeRequest> request(static_cast<NoticeRequest*>(parameter));
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Win32Registry registry;
    Settings settings(registry);
    Win32Clock clock;
    Win32MutexFactory mutexes;
    DownloadNoticeSource source;
    Win32XmlParser parser;
    SystemCacheBuster cacheBuster;
    const BuildSignaturePolicy signatures(ParsePublicKeyHex(kCataloguePublicKey),
                                          kUnsignedUpdatesAllowed);
    RunNoticeCheck(*request, NoticeCheckPorts{settings, clock, mutexes, source, parser, cacheBuster,
                                              signatures.policy()});
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

}  // namespace

std::optional<std::vector<std::byte>> DownloadNoticeSource::Fetch(std::u16string_view address,
                                                                  size_t maxBytes) noexcept {
  return DownloadBytes(address, maxBytes);
}

UniqueHandle StartNoticeCheck(bool force, bool counting, void* context, NoticeCallback onNotice,
                              NoNoticeCallback onNoNotice, std::u16string host) noexcept {
  try {
    Win32Registry registry;
    Settings settings(registry);
    Win32Clock clock;
    if (!IsNoticeCheckDue(force, counting, settings, clock)) return {};
    auto request = std::make_unique<NoticeRequest>();
    request->counting = counting;
    request->context = context;
    request->onNotice = onNotice ? onNotice : IgnoreNotice;
    request->onNoNotice = onNoNotice ? onNoNotice : NoNotice;
    request->host = host.empty() ? AsciiToUtf16(kDownloadHost) : std::move(host);
    request->helpHost = AsciiToUtf16(kHelpHost);
    UniqueHandle thread(::CreateThread(nullptr, 0, NoticeThread, request.get(), 0, nullptr));
    if (thread) request.release();  // the thread owns it now
    return thread;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace brimlet::win32
