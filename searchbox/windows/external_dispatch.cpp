#include "external_dispatch.h"

#include <new>
#include <string>

#include "page_contract.h"
#include "search_url.h"
#include "win32/instance_finder.h"
#include "win32/script_function.h"
#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

std::u16string_view View(BSTR text) noexcept {
  // A null BSTR is the empty text.
  return {reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)};
}

BSTR AllocBstr(std::u16string_view text) noexcept {
  return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

bool IsTrue(VARIANT_BOOL value) noexcept { return value != VARIANT_FALSE; }

template <typename Get>
HRESULT ReturnBool(VARIANT_BOOL* out, Get&& get) {
  if (out == nullptr) return E_POINTER;
  *out = get() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

template <typename Get>
HRESULT ReturnText(BSTR* out, Get&& get) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  *out = AllocBstr(get());
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The interface description from the type library this program carries.
ComPtr<ITypeInfo> LoadOwnTypeInfo() noexcept {
  try {
    const std::wstring path = OwnModulePath();
    if (path.empty()) return {};
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()))) return {};
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfoOfGuid(kIidExternalDispatch, info.put()))) return {};
    return info;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace

ExternalDispatch::ExternalDispatch(IPageBox* box, ComPtr<ITypeInfo> typeInfo) noexcept
    : box_(box), typeInfo_(std::move(typeInfo)) {}

ComPtr<ExternalDispatch> ExternalDispatch::Create(IPageBox* box) noexcept {
  ComPtr<ITypeInfo> typeInfo = LoadOwnTypeInfo();
  if (!typeInfo) return {};
  return ComPtr<ExternalDispatch>::Attach(new (std::nothrow)
                                              ExternalDispatch(box, std::move(typeInfo)));
}

template <typename Action>
HRESULT ExternalDispatch::WithBox(Action&& action) noexcept {
  IPageBox* box = box_;
  if (box == nullptr) return E_UNEXPECTED;
  try {
    return action(*box);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  BRIMLET_CATCH_RETURN_VALUE(E_FAIL)
}

// --- IDispatch ---------------------------------------------------------------

HRESULT ExternalDispatch::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ExternalDispatch::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *info = ComPtr<ITypeInfo>(typeInfo_).detach();
  return S_OK;
}

HRESULT ExternalDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) noexcept {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return ::DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
}

HRESULT ExternalDispatch::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* exception,
                                 UINT* argumentError) noexcept {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // The script engine calls a method as "method or property read" and assigns a function to
  // an event property as a put, a put by reference or both. The library has only methods and
  // plain puts, so each is handed on as the one kind it can be.
  if (flags & DISPATCH_METHOD) {
    flags = DISPATCH_METHOD;
  } else if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    flags = DISPATCH_PROPERTYPUT;
  }
  return ::DispInvoke(static_cast<IExternalDispatch*>(this), typeInfo_.get(), id, flags, params,
                      result, exception, argumentError);
}

// --- The page's members, in declaration order ---------------------------------------------

HRESULT ExternalDispatch::put_onShowSearchServiceMenu(IDispatch* newVal) noexcept {
  return WithBox([&](IPageBox& box) {
    box.SetShowEngineMenuHandler(newVal);
    return S_OK;
  });
}

HRESULT ExternalDispatch::put_onRotateSearchService(IDispatch* newVal) noexcept {
  return WithBox([&](IPageBox& box) {
    box.SetRotateEngineHandler(newVal);
    return S_OK;
  });
}

HRESULT ExternalDispatch::put_onUpdateNotify(IDispatch* newVal) noexcept {
  return WithBox([&](IPageBox& box) {
    box.SetUpdateNotifyHandler(newVal);
    return S_OK;
  });
}

HRESULT ExternalDispatch::Init() noexcept {
  return WithBox([](IPageBox& box) {
    box.Init();
    return S_OK;
  });
}

HRESULT ExternalDispatch::Exit() noexcept {
  return WithBox([](IPageBox& box) {
    box.Exit();
    return S_OK;
  });
}

HRESULT ExternalDispatch::DoDragWindow() noexcept {
  return WithBox([](IPageBox& box) {
    box.DoDragWindow();
    return S_OK;
  });
}

HRESULT ExternalDispatch::ExecuteConfig(VARIANT_BOOL* pbRet) noexcept {
  return WithBox(
      [&](IPageBox& box) { return ReturnBool(pbRet, [&] { return box.ExecuteConfig(); }); });
}

HRESULT ExternalDispatch::ExecuteSearch(BSTR bstrSearchWords) noexcept {
  return WithBox([&](IPageBox& box) {
    box.ExecuteSearch(View(bstrSearchWords));
    return S_OK;
  });
}

HRESULT ExternalDispatch::ToggleSearchService(VARIANT_BOOL bPositive) noexcept {
  return WithBox([&](IPageBox& box) {
    box.StepEngine(IsTrue(bPositive));
    return S_OK;
  });
}

HRESULT ExternalDispatch::ShowSearchServiceMenu(long x, long y, VARIANT_BOOL* bResult) noexcept {
  return WithBox(
      [&](IPageBox& box) { return ReturnBool(bResult, [&] { return box.ShowEngineMenu(x, y); }); });
}

HRESULT ExternalDispatch::RotateSearchService(VARIANT_BOOL bPositive) noexcept {
  return ToggleSearchService(bPositive);
}

HRESULT ExternalDispatch::IsAutoCompleteActive(VARIANT_BOOL* pbResult) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnBool(pbResult, [&] { return box.IsAutoCompleteActive(); });
  });
}

HRESULT ExternalDispatch::CanShowAutoComplete(VARIANT_BOOL* pbResult) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnBool(pbResult, [&] { return box.CanShowAutoComplete(); });
  });
}

HRESULT ExternalDispatch::ShowAutoComplete(long x, long y, long width, long height,
                                           BSTR strSearchWords, IDispatch* pDispAutoCompleteBegin,
                                           IDispatch* pDispAutoCompleteItemChanged,
                                           IDispatch* pDispAutoCompleteEnd,
                                           BSTR* pstrInitialResult) noexcept {
  return WithBox([&](IPageBox& box) -> HRESULT {
    if (pstrInitialResult == nullptr) return E_POINTER;
    *pstrInitialResult = nullptr;
    std::u16string initial;
    const HRESULT shown =
        box.ShowAutoComplete(x, y, width, height, View(strSearchWords), pDispAutoCompleteBegin,
                             pDispAutoCompleteItemChanged, pDispAutoCompleteEnd, initial);
    if (FAILED(shown)) return shown;
    // Nothing shown (S_FALSE) leaves the result empty, whatever the box wrote.
    if (shown != S_OK) initial.clear();
    const HRESULT returned = ReturnText(pstrInitialResult, [&] { return initial; });
    return FAILED(returned) ? returned : shown;
  });
}

HRESULT ExternalDispatch::HideAutoComplete() noexcept {
  return WithBox([](IPageBox& box) {
    box.HideAutoComplete();
    return S_OK;
  });
}

HRESULT ExternalDispatch::OnNotifyHandled() noexcept {
  return WithBox([](IPageBox& box) {
    box.OnNotifyHandled();
    return S_OK;
  });
}

HRESULT ExternalDispatch::GetCurrentSearchServiceName(BSTR* pstrName) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnText(pstrName, [&] {
      const ISearchEngineItem* engine = box.CurrentEngine();
      return engine != nullptr ? engine->GetName() : std::u16string();
    });
  });
}

HRESULT ExternalDispatch::GetCurrentSearchServiceImage(BSTR* pstrImageUrl) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnText(pstrImageUrl, [&] { return EngineImagePath(box.CurrentEngine()); });
  });
}

HRESULT ExternalDispatch::GetCurrentSearchServiceSuggestionURL(BSTR bstrSearchWords,
                                                               BSTR* pstrSuggestionURL) noexcept {
  return WithBox([&](IPageBox& box) -> HRESULT {
    if (pstrSuggestionURL == nullptr) return E_POINTER;
    *pstrSuggestionURL = nullptr;
    const ISearchEngineItem* engine = box.CurrentEngine();
    const std::u16string urlTemplate =
        engine != nullptr ? engine->GetSuggestionsUrl() : std::u16string();
    const auto url = BuildSuggestionUrl(converter_, urlTemplate, View(bstrSearchWords));
    // Words that convert to no bytes: the page never asks for them.
    if (!url) return E_OUTOFMEMORY;
    return ReturnText(pstrSuggestionURL, [&] { return *url; });
  });
}

HRESULT ExternalDispatch::GetLastSearchWords(BSTR* pSearchWords) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnText(pSearchWords, [&] { return box.LastSearchWords(); });
  });
}

HRESULT ExternalDispatch::GetRecordSearchWordsConfig(VARIANT_BOOL* pbRecord) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnBool(pbRecord, [&] { return box.PageSettings().RecordSearchWords(); });
  });
}

HRESULT ExternalDispatch::GetRecordSearchWords(VARIANT_BOOL* pbRecord) noexcept {
  return WithBox(
      [&](IPageBox& box) { return ReturnBool(pbRecord, [&] { return box.RecordSearchWords(); }); });
}

HRESULT ExternalDispatch::SetRecordSearchWords(VARIANT_BOOL bRecord) noexcept {
  return WithBox([&](IPageBox& box) {
    box.SetRecordSearchWords(IsTrue(bRecord));
    return S_OK;
  });
}

HRESULT ExternalDispatch::GetShowAlways(VARIANT_BOOL* pbShowAlways) noexcept {
  return WithBox(
      [&](IPageBox& box) { return ReturnBool(pbShowAlways, [&] { return box.ShowAlways(); }); });
}

HRESULT ExternalDispatch::SetShowAlways(VARIANT_BOOL bShowAlways) noexcept {
  return WithBox([&](IPageBox& box) {
    box.SetShowAlways(IsTrue(bShowAlways));
    return S_OK;
  });
}

HRESULT ExternalDispatch::GetUseCustomSearchWordsColor(VARIANT_BOOL* pbValue) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnBool(pbValue, [&] { return box.PageSettings().UseCustomSearchWordsColor(); });
  });
}

HRESULT ExternalDispatch::GetCustomSearchWordsColor(BSTR* pValue) noexcept {
  return WithBox([&](IPageBox& box) {
    return ReturnText(pValue,
                      [&] { return FormatCssColor(box.PageSettings().CustomSearchWordsColor()); });
  });
}

HRESULT ExternalDispatch::LaunchHelp() noexcept {
  return WithBox([](IPageBox& box) {
    box.LaunchHelp();
    return S_OK;
  });
}

HRESULT ExternalDispatch::Trace(BSTR bstrText) noexcept {
  return WithBox([&](IPageBox&) {
    const std::wstring line = ToWide(View(bstrText)) + L"\r\n";
    ::OutputDebugStringW(line.c_str());
    return S_OK;
  });
}

// --- Events -------------------------------------------------------------------------------

HRESULT RaiseShowSearchServiceMenu(IDispatch* function) noexcept {
  return CallScriptFunction(function);
}

HRESULT RaiseRotateSearchService(IDispatch* function, bool positive) noexcept {
  VARIANT argument;
  ::VariantInit(&argument);
  argument.vt = VT_BOOL;
  argument.boolVal = positive ? VARIANT_TRUE : VARIANT_FALSE;
  return CallScriptFunction(function, {&argument, 1});
}

HRESULT RaiseUpdateNotify(IDispatch* function, std::u16string_view label, std::u16string_view title,
                          std::u16string_view url) noexcept {
  if (function == nullptr) return S_FALSE;
  const UniqueBstr texts[] = {UniqueBstr(AllocBstr(label)), UniqueBstr(AllocBstr(title)),
                              UniqueBstr(AllocBstr(url))};
  VARIANT arguments[3];
  for (size_t i = 0; i < 3; ++i) {
    if (!texts[i]) return E_OUTOFMEMORY;
    ::VariantInit(&arguments[i]);
    arguments[i].vt = VT_BSTR;
    arguments[i].bstrVal = texts[i].get();
  }
  return CallScriptFunction(function, arguments);
}

}  // namespace brimlet::win32
