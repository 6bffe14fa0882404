// The registry port on the real registry, through the shell registry functions.
#pragma once

#include "ports/registry.h"

namespace brimlet::win32 {

class Win32Registry final : public IRegistry {
 public:
  RegistryQuery QueryValue(RegistryRoot root, std::u16string_view key, std::u16string_view name,
                           std::span<std::byte> buffer) const noexcept override;
  bool SetValue(RegistryRoot root, std::u16string_view key, std::u16string_view name, uint32_t type,
                std::span<const std::byte> data) noexcept override;
  bool DeleteValue(RegistryRoot root, std::u16string_view key,
                   std::u16string_view name) noexcept override;
  bool KeyExists(RegistryRoot root, std::u16string_view key) const noexcept override;
  bool CreateKey(RegistryRoot root, std::u16string_view key) noexcept override;
  bool DeleteTree(RegistryRoot root, std::u16string_view key) noexcept override;
  std::vector<std::u16string> SubkeyNames(RegistryRoot root,
                                          std::u16string_view key) const noexcept override;
  std::vector<std::u16string> ValueNames(RegistryRoot root,
                                         std::u16string_view key) const noexcept override;
};

}  // namespace brimlet::win32
