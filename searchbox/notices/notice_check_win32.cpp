#include "notice_check_win32.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <algorithm>
#include <memory>
#include <new>

#include "endpoints.h"
#include "text/utf16.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

// Named here: the SDK headers map the XMLHTTP names to other versions of the class.
constexpr CLSID kClsidXmlHttp = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kIidXmlHttpRequest = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

// A notice file is a few hundred bytes; anything far larger is not one.
constexpr ULONG kMaxNoticeBytes = 1 << 20;
// A check that has not ended by then is given up (the window that asked is long gone).
constexpr ULONGLONG kNoticeTimeoutMs = 60'000;
constexpr LONG kHeadersReceived = 2;
constexpr LONG kCompleted = 4;

class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() noexcept { return &value_; }
  const VARIANT& operator*() const noexcept { return value_; }

 private:
  VARIANT value_;
};

std::optional<std::vector<std::byte>> BytesOf(const VARIANT& body) {
  if (body.vt != (VT_ARRAY | VT_UI1) || !body.parray) return std::nullopt;
  SAFEARRAY* array = body.parray;
  if (::SafeArrayGetDim(array) != 1) return std::nullopt;
  LONG lower = 0, upper = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
    return std::nullopt;
  }
  const LONGLONG count = LONGLONG{upper} - lower + 1;
  if (count < 0 || count > kMaxNoticeBytes) return std::nullopt;
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(array, &data))) return std::nullopt;
  std::vector<std::byte> bytes(static_cast<const std::byte*>(data),
                               static_cast<const std::byte*>(data) + count);
  ::SafeArrayUnaccessData(array);
  return bytes;
}

// Whether the declared length exceeds the cap; nothing while no length has been declared.
std::optional<bool> DeclaresTooLargeBody(IXMLHTTPRequest& request) {
  UniqueBstr name(::SysAllocString(L"Content-Length"));
  BSTR value = nullptr;
  if (!name || request.getResponseHeader(name.get(), &value) != S_OK || !value) {
    return std::nullopt;
  }
  const UniqueBstr owned(value);
  unsigned long long length = 0;
  for (const wchar_t* c = value; *c != L'\0'; ++c) {
    if (*c < L'0' || *c > L'9') return false;
    length = length * 10 + static_cast<unsigned>(*c - L'0');
    if (length > kMaxNoticeBytes) return true;
  }
  return false;
}

// Runs the asynchronous request to its end on this apartment's thread, which dispatches
// messages for it meanwhile. A declared length over the cap ends it before the body is
// received (a body without one is still refused once received).
bool AwaitResponse(IXMLHTTPRequest& request) {
  const ULONGLONG deadline = ::GetTickCount64() + kNoticeTimeoutMs;
  bool lengthChecked = false;
  for (;;) {
    LONG state = 0;
    if (FAILED(request.get_readyState(&state))) return false;
    if (!lengthChecked && state >= kHeadersReceived) {
      if (const std::optional<bool> tooLarge = DeclaresTooLargeBody(request)) {
        lengthChecked = true;
        if (*tooLarge) {
          request.abort();
          return false;
        }
      }
    }
    if (state == kCompleted) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) {
      request.abort();
      return false;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

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
    XmlHttpNoticeSource source;
    Win32XmlParser parser;
    RunNoticeCheck(*request, NoticeCheckPorts{settings, clock, mutexes, source, parser});
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

}  // namespace

std::optional<std::vector<std::byte>> XmlHttpNoticeSource::Fetch(
    std::u16string_view address) noexcept {
  try {
    ComPtr<IXMLHTTPRequest> request;
    if (FAILED(::CoCreateInstance(kClsidXmlHttp, nullptr, CLSCTX_ALL, kIidXmlHttpRequest,
                                  request.put_void()))) {
      return std::nullopt;
    }
    UniqueBstr method(::SysAllocString(L"GET"));
    const std::wstring wideAddress = ToWide(address);
    UniqueBstr url(::SysAllocStringLen(wideAddress.data(), static_cast<UINT>(wideAddress.size())));
    if (!method || !url) return std::nullopt;
    Variant async, user, password, nothing;
    async.get()->vt = VT_BOOL;
    async.get()->boolVal = VARIANT_TRUE;
    if (FAILED(request->open(method.get(), url.get(), *async, *user, *password))) {
      return std::nullopt;
    }
    if (FAILED(request->send(*nothing)) || !AwaitResponse(*request.get())) return std::nullopt;
    LONG status = 0;
    if (FAILED(request->get_status(&status)) || status != 200) return std::nullopt;
    Variant body;
    if (FAILED(request->get_responseBody(body.get()))) return std::nullopt;
    return BytesOf(*body);
  } catch (...) {
    return std::nullopt;
  }
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
    UniqueHandle thread(::CreateThread(nullptr, 0, NoticeThread, request.get(), 0, nullptr));
    if (thread) request.release();  // the thread owns it now
    return thread;
  } catch (...) {
    return {};
  }
}

}  // namespace brimlet::win32
