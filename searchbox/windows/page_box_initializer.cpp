#include "page_box_initializer.h"

#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <urlmon.h>

#include "content_moniker.h"
#include "page_contract.h"
#include "win32/trace.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// An event argument as text: the browser passes addresses as a BSTR or by reference.
std::u16string ArgumentText(const VARIANT& argument) {
  if (argument.vt == VT_BSTR && argument.bstrVal != nullptr) {
    return FromWide({argument.bstrVal, ::SysStringLen(argument.bstrVal)});
  }
  if (argument.vt == (VT_BYREF | VT_BSTR) && argument.pbstrVal != nullptr &&
      *argument.pbstrVal != nullptr) {
    return FromWide({*argument.pbstrVal, ::SysStringLen(*argument.pbstrVal)});
  }
  if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
    return ArgumentText(*argument.pvarVal);
  }
  return {};
}

// Sets an event's by-reference Cancel argument.
void SetCancel(VARIANT& argument) noexcept {
  if (argument.vt == (VT_BYREF | VT_BOOL) && argument.pboolVal != nullptr) {
    *argument.pboolVal = VARIANT_TRUE;
  }
}

ComPtr<IUnknown> Identity(IUnknown* object) noexcept {
  ComPtr<IUnknown> identity;
  if (object != nullptr) object->QueryInterface(IID_IUnknown, identity.put_void());
  return identity;
}

}  // namespace

ComPtr<BrowserInitializer> BrowserInitializer::Connect(IWebBrowser2* browser, HMODULE module,
                                                       std::u16string skinFolder,
                                                       IPageEvents* events) noexcept {
  if (browser == nullptr) return {};
  ComPtr<BrowserInitializer> sink = ComPtr<BrowserInitializer>::Attach(
      new (std::nothrow) BrowserInitializer(module, std::move(skinFolder), events));
  if (!sink) return {};
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) {
    return {};
  }
  ComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put()))) return {};
  DWORD cookie = 0;
  if (FAILED(point->Advise(static_cast<IDispatch*>(sink.get()), &cookie))) return {};
  sink->point_ = point;
  sink->cookie_ = cookie;
  return sink;
}

void BrowserInitializer::Disconnect() noexcept {
  events_ = nullptr;
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.reset();
  pageDocument_.reset();
}

bool BrowserInitializer::ShowsThePage(IWebBrowser2* browser) const noexcept {
  if (browser == nullptr || !pageRequested_) return false;
  try {
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document) return false;
    if (pageDocument_ && Identity(document.get()).get() == pageDocument_.get()) return true;
    ComPtr<IHTMLDocument2> html;
    if (FAILED(document->QueryInterface(IID_IHTMLDocument2, html.put_void()))) return false;
    UniqueBstr url;
    if (FAILED(html->get_URL(url.put())) || !url) return false;
    return IsBoxPageAddress(FromWide({url.get(), ::SysStringLen(url.get())}), pageAddress_);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

STDMETHODIMP BrowserInitializer::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP BrowserInitializer::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                        EXCEPINFO*, UINT*) noexcept {
  if (cookie_ == 0 || params == nullptr) return S_OK;
  // Keep ourselves alive should the box let go of us from inside an event.
  ComPtr<BrowserInitializer> self(this);
  // The arguments arrive last first.
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      if (params->cArgs == 7) OnBeforeNavigate(*params);
      break;
    case DISPID_NEWWINDOW3:
      if (params->cArgs == 5) OnNewWindow(*params, true);
      break;
    case DISPID_NEWWINDOW2:  // browsers without the third event
      if (params->cArgs == 2) OnNewWindow(*params, false);
      break;
    case DISPID_DOCUMENTCOMPLETE:
      if (params->cArgs == 2) OnDocumentComplete(*params);
      break;
    default:
      break;
  }
  return S_OK;
}

void BrowserInitializer::OnBeforeNavigate(DISPPARAMS& params) noexcept {
  try {
    // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
    const std::u16string url = ArgumentText(params.rgvarg[5]);
    if (MayNavigate(url, pageRequested_, pageAddress_)) return;
    SetCancel(params.rgvarg[0]);
    Trace(u"page: navigation cancelled: " + url);
  } catch (...) {
    SetCancel(params.rgvarg[0]);
  }
}

void BrowserInitializer::OnNewWindow(DISPPARAMS& params, bool withAddress) noexcept {
  // NewWindow3: (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl); NewWindow2: (ppDisp,
  // Cancel). The box's control never opens a window of its own.
  SetCancel(params.rgvarg[withAddress ? 3 : 0]);
  try {
    const std::u16string url = withAddress ? ArgumentText(params.rgvarg[0]) : std::u16string();
    Trace(u"page: new window cancelled: " + url);
    if (events_ != nullptr && withAddress) events_->OnNewWindow(url);
  }
  BRIMLET_CATCH_LOG()
}

void BrowserInitializer::OnDocumentComplete(DISPPARAMS& params) noexcept {
  // (pDisp, URL): pDisp is the browser (or frame) that completed.
  const VARIANT& browser = params.rgvarg[1];
  if (browser.vt != VT_DISPATCH || browser.pdispVal == nullptr) return;
  if (!pageRequested_) {
    // Marked first: the page's own load must pass the navigation lock.
    pageRequested_ = true;
    LoadPage(browser.pdispVal);
    if (events_ != nullptr) events_->OnBrowserReady();
    return;
  }
  try {
    if (events_ != nullptr && IsBoxPageAddress(ArgumentText(params.rgvarg[0]), pageAddress_)) {
      events_->OnPageComplete();
    }
  }
  BRIMLET_CATCH_LOG()
}

void BrowserInitializer::LoadPage(IDispatch* browserDispatch) noexcept {
  ComPtr<IWebBrowser2> browser;
  if (FAILED(browserDispatch->QueryInterface(IID_IWebBrowser2, browser.put_void()))) return;
  ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.put())) || !document) {
    Trace(u"page: the browser has no document");
    return;
  }
  ComPtr<IHTMLDocument2> html;
  if (FAILED(document->QueryInterface(IID_IHTMLDocument2, html.put_void()))) return;
  ComPtr<IMoniker> moniker = CreateContentMoniker(module_, skinFolder_);
  ComPtr<IPersistMoniker> persist;
  if (!moniker || FAILED(html->QueryInterface(IID_IPersistMoniker, persist.put_void()))) {
    Trace(u"page: the document cannot load from a moniker");
    return;
  }
  LPOLESTR name = nullptr;
  if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &name)) && name != nullptr) {
    try {
      pageAddress_ = FromWide(name);
    }
    BRIMLET_CATCH_LOG()
    ::CoTaskMemFree(name);
  }
  pageDocument_ = Identity(document.get());
  if (FAILED(persist->Load(TRUE, moniker.get(), nullptr, 0))) Trace(u"page: the load failed");
}

}  // namespace brimlet::win32
