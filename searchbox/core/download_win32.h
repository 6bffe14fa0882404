// The start role's downloads: the callback that forces a fresh copy and records the
// outcome, and the temporary file a download lands in.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>
#include <string_view>

namespace brimlet::win32 {

// Lives on the downloading thread's stack for one download; not reference counted.
class BindStatusCallbackImpl final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  BindStatusCallbackImpl() noexcept = default;
  BindStatusCallbackImpl(const BindStatusCallbackImpl&) = delete;
  BindStatusCallbackImpl& operator=(const BindStatusCallbackImpl&) = delete;
  virtual ~BindStatusCallbackImpl() = default;

  HRESULT stopResult() const noexcept { return stopResult_; }
  DWORD responseCode() const noexcept { return responseCode_; }

  // IBindStatusCallback
  STDMETHODIMP QueryInterface(REFIID riid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 0; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 0; }
  STDMETHODIMP OnStartBinding(DWORD, IBinding*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetPriority(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) noexcept override { return S_OK; }
  STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR) noexcept override;
  STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) noexcept override;
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) noexcept override { return E_NOTIMPL; }

  // IHttpNegotiate
  STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) noexcept override;
  STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) noexcept override;

 private:
  HRESULT stopResult_ = E_FAIL;
  DWORD responseCode_ = 0;
};

// BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE.
inline constexpr DWORD kFreshCopyBindFlags = 0x2030;

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
// True only when the call, the stop result and status 200 all say so: the download service
// also writes the body of a 404 or 500 and reports success.
bool DownloadInto(std::u16string_view address, TemporaryDownloadFile& file) noexcept;

}  // namespace brimlet::win32
