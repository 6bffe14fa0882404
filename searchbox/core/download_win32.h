// The start role's and the notice check's downloads: one GET through WinINet that always
// asks the server for a fresh copy, sends no cookies, and gives up past a size cap while
// the answer arrives; and the temporary file a download lands in.
#pragma once

#include <windows.h>

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cache_buster.h"

namespace brimlet::win32 {

// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE: no
// cache answers and none keeps the answer; INTERNET_FLAG_NO_COOKIES: the user's shared
// cookie jar would link the requests of one user, and none of ours needs a cookie;
// INTERNET_FLAG_NO_UI: no dialog from a worker thread.
inline constexpr DWORD kDownloadRequestFlags = 0x80000000 | 0x04000000 | 0x00000100 |
                                               0x00080000 | 0x00000200;
// A server that stops sending for this long is given up.
inline constexpr DWORD kDownloadTimeoutMilliseconds = 30'000;

// A "TFR" file in the user's temporary folder that a download is written to; always
// deleted when it ends.
class TemporaryDownloadFile {
 public:
  TemporaryDownloadFile() noexcept = default;
  TemporaryDownloadFile(const TemporaryDownloadFile&) = delete;
  TemporaryDownloadFile& operator=(const TemporaryDownloadFile&) = delete;
  ~TemporaryDownloadFile();

  // DISP_E_BUFFERTOOSMALL when the temporary folder's path is too long.
  HRESULT Create() noexcept;
  // Keeps the file but lets others open it (the download, the cabinet reader).
  void ReleaseHandle() noexcept;
  bool Reopen() noexcept;
  const std::wstring& path() const noexcept { return path_; }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Downloads the address into the file. True only for status 200 with a body of at most
// `maxBytes`: an answer that announces more is given up at its headers, one without a
// Content-Length as soon as it passes the cap; either leaves a trace line.
bool DownloadInto(std::u16string_view address, TemporaryDownloadFile& file,
                  size_t maxBytes = std::numeric_limits<size_t>::max()) noexcept;

// The whole answer of a successful download of at most `maxBytes`; nothing otherwise. The
// temporary file is gone afterwards.
std::optional<std::vector<std::byte>> DownloadBytes(std::u16string_view address,
                                                    size_t maxBytes) noexcept;

// The same GET with the answer kept in memory, for small answers a box waits for (a search
// service's suggestions): `timeoutMs` limits the connection, the sending, each wait for the
// next piece and the receiving in all. Nothing unless status 200 with a body of at most
// `maxBytes`.
std::optional<std::string> FetchIntoMemory(std::u16string_view address, size_t maxBytes,
                                           DWORD timeoutMs) noexcept;

// Random values from the system's generator.
class SystemCacheBuster final : public ICacheBuster {
 public:
  uint32_t Next() noexcept override;
};

}  // namespace brimlet::win32
