// Clock, named mutexes and files on Win32.
#pragma once

#include "ports/clock.h"
#include "ports/files.h"
#include "ports/mutex.h"

namespace brimlet::win32 {

class Win32Clock final : public IClock {
 public:
  int64_t NowSeconds() const noexcept override;
  uint32_t TickCount() const noexcept override;
  CalendarDate LocalDate(int64_t secondsSince1970) const noexcept override;
  void Sleep(uint32_t milliseconds) noexcept override;
};

class Win32MutexFactory final : public IMutexFactory {
 public:
  NamedMutexResult Create(std::u16string_view name) noexcept override;
};

class Win32FileSystem final : public IFileSystem {
 public:
  bool FileExists(std::u16string_view path) const noexcept override;
  std::optional<std::vector<std::byte>> ReadFile(std::u16string_view path,
                                                 size_t maxBytes) const override;
  bool WriteFile(std::u16string_view path, std::span<const std::byte> data) override;
  bool RemoveFile(std::u16string_view path) noexcept override;
  std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const override;
  bool CreateFolder(std::u16string_view path) noexcept override;
};

}  // namespace brimlet::win32
