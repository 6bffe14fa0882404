// BrowserInitializer: loads the box's page once the browser's first navigation
// ("about:blank") completes, through the document's persistent moniker loading, then stops
// listening, so the page is loaded exactly once. It holds no pointer to the box: only what
// the load needs (the module with the page resource and the skin folder).
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <atomic>
#include <string>

#include "win32/unique_resource.h"

namespace brimlet::win32 {

class BrowserInitializer final : public IDispatch {
 public:
  // Listens to the browser's events; nothing when the connection cannot be made.
  static ComPtr<BrowserInitializer> Connect(IWebBrowser2* browser, HMODULE module,
                                            std::u16string skinFolder) noexcept;
  // Stops listening (again harmless).
  void Disconnect() noexcept;
  bool Connected() const noexcept { return cookie_ != 0; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() noexcept override;
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
  ~BrowserInitializer() = default;
  void LoadPage(IDispatch* browser) noexcept;

  std::atomic<ULONG> references_{1};
  HMODULE module_;
  std::u16string skinFolder_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace brimlet::win32
