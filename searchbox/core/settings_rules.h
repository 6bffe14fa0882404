// Where the settings live and how a stored number is read: all that the keyboard hook needs
// of the settings store. The hook runs in every program on the desktop and cannot take the
// store's library along, so this header is self-contained and has no code to link.
#pragma once

#include <cstdint>
#include <string_view>

#include "ports/registry.h"

namespace brimlet {

inline constexpr std::u16string_view kGadgetGuid = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}";
inline constexpr std::u16string_view kSettingsKey =
    u"Software\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}";
inline constexpr std::u16string_view kHistoryKey =
    u"Software\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\SearchWords";
inline constexpr std::u16string_view kProductKey = u"SOFTWARE\\Zelvo\\BrimletBox";

// How a number setting is read: only a REG_DWORD of exactly four bytes counts; anything
// else reads as the setting's default.
constexpr bool IsStoredNumber(const RegistryQuery& query) noexcept {
  return query.status == RegistryStatus::kOk && query.type == reg_type::kDword && query.size == 4;
}
// "KeyStroke" from its stored number: above 5 reads as 0; a negative number stays and
// matches no kind.
constexpr int32_t KeyStrokeFromStored(int32_t stored) noexcept { return stored > 5 ? 0 : stored; }

}  // namespace brimlet
