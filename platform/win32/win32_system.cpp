#include "win32/win32_system.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr int64_t kFileTimeTo1970 = 11'644'473'600LL;  // seconds from 1601 to 1970

class Win32Mutex final : public INamedMutex {
 public:
  explicit Win32Mutex(HANDLE h) noexcept : handle_(h) {}

 private:
  UniqueHandle handle_;
};

}  // namespace

int64_t Win32Clock::NowSeconds() const noexcept {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  return ticks / kFileTimeTicksPerSecond - kFileTimeTo1970;
}

uint32_t Win32Clock::TickCount() const noexcept { return ::GetTickCount(); }

CalendarDate Win32Clock::LocalDate(int64_t secondsSince1970) const noexcept {
  const uint64_t ticks =
      static_cast<uint64_t>((secondsSince1970 + kFileTimeTo1970) * kFileTimeTicksPerSecond);
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utcTime, local;
  if (!::FileTimeToSystemTime(&utc, &utcTime) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local)) {
    return {};
  }
  return {local.wYear, local.wMonth, local.wDay};
}

void Win32Clock::Sleep(uint32_t milliseconds) noexcept { ::Sleep(milliseconds); }

NamedMutexResult Win32MutexFactory::Create(std::u16string_view name) noexcept {
  try {
    const std::wstring wname = ToWide(name);
    HANDLE h = ::CreateMutexW(nullptr, FALSE, wname.c_str());
    const DWORD error = ::GetLastError();
    // An elevated holder's mutex cannot be opened from here, but it is running all the same.
    if (h == nullptr) return {nullptr, error == ERROR_ACCESS_DENIED};
    const bool existed = error == ERROR_ALREADY_EXISTS;
    return {std::make_unique<Win32Mutex>(h), existed};
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

bool Win32FileSystem::FileExists(std::u16string_view path) const noexcept {
  try {
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::optional<std::vector<std::byte>> Win32FileSystem::ReadFile(std::u16string_view path,
                                                                size_t maxBytes) const {
  UniqueFileHandle file(::CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > maxBytes) {
    return std::nullopt;
  }
  std::vector<std::byte> data(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    if (!::ReadFile(file.get(), data.data() + done, want, &got, nullptr)) return std::nullopt;
    if (got == 0) break;  // shrank while reading
    done += got;
  }
  data.resize(done);
  return data;
}

bool Win32FileSystem::WriteFile(std::u16string_view path, std::span<const std::byte> data) {
  UniqueFileHandle file(::CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < data.size()) {
    DWORD wrote = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    if (!::WriteFile(file.get(), data.data() + done, want, &wrote, nullptr) || wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return true;
}

bool Win32FileSystem::RemoveFile(std::u16string_view path) noexcept {
  try {
    return ::DeleteFileW(ToWide(path).c_str()) != FALSE;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::optional<std::vector<FolderEntry>> Win32FileSystem::ListFolder(
    std::u16string_view folder) const {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileExW((ToWide(folder) + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  struct FindCloser {
    HANDLE h;
    ~FindCloser() { ::FindClose(h); }
  } closer{search};
  std::vector<FolderEntry> entries;
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({FromWide(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileW(search, &found));
  return entries;
}

bool Win32FileSystem::CreateFolder(std::u16string_view path) noexcept {
  try {
    std::wstring full = ToWide(path);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    // Refuses relative paths, which is fine: every folder the programs create is absolute.
    ::SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

}  // namespace brimlet::win32
