// A page's script function for Windows tests: each call is logged as "name" or
// "name:argument:..." with the arguments in the order the script declares them (text as
// is, booleans as true/false). A call that is not a plain default-method call is marked.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace brimlet::testing {

class RecordingFunction final : public IDispatch {
 public:
  RecordingFunction(const wchar_t* name, std::vector<std::wstring>& log) : name_(name), log_(log) {}
  // Lives on the test's stack; the count only shows who still holds it.
  ULONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    std::wstring entry = name_;
    if (id != DISPID_VALUE || iid != IID_NULL || flags != DISPATCH_METHOD ||
        params->cNamedArgs != 0 || result != nullptr) {
      entry += L" (not a default method call)";
    }
    for (UINT i = params->cArgs; i-- > 0;) {  // the last argument comes first
      const VARIANT& arg = params->rgvarg[i];
      entry += L":";
      if (arg.vt == VT_BSTR) {
        entry.append(arg.bstrVal, ::SysStringLen(arg.bstrVal));
      } else if (arg.vt == VT_BOOL) {
        entry += arg.boolVal == VARIANT_TRUE ? L"true" : (arg.boolVal == 0 ? L"false" : L"?");
      } else {
        entry += L"?";
      }
    }
    log_.push_back(entry);
    return S_OK;
  }

 private:
  const wchar_t* name_;
  std::vector<std::wstring>& log_;
  ULONG references_ = 1;
};

}  // namespace brimlet::testing
