// Files for native tests: paths are UTF-8 on Linux.
#pragma once

#include "ports/files.h"

namespace brimlet {

class PosixFileSystem final : public IFileSystem {
 public:
  bool FileExists(std::u16string_view path) const noexcept override;
  std::optional<std::vector<std::byte>> ReadFile(std::u16string_view path,
                                                 size_t maxBytes) const override;
  bool WriteFile(std::u16string_view path, std::span<const std::byte> data) override;
  bool RemoveFile(std::u16string_view path) noexcept override;
  std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const override;
  bool CreateFolder(std::u16string_view path) noexcept override;
};

}  // namespace brimlet
