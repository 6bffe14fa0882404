#include "win32/browser_host.h"

#include <mshtml.h>

#include <string>

#include "win32/trace.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// The document host's command group ({3050F38C-98B5-11CF-BB82-00AA00BDCE0B}), in which the
// control asks whether to show a script error.
constexpr GUID kDocHostCommandHandler = {
    0x3050F38C, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

// What the host gives the control as its drop target: one that takes nothing, so a dropped
// link or file never navigates the control.
class RefusingDropTarget final : public ComObject<Answers<IDropTarget, IID_IDropTarget>> {
 public:
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) noexcept override {
    return Refuse(effect);
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) noexcept override { return Refuse(effect); }
  STDMETHODIMP DragLeave() noexcept override { return S_OK; }
  STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) noexcept override {
    return Refuse(effect);
  }

 private:
  static HRESULT Refuse(DWORD* effect) noexcept {
    if (effect != nullptr) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
};

// A property of the error event by name, as text ("" when it has none).
std::u16string EventText(IDispatch* event, const wchar_t* name) noexcept {
  try {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(event->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};
    DISPPARAMS none{};
    UniqueVariant value;
    if (FAILED(event->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                             value.put(), nullptr, nullptr))) {
      return {};
    }
    VARIANT& text = value.get();
    if (FAILED(::VariantChangeType(&text, &text, 0, VT_BSTR)) || text.bstrVal == nullptr) return {};
    return FromWide({text.bstrVal, ::SysStringLen(text.bstrVal)});
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

// The script error the control reports: the document's window holds it as its event.
void TraceScriptError(const VARIANT* in) noexcept {
  try {
    std::u16string line = u"page: script error";
    ComPtr<IHTMLDocument2> document;
    ComPtr<IHTMLWindow2> window;
    ComPtr<IHTMLEventObj> event;
    ComPtr<IDispatch> properties;
    if (in != nullptr && in->vt == VT_UNKNOWN && in->punkVal != nullptr &&
        SUCCEEDED(in->punkVal->QueryInterface(IID_IHTMLDocument2, document.put_void())) &&
        SUCCEEDED(document->get_parentWindow(window.put())) && window &&
        SUCCEEDED(window->get_event(event.put())) && event &&
        SUCCEEDED(event->QueryInterface(IID_IDispatch, properties.put_void()))) {
      line += u": " + EventText(properties.get(), L"errorMessage") + u" (line " +
              EventText(properties.get(), L"errorLine") + u", " +
              EventText(properties.get(), L"errorUrl") + u")";
    }
    Trace(line);
  }
  BRIMLET_CATCH_LOG()
}

}  // namespace

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
  if (ComPtr<IWebBrowser2> browser = Browser()) {
    // No dialog of the control's own (script errors are answered in Exec as well), and no
    // drop target registered for its window (GetDropTarget covers the document's).
    browser->put_Silent(VARIANT_TRUE);
    browser->put_RegisterAsDropTarget(VARIANT_FALSE);
  }
  return S_OK;
}

HRESULT BrowserHost::SetZoom(int32_t percent) noexcept {
  ComPtr<IWebBrowser2> browser = Browser();
  if (!browser) return E_UNEXPECTED;
  VARIANT zoom;
  ::VariantInit(&zoom);
  zoom.vt = VT_I4;
  zoom.lVal = percent;
  return browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
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
  if (target == nullptr) return E_POINTER;
  *target = MakeComObject<RefusingDropTarget>().detach();
  return *target != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP BrowserHost::GetExternal(IDispatch** external) noexcept {
  if (external == nullptr) return E_POINTER;
  *external = nullptr;
  if (!external_) return S_FALSE;
  if (client_ == nullptr || !client_->MayHaveExternal()) {
    Trace(u"browser host: the external object was refused to a document");
    return S_FALSE;
  }
  *external = external_.get();
  (*external)->AddRef();
  return S_OK;
}

STDMETHODIMP BrowserHost::QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                                      OLECMDTEXT*) noexcept {
  if (commands == nullptr) return E_POINTER;
  if (group == nullptr || !IsEqualGUID(*group, kDocHostCommandHandler)) {
    return OLECMDERR_E_UNKNOWNGROUP;
  }
  for (ULONG i = 0; i < count; ++i) {
    commands[i].cmdf =
        commands[i].cmdID == OLECMDID_SHOWSCRIPTERROR ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
  }
  return S_OK;
}

STDMETHODIMP BrowserHost::Exec(const GUID* group, DWORD id, DWORD, VARIANT* in,
                               VARIANT* out) noexcept {
  if (group == nullptr || !IsEqualGUID(*group, kDocHostCommandHandler)) {
    return OLECMDERR_E_UNKNOWNGROUP;
  }
  if (id != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
  TraceScriptError(in);
  // Handled, with no dialog; true keeps the page's other scripts running.
  if (out != nullptr) {
    ::VariantClear(out);
    out->vt = VT_BOOL;
    out->boolVal = VARIANT_TRUE;
  }
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
