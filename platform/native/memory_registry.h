// In-memory registry for native tests: the same behaviour as the shell registry
// functions, without a machine registry.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "ports/registry.h"

namespace brimlet {

class MemoryRegistry final : public IRegistry {
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

 private:
  using KeyId = std::pair<RegistryRoot, std::u16string>;  // path upper-cased, no edge slashes
  struct Stored {
    uint32_t type;
    std::vector<std::byte> data;
  };
  static KeyId Normalise(RegistryRoot root, std::u16string_view key);

  std::set<KeyId> keys_;
  std::map<KeyId, std::map<std::u16string, Stored>> values_;
};

}  // namespace brimlet
