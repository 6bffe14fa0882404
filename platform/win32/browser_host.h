// A container for one browser control inside a window of ours: the sites the control talks
// to (client, in-place, frame, control), the document host's settings and external object,
// ambient properties, and pre-translation of keys through the control. The control it hosts
// is silent (no script error or other dialog: script errors go to the trace and scripts run
// on) and no drop target (a link dropped on it would navigate it).
//
// Lifetimes: the window owns the host (a reference) and calls Close() when it is destroyed.
// Close() deactivates and releases the control and forgets the window and the client, so a
// late call from the control never reaches a destroyed window; the control may keep its own
// references to the host after that.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <oleidl.h>

#include <cstdint>

#include "win32/com_object.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// The message a window sends itself with a queued message as lParam, so that the control's
// in-place object may translate it (the answer is non-zero when it did).
inline constexpr UINT kForwardMessage = 0x037F;

// What the hosting window decides; reached only until the host is closed.
class IBrowserHostClient {
 public:
  virtual ~IBrowserHostClient() = default;
  // S_OK shows no menu, S_FALSE lets the browser show its own.
  virtual HRESULT ShowContextMenu(DWORD id, POINT point, IUnknown* target) noexcept = 0;
  // Whether the document now in the control may have the external object (the host asks
  // each time a script reaches for it).
  virtual bool MayHaveExternal() noexcept = 0;
};

class BrowserHost final
    : public ComObject<Answers<IOleClientSite, IID_IOleClientSite>,
                       Answers<IOleInPlaceSite, IID_IOleInPlaceSite, IID_IOleWindow>,
                       Answers<IOleInPlaceFrame, IID_IOleInPlaceFrame, IID_IOleInPlaceUIWindow>,
                       Answers<IOleControlSite, IID_IOleControlSite>,
                       Answers<IDocHostUIHandler, IID_IDocHostUIHandler>,
                       Answers<IOleCommandTarget, IID_IOleCommandTarget>,
                       Answers<IDispatch, IID_IDispatch>> {
 public:
  static ComPtr<BrowserHost> Create(HWND window, IBrowserHostClient* client) noexcept;

  // Creates the control (any server context), gives it this site and activates it in place
  // over the window's client area.
  HRESULT CreateControl(REFCLSID clsid) noexcept;
  void SetExternal(IDispatch* external) noexcept { external_ = ComPtr<IDispatch>(external); }
  void SetHostFlags(DWORD flags, DWORD doubleClick) noexcept {
    hostFlags_ = flags;
    doubleClick_ = doubleClick;
  }
  // Null before CreateControl or after Close.
  ComPtr<IWebBrowser2> Browser() const noexcept;
  // True when the control's active object translated the message (a key for the page).
  bool TranslateThroughControl(MSG& msg) noexcept;
  // Fits the control to the window's client area.
  void FitToWindow() noexcept;
  // The control's zoom of the document now shown, in per cent of its 96 DPI size.
  HRESULT SetZoom(int32_t percent) noexcept;
  void Close() noexcept;

  // IOleClientSite
  STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) noexcept override;
  STDMETHODIMP GetContainer(IOleContainer**) noexcept override;
  STDMETHODIMP ShowObject() noexcept override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

  // IOleWindow (for the in-place site and the frame alike)
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() noexcept override;
  STDMETHODIMP OnInPlaceActivate() noexcept override { return S_OK; }
  STDMETHODIMP OnUIActivate() noexcept override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) noexcept override;
  STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() noexcept override { return S_OK; }
  STDMETHODIMP DiscardUndoState() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) noexcept override { return S_OK; }

  // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, no toolbars, no status line.
  STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override {
    return INPLACE_E_NOTOOLSPACE;
  }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() noexcept override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** control) noexcept override;
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) noexcept override { return S_FALSE; }
  STDMETHODIMP OnFocus(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP ShowPropertyFrame() noexcept override { return E_NOTIMPL; }

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target,
                               IDispatch*) noexcept override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) noexcept override;
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) noexcept override {
    return S_OK;  // the host shows no toolbars of its own
  }
  STDMETHODIMP HideUI() noexcept override { return S_OK; }
  STDMETHODIMP UpdateUI() noexcept override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) noexcept override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept override;
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) noexcept override;
  STDMETHODIMP GetExternal(IDispatch** external) noexcept override;
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept override;
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) noexcept override;

  // IOleCommandTarget: the document host's commands; only the script error is answered.
  STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                           OLECMDTEXT* text) noexcept override;
  STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in,
                    VARIANT* out) noexcept override;

  // IDispatch: the ambient properties; the control's defaults serve for every one.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  BrowserHost(HWND window, IBrowserHostClient* client) noexcept
      : window_(window), client_(client) {}
  ~BrowserHost() override = default;

  HWND window_;
  IBrowserHostClient* client_;
  DWORD hostFlags_ = 0;
  DWORD doubleClick_ = 0;
  ComPtr<IOleObject> control_;
  ComPtr<IOleInPlaceObject> inPlace_;
  ComPtr<IOleInPlaceActiveObject> activeObject_;
  ComPtr<IDispatch> external_;
};

}  // namespace brimlet::win32
