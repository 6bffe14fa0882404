#include "download_win32.h"

#include <bcrypt.h>

#include "text/utf16.h"
#include "win32/trace.h"
#include "win32/wide.h"
#include "win32/win32_system.h"

namespace brimlet::win32 {

STDMETHODIMP BindStatusCallbackImpl::QueryInterface(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback) ||
      IsEqualIID(riid, IID_IBindStatusCallbackEx)) {
    *object = static_cast<IBindStatusCallbackEx*>(this);
    return S_OK;
  }
  if (IsEqualIID(riid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP BindStatusCallbackImpl::OnProgress(ULONG progress, ULONG progressMax, ULONG status,
                                                LPCWSTR) noexcept {
  const bool data = status == BINDSTATUS_BEGINDOWNLOADDATA ||
                    status == BINDSTATUS_DOWNLOADINGDATA || status == BINDSTATUS_ENDDOWNLOADDATA;
  // A body without a Content-Length is counted as it arrives; a larger announced length
  // ends the download before it is received.
  if (data && (progress > maxBytes_ || progressMax > maxBytes_)) {
    tooLarge_ = true;
    return E_ABORT;
  }
  return S_OK;
}

STDMETHODIMP BindStatusCallbackImpl::OnStopBinding(HRESULT result, LPCWSTR) noexcept {
  stopResult_ = result;
  return E_NOTIMPL;
}

STDMETHODIMP BindStatusCallbackImpl::GetBindInfo(DWORD* flags, BINDINFO*) noexcept {
  if (!flags) return E_POINTER;
  *flags |= kFreshCopyBindFlags;
  return S_OK;
}

STDMETHODIMP BindStatusCallbackImpl::GetBindInfoEx(DWORD* flags, BINDINFO* info, DWORD* flags2,
                                                   DWORD* reserved) noexcept {
  if (!flags2) return E_POINTER;
  *flags2 |= kNoCookieBindFlags2;
  if (reserved) *reserved = 0;
  return GetBindInfo(flags, info);
}

STDMETHODIMP BindStatusCallbackImpl::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                          LPWSTR* additional) noexcept {
  if (additional) *additional = nullptr;
  return S_OK;
}

STDMETHODIMP BindStatusCallbackImpl::OnResponse(DWORD code, LPCWSTR, LPCWSTR,
                                                LPWSTR* additional) noexcept {
  if (additional) *additional = nullptr;
  responseCode_ = code;
  return S_OK;
}

TemporaryDownloadFile::~TemporaryDownloadFile() {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  if (!path_.empty()) ::DeleteFileW(path_.c_str());
}

HRESULT TemporaryDownloadFile::Create() noexcept {
  try {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0) return HRESULT_FROM_WIN32(::GetLastError());
    if (length > 256) return DISP_E_BUFFERTOOSMALL;
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(folder, L"TFR", 0, name) == 0) {
      return HRESULT_FROM_WIN32(::GetLastError());
    }
    path_ = name;  // from here on the file is ours to delete
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    handle_ = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(::GetLastError());
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

void TemporaryDownloadFile::ReleaseHandle() noexcept {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  ::FlushFileBuffers(handle_);
  ::CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool TemporaryDownloadFile::Reopen() noexcept {
  if (handle_ != INVALID_HANDLE_VALUE || path_.empty()) return handle_ != INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  handle_ = ::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return false;
  ::SetFilePointer(handle_, 0, nullptr, FILE_END);
  return true;
}

bool DownloadInto(std::u16string_view address, TemporaryDownloadFile& file,
                  size_t maxBytes) noexcept {
  try {
    file.ReleaseHandle();
    BindStatusCallbackImpl callback(maxBytes);
    const HRESULT result =
        ::URLDownloadToFileW(nullptr, ToWide(address).c_str(), file.path().c_str(), 0, &callback);
    file.Reopen();
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const bool sized = ::GetFileAttributesExW(file.path().c_str(), GetFileExInfoStandard,
                                              &attributes) != FALSE;
    const uint64_t size =
        (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    if (callback.tooLarge() || (sized && size > maxBytes)) {
      Trace(u"Brimlet: download refused: " + std::u16string(address) + u" is larger than " +
            FormatDecimal(static_cast<int64_t>(maxBytes)) + u" bytes");
      return false;
    }
    return sized && SUCCEEDED(result) && SUCCEEDED(callback.stopResult()) &&
           callback.responseCode() == 200;
  } catch (...) {
    return false;
  }
}

std::optional<std::vector<std::byte>> DownloadBytes(std::u16string_view address,
                                                    size_t maxBytes) noexcept {
  try {
    TemporaryDownloadFile file;
    if (FAILED(file.Create()) || !DownloadInto(address, file, maxBytes)) return std::nullopt;
    file.ReleaseHandle();
    return Win32FileSystem().ReadFile(FromWide(file.path()), maxBytes);
  } catch (...) {
    return std::nullopt;
  }
}

uint32_t SystemCacheBuster::Next() noexcept {
  uint32_t value = 0;
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    // Without the generator, one value that every machine sends: caches may answer, but
    // nothing links one machine's requests.
    value = 0;
  }
  return value;
}

}  // namespace brimlet::win32
