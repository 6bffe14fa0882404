// One move-only owner for every kind of Win32 handle, and a COM pointer.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <unknwn.h>
#include <oleauto.h>

#include <utility>

namespace brimlet::win32 {

// Closing must not disturb the error code a caller is about to read.
class PreserveLastError {
 public:
  PreserveLastError() noexcept : error_(::GetLastError()) {}
  ~PreserveLastError() { ::SetLastError(error_); }
  PreserveLastError(const PreserveLastError&) = delete;
  PreserveLastError& operator=(const PreserveLastError&) = delete;

 private:
  DWORD error_;
};

template <typename T, auto Close, auto Invalid = T{}>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(T value) noexcept : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Invalid(); }
  T release() noexcept { return std::exchange(value_, Invalid()); }
  void reset(T value = Invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Invalid()) {
      PreserveLastError keep;
      Close(old);
    }
  }
  // For out-parameters: frees the current value first.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid();
};

namespace detail {
inline HANDLE NullHandle() noexcept { return nullptr; }
inline HANDLE InvalidFileHandle() noexcept { return INVALID_HANDLE_VALUE; }
template <typename T>
T Null() noexcept {
  return nullptr;
}
inline void CloseHandleFn(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseKeyFn(HKEY h) noexcept { ::RegCloseKey(h); }
inline void FreeLibraryFn(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void UnhookFn(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }
inline void DestroyIconFn(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyMenuFn(HMENU h) noexcept { ::DestroyMenu(h); }
inline void DeleteObjectFn(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyWindowFn(HWND h) noexcept { ::DestroyWindow(h); }
inline void FreeBstrFn(BSTR s) noexcept { ::SysFreeString(s); }
inline void DestroyImageListFn(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
}  // namespace detail

using UniqueHandle = UniqueResource<HANDLE, detail::CloseHandleFn, detail::NullHandle>;
using UniqueFileHandle = UniqueResource<HANDLE, detail::CloseHandleFn, detail::InvalidFileHandle>;
using UniqueHKey = UniqueResource<HKEY, detail::CloseKeyFn, detail::Null<HKEY>>;
using UniqueHModule = UniqueResource<HMODULE, detail::FreeLibraryFn, detail::Null<HMODULE>>;
using UniqueHHook = UniqueResource<HHOOK, detail::UnhookFn, detail::Null<HHOOK>>;
using UniqueHIcon = UniqueResource<HICON, detail::DestroyIconFn, detail::Null<HICON>>;
using UniqueHMenu = UniqueResource<HMENU, detail::DestroyMenuFn, detail::Null<HMENU>>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, detail::DeleteObjectFn, detail::Null<HGDIOBJ>>;
using UniqueHWnd = UniqueResource<HWND, detail::DestroyWindowFn, detail::Null<HWND>>;
using UniqueBstr = UniqueResource<BSTR, detail::FreeBstrFn, detail::Null<BSTR>>;
using UniqueHImageList =
    UniqueResource<HIMAGELIST, detail::DestroyImageListFn, detail::Null<HIMAGELIST>>;

// A window's device context (the screen's for a null window), released to that window.
class UniqueWindowDc {
 public:
  UniqueWindowDc() noexcept = default;
  explicit UniqueWindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  UniqueWindowDc(const UniqueWindowDc&) = delete;
  UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
  UniqueWindowDc(UniqueWindowDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  UniqueWindowDc& operator=(UniqueWindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~UniqueWindowDc() { reset(); }

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (HDC dc = std::exchange(dc_, nullptr)) {
      PreserveLastError keep;
      ::ReleaseDC(window_, dc);
    }
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// An object selected into a device context for a scope; the one it replaced goes back in.
// Nothing is selected into a null context or for a null object.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc),
        previous_(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) {
      PreserveLastError keep;
      ::SelectObject(dc_, previous_);
    }
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A VARIANT that is cleared when it goes: whatever it holds (a string, an interface) is freed.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { ::VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { reset(); }

  VARIANT& get() noexcept { return value_; }
  const VARIANT& get() const noexcept { return value_; }
  void reset() noexcept {
    PreserveLastError keep;
    ::VariantClear(&value_);
  }
  // For out-parameters: clears the current value first.
  VARIANT* put() noexcept {
    reset();
    return &value_;
  }

 private:
  VARIANT value_;
};

// Reference-counted COM pointer.
template <typename I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference.
  explicit ComPtr(I* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns.
  static ComPtr Attach(I* p) noexcept {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  I* get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (I* p = std::exchange(p_, nullptr)) p->Release();
  }
  I** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  I* detach() noexcept { return std::exchange(p_, nullptr); }

  template <typename Other>
  ComPtr<Other> As(REFIID iid) const noexcept {
    ComPtr<Other> other;
    if (p_) p_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  I* p_ = nullptr;
};

}  // namespace brimlet::win32
