#include "win32/browser_host.h"

namespace brimlet::win32 {

ComPtr<BrowserHost> BrowserHost::Create(HWND window, IBrowserHostClient* client) noexcept {
  auto* host = new (std::nothrow) BrowserHost(window, client);
  return ComPtr<BrowserHost>::Attach(host);
}

HRESULT BrowserHost::CreateControl(REFCLSID clsid) noexcept {
  if (window_ == nullptr) return E_UNEXPECTED;
  ComPtr<IOleObject> control;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IOleObject, control.put_void());
  if (FAILED(hr)) return hr;
  hr = control->SetClientSite(static_cast<IOleClientSite*>(this));
  if (FAILED(hr)) return hr;
  control_ = control;
  RECT client{};
  ::GetClientRect(window_, &client);
  hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0,
                       window_, &client);
  if (FAILED(hr)) {
    Close();
    return hr;
  }
  inPlace_ = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
  if (!activeObject_)
    activeObject_ = control.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
  return S_OK;
}

ComPtr<IWebBrowser2> BrowserHost::Browser() const noexcept {
  return control_ ? control_.As<IWebBrowser2>(IID_IWebBrowser2) : ComPtr<IWebBrowser2>();
}

bool BrowserHost::TranslateThroughControl(MSG& msg) noexcept {
  return activeObject_ && activeObject_->TranslateAccelerator(&msg) == S_OK;
}

void BrowserHost::FitToWindow() noexcept {
  if (!inPlace_ || window_ == nullptr) return;
  RECT client{};
  ::GetClientRect(window_, &client);
  inPlace_->SetObjectRects(&client, &client);
}

void BrowserHost::Close() noexcept {
  // Keep ourselves alive: the control may drop its last reference to us during this.
  ComPtr<BrowserHost> self(this);
  if (inPlace_) inPlace_->InPlaceDeactivate();
  if (control_) {
    control_->Close(OLECLOSE_NOSAVE);
    control_->SetClientSite(nullptr);
  }
  activeObject_.reset();
  inPlace_.reset();
  control_.reset();
  external_.reset();
  window_ = nullptr;
  client_ = nullptr;
}

STDMETHODIMP BrowserHost::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::GetContainer(IOleContainer** container) noexcept {
  if (container == nullptr) return E_POINTER;
  *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP BrowserHost::GetWindow(HWND* window) noexcept {
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserHost::CanInPlaceActivate() noexcept {
  return window_ != nullptr ? S_OK : S_FALSE;
}

STDMETHODIMP BrowserHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO info) noexcept {
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
      info == nullptr) {
    return E_POINTER;
  }
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *document = nullptr;
  ::GetClientRect(window_, position);
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP BrowserHost::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept {
  activeObject_ = ComPtr<IOleInPlaceActiveObject>(object);
  return S_OK;
}

STDMETHODIMP BrowserHost::GetExtendedControl(IDispatch** control) noexcept {
  if (control == nullptr) return E_POINTER;
  *control = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::ShowContextMenu(DWORD id, POINT* point, IUnknown* target,
                                          IDispatch*) noexcept {
  if (client_ == nullptr || point == nullptr) return S_OK;  // no menu
  return client_->ShowContextMenu(id, *point, target);
}

STDMETHODIMP BrowserHost::GetHostInfo(DOCHOSTUIINFO* info) noexcept {
  if (info == nullptr) return E_POINTER;
  info->dwFlags = hostFlags_;
  info->dwDoubleClick = doubleClick_;
  return S_OK;
}

STDMETHODIMP BrowserHost::GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept {
  if (key != nullptr) *key = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::GetDropTarget(IDropTarget*, IDropTarget** target) noexcept {
  if (target != nullptr) *target = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::GetExternal(IDispatch** external) noexcept {
  if (external == nullptr) return E_POINTER;
  *external = external_.get();
  if (*external == nullptr) return S_FALSE;
  (*external)->AddRef();
  return S_OK;
}

STDMETHODIMP BrowserHost::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept {
  if (out != nullptr) *out = nullptr;
  return S_FALSE;
}

STDMETHODIMP BrowserHost::FilterDataObject(IDataObject*, IDataObject** out) noexcept {
  if (out != nullptr) *out = nullptr;
  return S_FALSE;
}

STDMETHODIMP BrowserHost::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

}  // namespace brimlet::win32
