#include "menu/tray_menu.h"

namespace brimlet {
namespace {

constexpr size_t kMaxEntryText = 1023;

TrayMenuEntry Separator() { return {TrayMenuEntry::Kind::kSeparator, 0, {}, {}}; }

}  // namespace

std::u16string FormatSettingsEntry(std::u16string_view format, std::u16string_view name) {
  std::u16string text(format);
  if (const size_t at = text.find(u"%s"); at != std::u16string::npos) text.replace(at, 2, name);
  if (text.size() > kMaxEntryText) text.resize(kMaxEntryText);
  return text;
}

TrayMenu BuildTrayMenu(const IGadgetList& gadgets, std::u16string_view settingsFormat) {
  TrayMenu menu;
  const size_t count = gadgets.GetCount();
  if (count == 0) return menu;

  uint32_t nextCommandId = kFirstCommandId;
  TrayMenuEntry settings{TrayMenuEntry::Kind::kSubmenu, 0, std::u16string(kSettingsCaption), {}};
  for (size_t i = 0; i < count; ++i) {
    const IGadgetItem* gadget = gadgets.GetAt(i);
    if (gadget == nullptr) continue;
    std::vector<const IGadgetItemCommand*> commands;
    gadget->GetCommands(commands);
    for (const IGadgetItemCommand* command : commands) {
      if (command->GetType() != 1 || nextCommandId > kLastCommandId) continue;
      std::u16string text = command->GetDisplayName();
      if (text.empty()) continue;
      const uint32_t id = nextCommandId++;
      menu.entries.push_back({TrayMenuEntry::Kind::kItem, id, std::move(text), {}});
      menu.commandGuids[id] = command->GetGuid();
    }
    if (gadget->HasConfig()) {
      const uint32_t id = kFirstSettingsId + static_cast<uint32_t>(i);
      settings.children.push_back({TrayMenuEntry::Kind::kItem,
                                   id,
                                   FormatSettingsEntry(settingsFormat, gadget->GetName()),
                                   {}});
      menu.gadgetGuids[id] = gadget->GetGuid();
    }
  }
  if (!menu.entries.empty()) menu.entries.push_back(Separator());
  // With gadgets the settings submenu is there even when none of them has settings.
  menu.entries.push_back(std::move(settings));
  menu.entries.push_back(Separator());
  return menu;
}

TrayChoice InterpretTrayChoice(const TrayMenu& menu, uint32_t id) {
  if (id == 0) return {};
  if (auto it = menu.commandGuids.find(id); it != menu.commandGuids.end()) {
    return {TrayChoice::Kind::kCommand, it->second};
  }
  if (auto it = menu.gadgetGuids.find(id); it != menu.gadgetGuids.end()) {
    return {TrayChoice::Kind::kSettings, it->second};
  }
  return {TrayChoice::Kind::kOther, {}};
}

}  // namespace brimlet
