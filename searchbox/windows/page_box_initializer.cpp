#include "page_box_initializer.h"

#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <urlmon.h>

#include "content_moniker.h"
#include "win32/trace.h"

namespace brimlet::win32 {

ComPtr<BrowserInitializer> BrowserInitializer::Connect(IWebBrowser2* browser, HMODULE module,
                                                       std::u16string skinFolder) noexcept {
  if (browser == nullptr) return {};
  ComPtr<BrowserInitializer> sink = ComPtr<BrowserInitializer>::Attach(
      new (std::nothrow) BrowserInitializer(module, std::move(skinFolder)));
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
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.reset();
}

STDMETHODIMP BrowserInitializer::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP BrowserInitializer::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                        EXCEPINFO*, UINT*) noexcept {
  if (id != DISPID_DOCUMENTCOMPLETE || cookie_ == 0) return S_OK;
  // Keep ourselves alive while the connection point lets go of us.
  ComPtr<BrowserInitializer> self(this);
  // The arguments arrive last first: rgvarg[1] is the browser that completed.
  if (params != nullptr && params->cArgs == 2 && params->rgvarg[1].vt == VT_DISPATCH) {
    LoadPage(params->rgvarg[1].pdispVal);
  }
  Disconnect();
  return S_OK;
}

void BrowserInitializer::LoadPage(IDispatch* browserDispatch) noexcept {
  if (browserDispatch == nullptr) return;
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
  if (FAILED(persist->Load(TRUE, moniker.get(), nullptr, 0))) Trace(u"page: the load failed");
}

}  // namespace brimlet::win32
