// The page's script object, `window.external`: each member of IExternalDispatch (described
// by the program's own type library, resource TYPELIB 1) becomes a call on the box's
// IPageBox. Scripts bind late by name; the box raises the page's events through the Raise
// functions below.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string_view>

#include "page_box.h"
#include "win32/com_object.h"
#include "win32/unique_resource.h"
#include "win32/win32_codepage.h"

namespace brimlet::win32 {

// {4F2A7C10-8B3D-4E61-9A55-C0D1E2F30301}
inline constexpr IID kIidExternalDispatch = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x03, 0x01}};

// The vtable DispInvoke calls through: the type library's members in their declared order.
// Script booleans arrive and leave as VARIANT_BOOL (-1 true, 0 false); only their 16 bits
// are read, whatever lies above them in the argument slot.
struct IExternalDispatch : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE put_onShowSearchServiceMenu(IDispatch* newVal) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onRotateSearchService(IDispatch* newVal) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onUpdateNotify(IDispatch* newVal) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE Init() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE Exit() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE DoDragWindow() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE ExecuteConfig(VARIANT_BOOL* pbRet) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE ExecuteSearch(BSTR bstrSearchWords) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE ToggleSearchService(VARIANT_BOOL bPositive) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowSearchServiceMenu(long x, long y,
                                                          VARIANT_BOOL* bResult) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE RotateSearchService(VARIANT_BOOL bPositive) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE IsAutoCompleteActive(VARIANT_BOOL* pbResult) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE CanShowAutoComplete(VARIANT_BOOL* pbResult) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowAutoComplete(long x, long y, long width, long height,
                                                     BSTR strSearchWords,
                                                     IDispatch* pDispAutoCompleteBegin,
                                                     IDispatch* pDispAutoCompleteItemChanged,
                                                     IDispatch* pDispAutoCompleteEnd,
                                                     BSTR* pstrInitialResult) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE HideAutoComplete() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE OnNotifyHandled() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentSearchServiceName(BSTR* pstrName) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentSearchServiceImage(BSTR* pstrImageUrl) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE
  GetCurrentSearchServiceSuggestionURL(BSTR bstrSearchWords, BSTR* pstrSuggestionURL) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLastSearchWords(BSTR* pSearchWords) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecordSearchWordsConfig(VARIANT_BOOL* pbRecord) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecordSearchWords(VARIANT_BOOL* pbRecord) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRecordSearchWords(VARIANT_BOOL bRecord) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShowAlways(VARIANT_BOOL* pbShowAlways) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShowAlways(VARIANT_BOOL bShowAlways) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE
  GetUseCustomSearchWordsColor(VARIANT_BOOL* pbValue) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCustomSearchWordsColor(BSTR* pValue) noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE LaunchHelp() noexcept = 0;
  virtual HRESULT STDMETHODCALLTYPE Trace(BSTR bstrText) noexcept = 0;
};

// Dispatch-only: QueryInterface answers IUnknown, IDispatch and IExternalDispatch.
class ExternalDispatch final
    : public ComObject<Answers<IExternalDispatch, kIidExternalDispatch, IID_IDispatch>> {
 public:
  // The box must call Disconnect before it goes. Null when the type library cannot be loaded
  // from this program's file.
  static ComPtr<ExternalDispatch> Create(IPageBox* box) noexcept;
  // The browser may keep the object after the box is destroyed: from here on every member
  // answers E_UNEXPECTED and does nothing.
  void Disconnect() noexcept { box_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) noexcept override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) noexcept override;

  HRESULT STDMETHODCALLTYPE put_onShowSearchServiceMenu(IDispatch* newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_onRotateSearchService(IDispatch* newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_onUpdateNotify(IDispatch* newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE Init() noexcept override;
  HRESULT STDMETHODCALLTYPE Exit() noexcept override;
  HRESULT STDMETHODCALLTYPE DoDragWindow() noexcept override;
  HRESULT STDMETHODCALLTYPE ExecuteConfig(VARIANT_BOOL* pbRet) noexcept override;
  HRESULT STDMETHODCALLTYPE ExecuteSearch(BSTR bstrSearchWords) noexcept override;
  HRESULT STDMETHODCALLTYPE ToggleSearchService(VARIANT_BOOL bPositive) noexcept override;
  HRESULT STDMETHODCALLTYPE ShowSearchServiceMenu(long x, long y,
                                                  VARIANT_BOOL* bResult) noexcept override;
  HRESULT STDMETHODCALLTYPE RotateSearchService(VARIANT_BOOL bPositive) noexcept override;
  HRESULT STDMETHODCALLTYPE IsAutoCompleteActive(VARIANT_BOOL* pbResult) noexcept override;
  HRESULT STDMETHODCALLTYPE CanShowAutoComplete(VARIANT_BOOL* pbResult) noexcept override;
  HRESULT STDMETHODCALLTYPE ShowAutoComplete(long x, long y, long width, long height,
                                             BSTR strSearchWords, IDispatch* pDispAutoCompleteBegin,
                                             IDispatch* pDispAutoCompleteItemChanged,
                                             IDispatch* pDispAutoCompleteEnd,
                                             BSTR* pstrInitialResult) noexcept override;
  HRESULT STDMETHODCALLTYPE HideAutoComplete() noexcept override;
  HRESULT STDMETHODCALLTYPE OnNotifyHandled() noexcept override;
  HRESULT STDMETHODCALLTYPE GetCurrentSearchServiceName(BSTR* pstrName) noexcept override;
  HRESULT STDMETHODCALLTYPE GetCurrentSearchServiceImage(BSTR* pstrImageUrl) noexcept override;
  HRESULT STDMETHODCALLTYPE GetCurrentSearchServiceSuggestionURL(
      BSTR bstrSearchWords, BSTR* pstrSuggestionURL) noexcept override;
  HRESULT STDMETHODCALLTYPE GetLastSearchWords(BSTR* pSearchWords) noexcept override;
  HRESULT STDMETHODCALLTYPE GetRecordSearchWordsConfig(VARIANT_BOOL* pbRecord) noexcept override;
  HRESULT STDMETHODCALLTYPE GetRecordSearchWords(VARIANT_BOOL* pbRecord) noexcept override;
  HRESULT STDMETHODCALLTYPE SetRecordSearchWords(VARIANT_BOOL bRecord) noexcept override;
  HRESULT STDMETHODCALLTYPE GetShowAlways(VARIANT_BOOL* pbShowAlways) noexcept override;
  HRESULT STDMETHODCALLTYPE SetShowAlways(VARIANT_BOOL bShowAlways) noexcept override;
  HRESULT STDMETHODCALLTYPE GetUseCustomSearchWordsColor(VARIANT_BOOL* pbValue) noexcept override;
  HRESULT STDMETHODCALLTYPE GetCustomSearchWordsColor(BSTR* pValue) noexcept override;
  HRESULT STDMETHODCALLTYPE LaunchHelp() noexcept override;
  HRESULT STDMETHODCALLTYPE Trace(BSTR bstrText) noexcept override;

 private:
  ExternalDispatch(IPageBox* box, ComPtr<ITypeInfo> typeInfo) noexcept;
  ~ExternalDispatch() override = default;
  // Runs `action` with the box unless disconnected; allocation failures become E_OUTOFMEMORY.
  template <typename Action>
  HRESULT WithBox(Action&& action) noexcept;

  IPageBox* box_;
  ComPtr<ITypeInfo> typeInfo_;
  Win32CodePageConverter converter_;
};

// The page's events: each stored script function is called as its default method; an unset
// function (null) drops the event and gives S_FALSE.
HRESULT RaiseShowSearchServiceMenu(IDispatch* function) noexcept;
HRESULT RaiseRotateSearchService(IDispatch* function, bool positive) noexcept;
HRESULT RaiseUpdateNotify(IDispatch* function, std::u16string_view label, std::u16string_view title,
                          std::u16string_view url) noexcept;

}  // namespace brimlet::win32
