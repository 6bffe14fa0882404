// The tray menu's gadget entries as plain data: the Win32 side only renders them in front
// of the fixed entries ("バージョン情報...", a separator, "終了(&X)") and hands the chosen id
// back here.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "gadget/gadget_interfaces.h"

namespace brimlet {

inline constexpr uint32_t kFirstCommandId = 1024;
inline constexpr uint32_t kLastCommandId = 2047;  // the settings ids follow
inline constexpr uint32_t kFirstSettingsId = 2048;
inline constexpr uint32_t kAboutCommandId = 57664;
inline constexpr uint32_t kExitCommandId = 57665;
inline constexpr std::u16string_view kSettingsCaption = u"設定";

struct TrayMenuEntry {
  enum class Kind { kItem, kSeparator, kSubmenu };
  Kind kind = Kind::kItem;
  uint32_t id = 0;  // items only
  std::u16string text;
  std::vector<TrayMenuEntry> children;  // submenus only

  bool operator==(const TrayMenuEntry&) const = default;
};

struct TrayMenu {
  // Entries that go before the fixed ones, from the top.
  std::vector<TrayMenuEntry> entries;
  std::map<uint32_t, std::u16string> commandGuids;  // menu id -> command guid
  std::map<uint32_t, std::u16string> gadgetGuids;   // menu id -> gadget guid (settings)
};

// `settingsFormat` is the settings entry's text with "%s" standing for the gadget's name.
//
// Each listed command gets an id of its own, 1024 + its position among the listed
// commands, so that every entry runs the command it shows even when one gadget lists
// several; commands beyond id 2047 are left out rather than collide with the settings ids.
// A command without a display name is not listed (it can still be a default command).
TrayMenu BuildTrayMenu(const IGadgetList& gadgets, std::u16string_view settingsFormat);

// "%s" replaced by the gadget's name, cut to 1,023 characters.
std::u16string FormatSettingsEntry(std::u16string_view format, std::u16string_view name);

struct TrayChoice {
  enum class Kind { kNone, kCommand, kSettings, kOther };
  Kind kind = Kind::kNone;
  std::u16string guid;  // the command's or the gadget's
};
TrayChoice InterpretTrayChoice(const TrayMenu& menu, uint32_t id);

}  // namespace brimlet
