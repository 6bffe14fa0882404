#include "native/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {

MemoryRegistry::KeyId MemoryRegistry::Normalise(RegistryRoot root, std::u16string_view key) {
  while (!key.empty() && key.front() == u'\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == u'\\') key.remove_suffix(1);
  return {root, ToUpperAscii(key)};
}

RegistryQuery MemoryRegistry::QueryValue(RegistryRoot root, std::u16string_view key,
                                         std::u16string_view name,
                                         std::span<std::byte> buffer) const noexcept {
  try {
    const auto values = values_.find(Normalise(root, key));
    if (values == values_.end()) return {RegistryStatus::kNotFound, 0, 0};
    const auto value = values->second.find(ToUpperAscii(name));
    if (value == values->second.end()) return {RegistryStatus::kNotFound, 0, 0};
    const Stored& stored = value->second;
    // The shell functions report expandable text as plain text.
    const uint32_t type = stored.type == reg_type::kExpandSz ? reg_type::kSz : stored.type;
    RegistryQuery result{RegistryStatus::kOk, type, stored.data.size()};
    if (buffer.empty()) return result;
    if (buffer.size() < stored.data.size()) {
      result.status = RegistryStatus::kMoreData;
      return result;
    }
    std::copy(stored.data.begin(), stored.data.end(), buffer.begin());
    return result;
  }
  BRIMLET_CATCH_RETURN_VALUE({RegistryStatus::kFailed, 0, 0})
}

bool MemoryRegistry::SetValue(RegistryRoot root, std::u16string_view key, std::u16string_view name,
                              uint32_t type, std::span<const std::byte> data) noexcept {
  try {
    if (!CreateKey(root, key)) return false;
    values_[Normalise(root, key)][ToUpperAscii(name)] =
        Stored{type, std::vector<std::byte>(data.begin(), data.end())};
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, std::u16string_view key,
                                 std::u16string_view name) noexcept {
  try {
    const auto values = values_.find(Normalise(root, key));
    if (values == values_.end()) return false;
    return values->second.erase(ToUpperAscii(name)) > 0;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool MemoryRegistry::KeyExists(RegistryRoot root, std::u16string_view key) const noexcept {
  try {
    return keys_.count(Normalise(root, key)) > 0;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool MemoryRegistry::CreateKey(RegistryRoot root, std::u16string_view key) noexcept {
  try {
    const KeyId id = Normalise(root, key);
    if (id.second.empty()) return false;
    // Parents exist whenever a child does, as in the real registry.
    for (size_t pos = 0; (pos = id.second.find(u'\\', pos)) != std::u16string::npos; ++pos) {
      keys_.insert({root, id.second.substr(0, pos)});
    }
    keys_.insert(id);
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool MemoryRegistry::DeleteTree(RegistryRoot root, std::u16string_view key) noexcept {
  try {
    const KeyId id = Normalise(root, key);
    if (keys_.count(id) == 0) return false;
    const std::u16string prefix = id.second + u'\\';
    auto below = [&](const KeyId& k) {
      return k.first == root && (k.second == id.second || k.second.starts_with(prefix));
    };
    std::erase_if(keys_, below);
    std::erase_if(values_, [&](const auto& entry) { return below(entry.first); });
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::vector<std::u16string> MemoryRegistry::SubkeyNames(RegistryRoot root,
                                                        std::u16string_view key) const noexcept {
  try {
    const KeyId id = Normalise(root, key);
    const std::u16string prefix = id.second + u'\\';
    std::vector<std::u16string> names;
    for (const KeyId& k : keys_) {
      if (k.first != root || !k.second.starts_with(prefix)) continue;
      const std::u16string rest = k.second.substr(prefix.size());
      if (!rest.empty() && rest.find(u'\\') == std::u16string::npos) names.push_back(rest);
    }
    return names;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

std::vector<std::u16string> MemoryRegistry::ValueNames(RegistryRoot root,
                                                       std::u16string_view key) const noexcept {
  try {
    std::vector<std::u16string> names;
    const auto values = values_.find(Normalise(root, key));
    if (values == values_.end()) return names;
    for (const auto& entry : values->second) names.push_back(entry.first);
    return names;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace brimlet
