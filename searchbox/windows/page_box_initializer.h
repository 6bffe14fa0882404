// BrowserInitializer: the box's listener on the browser's events, connected for as long as
// the box lives. It loads the box's page once the browser's first navigation ("about:blank")
// completes, through the document's persistent moniker loading, and keeps the page locked
// from then on: every other navigation is cancelled, and so is every new window (the box is
// told, so that the notice link can go to the user's browser). It holds no pointer to the
// box: only what the load needs and the box's page events, which Disconnect forgets.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>
#include <string_view>

#include "win32/com_object.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// What the box hears from the browser, on its UI thread.
class IPageEvents {
 public:
  virtual ~IPageEvents() = default;
  // The browser completed its first document: the page is being loaded now.
  virtual void OnBrowserReady() noexcept = 0;
  // The box's page completed (its script has run its start-up by then).
  virtual void OnPageComplete() noexcept = 0;
  // The page asked for a new window, which was cancelled; `url` is what it would have shown.
  virtual void OnNewWindow(std::u16string_view url) noexcept = 0;
};

class BrowserInitializer final
    : public ComObject<Answers<IDispatch, IID_IDispatch, DIID_DWebBrowserEvents2>> {
 public:
  // Listens to the browser's events; nothing when the connection cannot be made.
  static ComPtr<BrowserInitializer> Connect(IWebBrowser2* browser, HMODULE module,
                                            std::u16string skinFolder,
                                            IPageEvents* events) noexcept;
  // Stops listening and forgets the box's events (again harmless).
  void Disconnect() noexcept;
  bool Connected() const noexcept { return cookie_ != 0; }
  // True when the browser's document is the box's page (by its address or as the document
  // the page was loaded into): only that document may have the script object.
  bool ShowsThePage(IWebBrowser2* browser) const noexcept;

  // IDispatch: the navigation, new-window and document-complete events.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;

 private:
  BrowserInitializer(HMODULE module, std::u16string skinFolder, IPageEvents* events) noexcept
      : module_(module), skinFolder_(std::move(skinFolder)), events_(events) {}
  ~BrowserInitializer() override = default;
  void OnBeforeNavigate(DISPPARAMS& params) noexcept;
  void OnNewWindow(DISPPARAMS& params, bool withAddress) noexcept;
  void OnDocumentComplete(DISPPARAMS& params) noexcept;
  void LoadPage(IDispatch* browser) noexcept;

  HMODULE module_;
  std::u16string skinFolder_;
  IPageEvents* events_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  bool pageRequested_ = false;
  std::u16string pageAddress_;  // the page's display name, once it is being loaded
  ComPtr<IUnknown> pageDocument_;
};

}  // namespace brimlet::win32
