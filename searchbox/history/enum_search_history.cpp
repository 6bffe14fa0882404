#include "enum_search_history.h"

#include <shlguid.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "win32/com_object.h"
#include "win32/result.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

class EnumSearchHistory final : public ComObject<Answers<IEnumString, IID_IEnumString>> {
 public:
  explicit EnumSearchHistory(std::shared_ptr<const SearchHistory> history) noexcept
      : history_(std::move(history)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLESTR* strings, ULONG* fetched) noexcept override {
    // Callers may pass no counter when they ask for one string.
    if (fetched) *fetched = 0;
    if (count > 0 && !strings) return E_POINTER;
    for (ULONG i = 0; i < count; ++i) {
      std::optional<std::u16string> words;
      try {
        words = history_->WordsAt(position_);
      } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
      }
      if (!words) return S_FALSE;
      const size_t bytes = (words->size() + 1) * sizeof(wchar_t);
      auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
      if (!copy) return E_OUTOFMEMORY;
      std::memset(copy, 0, bytes);
      std::memcpy(copy, words->data(), words->size() * sizeof(wchar_t));
      strings[i] = copy;
      if (fetched) ++*fetched;
      ++position_;
    }
    return S_OK;
  }

  // Advances past `count` entries; S_FALSE when fewer were left, as enumerators report it.
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
    const uint32_t start = position_;
    const uint64_t target = uint64_t{start} + count;
    position_ = target > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                              : static_cast<uint32_t>(target);
    try {
      return target <= history_->Count() ? S_OK : S_FALSE;
    }
    BRIMLET_CATCH_RETURN()
  }

  HRESULT STDMETHODCALLTYPE Reset() noexcept override {
    position_ = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IEnumString** result) noexcept override {
    if (result) *result = nullptr;
    return E_NOTIMPL;
  }

 private:
  ~EnumSearchHistory() override = default;

  // The auto-complete object may enumerate from its own thread, one call at a time.
  std::atomic<uint32_t> position_{0};
  // Shared: the auto-complete object may call after the box that made it has gone.
  const std::shared_ptr<const SearchHistory> history_;
};

}  // namespace

HRESULT CreateEnumSearchHistory(std::shared_ptr<const SearchHistory> history,
                                IEnumString** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (!history) return E_INVALIDARG;
  ComPtr<EnumSearchHistory> object = MakeComObject<EnumSearchHistory>(std::move(history));
  if (!object) return E_OUTOFMEMORY;
  *result = object.detach();
  return S_OK;
}

ComPtr<IAutoComplete2> AttachHistoryAutoComplete(
    HWND edit, std::shared_ptr<const SearchHistory> history) noexcept {
  ComPtr<IAutoComplete2> autoComplete;
  if (FAILED(::CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAutoComplete2, autoComplete.put_void()))) {
    Trace(u"Brimlet: no auto-complete object, the box goes without completion");
    return {};
  }
  ComPtr<IEnumString> strings;
  if (FAILED(CreateEnumSearchHistory(std::move(history), strings.put()))) return {};
  autoComplete->SetOptions(kHistoryAutoCompleteOptions);
  if (FAILED(autoComplete->Init(edit, strings.get(), nullptr, nullptr))) {
    Trace(u"Brimlet: the auto-complete object refused the edit");
    return {};
  }
  return autoComplete;
}

}  // namespace brimlet::win32
