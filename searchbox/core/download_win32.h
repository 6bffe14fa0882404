// The start role's downloads: the callback that forces a fresh copy and records the
// outcome, and the temporary file a download lands in.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cache_buster.h"

namespace brimlet::win32 {

// Lives on the downloading thread's stack for one download; not reference counted. Gives
// the download up as soon as the data passes `maxBytes` (or the server announces more),
// and asks for it without cookies.
class BindStatusCallbackImpl final : public IBindStatusCallbackEx, public IHttpNegotiate {
 public:
  explicit BindStatusCallbackImpl(size_t maxBytes = std::numeric_limits<size_t>::max()) noexcept
      : maxBytes_(maxBytes) {}
  BindStatusCallbackImpl(const BindStatusCallbackImpl&) = delete;
  BindStatusCallbackImpl& operator=(const BindStatusCallbackImpl&) = delete;
  virtual ~BindStatusCallbackImpl() = default;

  HRESULT stopResult() const noexcept { return stopResult_; }
  DWORD responseCode() const noexcept { return responseCode_; }
  // The download was given up for its size.
  bool tooLarge() const noexcept { return tooLarge_; }

  // IBindStatusCallback
  STDMETHODIMP QueryInterface(REFIID riid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 0; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 0; }
  STDMETHODIMP OnStartBinding(DWORD, IBinding*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetPriority(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG status,
                          LPCWSTR) noexcept override;
  STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR) noexcept override;
  STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) noexcept override;
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) noexcept override { return E_NOTIMPL; }

  // IBindStatusCallbackEx: the second set of bind flags turns the cookie jar off.
  STDMETHODIMP GetBindInfoEx(DWORD* flags, BINDINFO* info, DWORD* flags2,
                             DWORD* reserved) noexcept override;

  // IHttpNegotiate
  STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) noexcept override;
  STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) noexcept override;

 private:
  size_t maxBytes_;
  HRESULT stopResult_ = E_FAIL;
  DWORD responseCode_ = 0;
  bool tooLarge_ = false;
};

// BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE.
inline constexpr DWORD kFreshCopyBindFlags = 0x2030;
// The shared cookie jar would link the requests of one user; none of ours needs a cookie.
inline constexpr DWORD kNoCookieBindFlags2 = BINDF2_DISABLEAUTOCOOKIEHANDLING;

// A "TFR" file in the user's temporary folder that the download service writes to; always
// deleted when it ends.
class TemporaryDownloadFile {
 public:
  TemporaryDownloadFile() noexcept = default;
  TemporaryDownloadFile(const TemporaryDownloadFile&) = delete;
  TemporaryDownloadFile& operator=(const TemporaryDownloadFile&) = delete;
  ~TemporaryDownloadFile();

  // DISP_E_BUFFERTOOSMALL when the temporary folder's path is too long.
  HRESULT Create() noexcept;
  // Keeps the file but lets others open it (the download service, the cabinet reader).
  void ReleaseHandle() noexcept;
  bool Reopen() noexcept;
  const std::wstring& path() const noexcept { return path_; }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The calling sequence around URLDownloadToFileW, the file's handle released meanwhile.
// True only when the call, the stop result and status 200 all say so (the download service
// also writes the body of a 404 or 500 and reports success), and the file holds at most
// `maxBytes`; a larger answer is given up while it arrives and leaves a trace line.
bool DownloadInto(std::u16string_view address, TemporaryDownloadFile& file,
                  size_t maxBytes = std::numeric_limits<size_t>::max()) noexcept;

// The whole answer of a successful download of at most `maxBytes`; nothing otherwise. The
// temporary file is gone afterwards.
std::optional<std::vector<std::byte>> DownloadBytes(std::u16string_view address,
                                                    size_t maxBytes) noexcept;

// Random values from the system's generator.
class SystemCacheBuster final : public ICacheBuster {
 public:
  uint32_t Next() noexcept override;
};

}  // namespace brimlet::win32
