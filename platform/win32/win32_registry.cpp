#include "win32/win32_registry.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// Key paths and value names are short; copies on the stack keep the hook allocation-free.
using KeyText = StackWide<512>;
using NameText = StackWide<256>;

HKEY RootKey(RegistryRoot root) noexcept {
  return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

RegistryQuery Win32Registry::QueryValue(RegistryRoot root, std::u16string_view key,
                                        std::u16string_view name,
                                        std::span<std::byte> buffer) const noexcept {
  const KeyText wkey(key);
  const NameText wname(name);
  if (!wkey.valid() || !wname.valid()) return {RegistryStatus::kFailed, 0, 0};
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(buffer.size());
  const LSTATUS status = ::SHGetValueW(RootKey(root), wkey.c_str(), wname.c_str(), &type,
                                       buffer.empty() ? nullptr : buffer.data(), &size);
  switch (status) {
    case ERROR_SUCCESS:
      return {RegistryStatus::kOk, type, size};
    case ERROR_MORE_DATA:
      return {RegistryStatus::kMoreData, type, size};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return {RegistryStatus::kNotFound, 0, 0};
    default:
      return {RegistryStatus::kFailed, type, size};
  }
}

bool Win32Registry::SetValue(RegistryRoot root, std::u16string_view key, std::u16string_view name,
                             uint32_t type, std::span<const std::byte> data) noexcept {
  const KeyText wkey(key);
  const NameText wname(name);
  if (!wkey.valid() || !wname.valid()) return false;
  if (type == reg_type::kSz || type == reg_type::kExpandSz || type == reg_type::kMultiSz) {
    // The registry adds a terminator to text whose count leaves one out when the character
    // just past the count is a zero. Text is stored exactly as given, so what follows the
    // copy here is never zero.
    try {
      std::vector<std::byte> copy(data.begin(), data.end());
      copy.insert(copy.end(), {std::byte{0xFF}, std::byte{0xFF}});
      return ::SHSetValueW(RootKey(root), wkey.c_str(), wname.c_str(), type, copy.data(),
                           static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }
    BRIMLET_CATCH_RETURN_VALUE(false)
  }
  return ::SHSetValueW(RootKey(root), wkey.c_str(), wname.c_str(), type, data.data(),
                       static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(RegistryRoot root, std::u16string_view key,
                                std::u16string_view name) noexcept {
  const KeyText wkey(key);
  const NameText wname(name);
  if (!wkey.valid() || !wname.valid()) return false;
  return ::SHDeleteValueW(RootKey(root), wkey.c_str(), wname.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::KeyExists(RegistryRoot root, std::u16string_view key) const noexcept {
  const KeyText wkey(key);
  if (!wkey.valid()) return false;
  UniqueHKey opened;
  return ::RegOpenKeyExW(RootKey(root), wkey.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

bool Win32Registry::CreateKey(RegistryRoot root, std::u16string_view key) noexcept {
  const KeyText wkey(key);
  if (!wkey.valid()) return false;
  UniqueHKey created;
  return ::RegCreateKeyExW(RootKey(root), wkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, created.put(), nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteTree(RegistryRoot root, std::u16string_view key) noexcept {
  const KeyText wkey(key);
  if (!wkey.valid()) return false;
  return ::SHDeleteKeyW(RootKey(root), wkey.c_str()) == ERROR_SUCCESS;
}

namespace {

// Names of one kind below an opened key; `next` fetches the name at an index.
template <typename Next>
std::vector<std::u16string> EnumerateNames(RegistryRoot root, std::u16string_view key,
                                           Next next) noexcept {
  try {
    std::vector<std::u16string> names;
    const KeyText wkey(key);
    if (!wkey.valid()) return names;
    UniqueHKey opened;
    if (::RegOpenKeyExW(RootKey(root), wkey.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) {
      return names;
    }
    // Registry names are at most 16383 characters.
    std::vector<wchar_t> buffer(16384);
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LSTATUS status = next(opened.get(), index, buffer.data(), &length);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) continue;
      names.emplace_back(reinterpret_cast<const char16_t*>(buffer.data()), length);
    }
    return names;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace

std::vector<std::u16string> Win32Registry::SubkeyNames(RegistryRoot root,
                                                       std::u16string_view key) const noexcept {
  return EnumerateNames(root, key, [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
    return ::RegEnumKeyExW(opened, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::u16string> Win32Registry::ValueNames(RegistryRoot root,
                                                      std::u16string_view key) const noexcept {
  return EnumerateNames(root, key, [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
    return ::RegEnumValueW(opened, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

}  // namespace brimlet::win32
