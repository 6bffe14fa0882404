// File port: the few file operations the logic needs. Paths are the platform's own
// (backslashes on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

struct FolderEntry {
  std::u16string name;
  bool isFolder = false;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  virtual bool FileExists(std::u16string_view path) const noexcept = 0;
  // The whole file, or nothing when it is missing, unreadable or larger than maxBytes.
  virtual std::optional<std::vector<std::byte>> ReadFile(std::u16string_view path,
                                                         size_t maxBytes) const = 0;
  virtual bool WriteFile(std::u16string_view path, std::span<const std::byte> data) = 0;
  virtual bool RemoveFile(std::u16string_view path) noexcept = 0;
  // The entries of a folder (path ending in a separator) in the order the system lists
  // them, without "." and ".."; nothing when the folder cannot be listed at all.
  virtual std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const = 0;
  // Creates the folder and its missing parents; true when it exists afterwards.
  virtual bool CreateFolder(std::u16string_view path) noexcept = 0;
};

}  // namespace brimlet
