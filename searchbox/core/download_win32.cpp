#include "download_win32.h"

#include "win32/wide.h"

namespace brimlet::win32 {

STDMETHODIMP BindStatusCallbackImpl::QueryInterface(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
    *object = static_cast<IBindStatusCallback*>(this);
    return S_OK;
  }
  if (IsEqualIID(riid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
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

bool DownloadInto(std::u16string_view address, TemporaryDownloadFile& file) noexcept {
  try {
    file.ReleaseHandle();
    BindStatusCallbackImpl callback;
    const HRESULT result =
        ::URLDownloadToFileW(nullptr, ToWide(address).c_str(), file.path().c_str(), 0, &callback);
    file.Reopen();
    return SUCCEEDED(result) && SUCCEEDED(callback.stopResult()) && callback.responseCode() == 200;
  } catch (...) {
    return false;
  }
}

}  // namespace brimlet::win32
