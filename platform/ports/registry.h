// Registry port: what the product needs of the Windows registry, as the shell registry
// functions see it (each access opens and closes the key; the first write creates it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// Value types with the platform's numbers, so raw values round-trip unchanged.
namespace reg_type {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiSz = 7;
inline constexpr uint32_t kQword = 11;
}  // namespace reg_type

enum class RegistryStatus {
  kOk,
  kNotFound,  // key or value missing: expected, callers fall back to defaults
  kMoreData,  // buffer too small; size holds the bytes needed
  kFailed,
};

struct RegistryQuery {
  RegistryStatus status = RegistryStatus::kNotFound;
  uint32_t type = reg_type::kNone;
  size_t size = 0;  // bytes of the stored data
};

// Key paths use backslashes and, like value names, compare without regard to case.
// Every operation is noexcept: the keyboard hook reads settings through this port.
class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // Like SHGetValueW: an empty buffer asks for type and size only; a buffer too small
  // gives kMoreData with the size needed and copies nothing.
  virtual RegistryQuery QueryValue(RegistryRoot root, std::u16string_view key,
                                   std::u16string_view name,
                                   std::span<std::byte> buffer) const noexcept = 0;
  // Creates the key (and its parents) when missing.
  virtual bool SetValue(RegistryRoot root, std::u16string_view key, std::u16string_view name,
                        uint32_t type, std::span<const std::byte> data) noexcept = 0;
  // False when the value did not exist or could not be deleted.
  virtual bool DeleteValue(RegistryRoot root, std::u16string_view key,
                           std::u16string_view name) noexcept = 0;
  virtual bool KeyExists(RegistryRoot root, std::u16string_view key) const noexcept = 0;
  virtual bool CreateKey(RegistryRoot root, std::u16string_view key) noexcept = 0;
  // Deletes the key with everything below it; false when it did not exist.
  virtual bool DeleteTree(RegistryRoot root, std::u16string_view key) noexcept = 0;
  // The names of the key's direct subkeys and of its values, in no particular order (the
  // in-memory adapter gives them upper-cased). Empty when the key is missing; these allocate,
  // so the hook never calls them.
  virtual std::vector<std::u16string> SubkeyNames(RegistryRoot root,
                                                  std::u16string_view key) const noexcept = 0;
  virtual std::vector<std::u16string> ValueNames(RegistryRoot root,
                                                 std::u16string_view key) const noexcept = 0;
};

// A whole value read in one go, for code that may allocate (not the hook).
struct RegistryValue {
  uint32_t type = reg_type::kNone;
  std::vector<std::byte> data;
};
std::optional<RegistryValue> ReadRegistryValue(const IRegistry& registry, RegistryRoot root,
                                               std::u16string_view key, std::u16string_view name);

}  // namespace brimlet
