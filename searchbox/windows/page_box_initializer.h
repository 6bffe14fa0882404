// BrowserInitializer: loads the box's page once the browser's first navigation
// ("about:blank") completes, through the document's persistent moniker loading, then stops
// listening, so the page is loaded exactly once. It holds no pointer to the box: only what
// the load needs (the module with the page resource and the skin folder).
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>

#include "win32/com_object.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

class BrowserInitializer final
    : public ComObject<Answers<IDispatch, IID_IDispatch, DIID_DWebBrowserEvents2>> {
 public:
  // Listens to the browser's events; nothing when the connection cannot be made.
  static ComPtr<BrowserInitializer> Connect(IWebBrowser2* browser, HMODULE module,
                                            std::u16string skinFolder) noexcept;
  // Stops listening (again harmless).
  void Disconnect() noexcept;
  bool Connected() const noexcept { return cookie_ != 0; }

  // IDispatch: only the document-complete event is handled.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;

 private:
  BrowserInitializer(HMODULE module, std::u16string skinFolder) noexcept
      : module_(module), skinFolder_(std::move(skinFolder)) {}
  ~BrowserInitializer() override = default;
  void LoadPage(IDispatch* browser) noexcept;

  HMODULE module_;
  std::u16string skinFolder_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace brimlet::win32
