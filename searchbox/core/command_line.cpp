#include "command_line.h"

#include <algorithm>

#include "text/utf16.h"

namespace brimlet {

void SwitchSet::Insert(std::u16string_view name) {
  if (!Contains(name)) names_.emplace_back(name);
}

bool SwitchSet::Contains(std::u16string_view name) const noexcept {
  return std::any_of(names_.begin(), names_.end(),
                     [&](const std::u16string& n) { return EqualsIgnoreAsciiCase(n, name); });
}

SwitchSet ParseSwitches(std::u16string_view commandLine) {
  SwitchSet switches;
  bool first = true;
  size_t pos = 0;
  while (pos < commandLine.size()) {
    while (pos < commandLine.size() && commandLine[pos] == u' ') ++pos;
    if (pos >= commandLine.size()) break;
    size_t end = commandLine.find(u' ', pos);
    if (end == std::u16string_view::npos) end = commandLine.size();
    const std::u16string_view token = commandLine.substr(pos, end - pos);
    if (!first && token.size() > 1 && token[0] == u'/') switches.Insert(token.substr(1));
    first = false;
    pos = end;
  }
  return switches;
}

Role ChooseRole(const SwitchSet& switches) noexcept {
  if (switches.Contains(u"search")) return Role::kSearch;
  if (switches.Contains(u"config")) return Role::kConfig;
  if (switches.Contains(u"start")) return Role::kStart;
  if (switches.Contains(u"ready")) return Role::kReady;
  return Role::kNone;
}

}  // namespace brimlet
