#include "hook_settings.h"

#include <windows.h>

#include <array>

#include "settings_rules.h"

namespace brimlet::trigger {
namespace {

// The settings key as a terminated wide string, made at compile time.
constexpr auto kKey = [] {
  std::array<wchar_t, kSettingsKey.size() + 1> key{};
  for (size_t i = 0; i < kSettingsKey.size(); ++i) key[i] = static_cast<wchar_t>(kSettingsKey[i]);
  return key;
}();

// The stored number, when it is one by the settings store's rule.
bool ReadNumber(const wchar_t* name, uint32_t& value) noexcept {
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof(data);
  // Any type: the rule decides from the type and size what counts.
  const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, kKey.data(), name,
                                        RRF_RT_ANY | RRF_NOEXPAND, &type, &data, &size);
  const RegistryQuery query{status == ERROR_SUCCESS ? RegistryStatus::kOk : RegistryStatus::kFailed,
                            type, size};
  if (!IsStoredNumber(query)) return false;
  value = data;
  return true;
}

}  // namespace

bool UseKeyboardHook() noexcept {
  uint32_t value = 0;
  return !ReadNumber(L"UseKeyboardHook", value) || value != 0;
}

int32_t KeyStroke() noexcept {
  uint32_t value = 0;
  return ReadNumber(L"KeyStroke", value) ? KeyStrokeFromStored(static_cast<int32_t>(value)) : 0;
}

}  // namespace brimlet::trigger
