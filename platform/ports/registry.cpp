#include "ports/registry.h"

namespace brimlet {

std::optional<RegistryValue> ReadRegistryValue(const IRegistry& registry, RegistryRoot root,
                                               std::u16string_view key, std::u16string_view name) {
  // The value may grow between the two calls (another process writing); retry a little.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const RegistryQuery probe = registry.QueryValue(root, key, name, {});
    if (probe.status != RegistryStatus::kOk && probe.status != RegistryStatus::kMoreData) {
      return std::nullopt;
    }
    RegistryValue value;
    value.data.resize(probe.size);
    const RegistryQuery read = registry.QueryValue(root, key, name, value.data);
    if (read.status == RegistryStatus::kOk) {
      value.type = read.type;
      value.data.resize(read.size);
      return value;
    }
    if (read.status != RegistryStatus::kMoreData) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace brimlet
