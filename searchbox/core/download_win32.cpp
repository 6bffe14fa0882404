#include "download_win32.h"

#include <bcrypt.h>
#include <wininet.h>

#include "text/utf16.h"
#include "win32/trace.h"
#include "win32/wide.h"
#include "win32/win32_system.h"

namespace brimlet::win32 {
namespace {

static_assert(kDownloadRequestFlags == (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                        INTERNET_FLAG_NO_UI));

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) noexcept : handle_(handle) {}
  ~InternetHandle() {
    if (handle_) ::InternetCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

std::optional<uint64_t> DeclaredLength(HINTERNET request) noexcept {
  wchar_t text[32] = {};
  DWORD size = sizeof(text);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
    return std::nullopt;
  }
  uint64_t length = 0;
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    if (*c < L'0' || *c > L'9') return std::nullopt;
    if (length > (UINT64_MAX - 9) / 10) return UINT64_MAX;
    length = length * 10 + static_cast<unsigned>(*c - L'0');
  }
  return length;
}

void TraceTooLarge(std::u16string_view address, size_t maxBytes) noexcept {
  try {
    Trace(u"Brimlet: download refused: " + std::u16string(address) + u" is larger than " +
          FormatDecimal(static_cast<int64_t>(maxBytes)) + u" bytes");
  }
  BRIMLET_CATCH_LOG()
}

// The GET itself, each piece of the body handed to `write` (false: give up).
template <typename Write>
bool Fetch(std::u16string_view address, size_t maxBytes, DWORD timeoutMs, Write write) {
  const InternetHandle session(
      ::InternetOpenW(L"Brimlet", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return false;
  DWORD timeout = timeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(session.get(), option, &timeout, sizeof(timeout));
  }
  const std::wstring url = ToWide(address);
  const InternetHandle request(
      ::InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0, kDownloadRequestFlags, 0));
  if (!request) return false;
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!::HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr) ||
      status != 200) {
    return false;
  }
  if (const auto length = DeclaredLength(request.get()); length && *length > maxBytes) {
    TraceTooLarge(address, maxBytes);
    return false;
  }
  char buffer[16 * 1024];
  uint64_t total = 0;
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(request.get(), buffer, sizeof(buffer), &read)) return false;
    if (read == 0) return true;
    total += read;
    if (total > maxBytes) {
      TraceTooLarge(address, maxBytes);
      return false;
    }
    if (!write(buffer, read)) return false;
  }
}

}  // namespace

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
  }
  BRIMLET_CATCH_RETURN_VALUE(E_OUTOFMEMORY)
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
    bool ok = false;
    {
      HANDLE out = ::CreateFileW(file.path().c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_TEMPORARY, nullptr);
      if (out != INVALID_HANDLE_VALUE) {
        ok = Fetch(address, maxBytes, kDownloadTimeoutMilliseconds,
                   [out](const char* data, DWORD size) {
                     DWORD written = 0;
                     return ::WriteFile(out, data, size, &written, nullptr) && written == size;
                   });
        // Nothing of a refused answer is kept.
        if (!ok) {
          ::SetFilePointer(out, 0, nullptr, FILE_BEGIN);
          ::SetEndOfFile(out);
        }
        ::CloseHandle(out);
      }
    }
    file.Reopen();
    return ok;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::optional<std::vector<std::byte>> DownloadBytes(std::u16string_view address,
                                                    size_t maxBytes) noexcept {
  try {
    TemporaryDownloadFile file;
    if (FAILED(file.Create()) || !DownloadInto(address, file, maxBytes)) return std::nullopt;
    file.ReleaseHandle();
    return Win32FileSystem().ReadFile(FromWide(file.path()), maxBytes);
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

std::optional<std::string> FetchIntoMemory(std::u16string_view address, size_t maxBytes,
                                           DWORD timeoutMs) noexcept {
  try {
    std::string body;
    // A server that trickles its answer is given up once the limit has passed in all.
    const DWORD start = ::GetTickCount();
    if (!Fetch(address, maxBytes, timeoutMs, [&](const char* data, DWORD size) {
          body.append(data, size);
          return ::GetTickCount() - start < timeoutMs;
        })) {
      return std::nullopt;
    }
    return body;
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
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
