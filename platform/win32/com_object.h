// IUnknown once: a COM class derives from ComObject and names the interfaces it answers
// for; QueryInterface, AddRef and Release are written here and nowhere else (the shape of
// WRL's RuntimeClass<Implements<...>>).
//
//   class Moniker final : public ComObject<Answers<IMoniker, IID_IMoniker, IID_IPersistStream,
//                                                  IID_IPersist>> { ... };
//
// Each Answers<I, iids...> names a base interface and the identifiers answered with it: its
// own first, then those of the interfaces it derives from (or a dispinterface it stands for).
// The first interface also answers IID_IUnknown, so identity holds. The count starts at 1, the
// creator's reference: hand a new object to ComPtr<T>::Attach, or use MakeComObject.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>
#include <tuple>
#include <utility>

#include "win32/unique_resource.h"

namespace brimlet::win32 {

template <typename I, const IID&... Iids>
struct Answers {
  using Interface = I;
  static bool Matches(REFIID iid) noexcept { return ((IsEqualIID(iid, Iids)) || ...); }
};

template <typename... Entries>
class ComObject : public Entries::Interface... {
  static_assert(sizeof...(Entries) > 0, "a COM object answers for one interface at least");
  using First = typename std::tuple_element_t<0, std::tuple<Entries...>>::Interface;

 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept final {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<First*>(this);
    } else {
      // In the order named: the first entry that answers the identifier gives the pointer.
      (void)((Entries::Matches(iid) &&
              (*object = static_cast<typename Entries::Interface*>(this), true)) ||
             ...);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept final { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept final {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() noexcept = default;
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};

// A new object holding its first reference; null when out of memory. T's constructor must
// not throw.
template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args) noexcept {
  return ComPtr<T>::Attach(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace brimlet::win32
