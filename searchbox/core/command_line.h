// The search-box program's command line: switches and the role they choose.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

// Switch names without their "/", compared without regard to case.
class SwitchSet {
 public:
  void Insert(std::u16string_view name);
  bool Contains(std::u16string_view name) const noexcept;
  size_t size() const noexcept { return names_.size(); }

 private:
  std::vector<std::u16string> names_;
};

// Splits at spaces (runs count as one), drops the first token (the program path) and keeps
// every token that starts with "/". Quotes get no special treatment: a quoted path with
// spaces only yields more discarded tokens.
SwitchSet ParseSwitches(std::u16string_view commandLine);

enum class Role { kNone, kSearch, kConfig, kStart, kReady };

// "search", then "config", then "start", then "ready" (a box prepared in advance, started
// by the host only): only the first found runs.
Role ChooseRole(const SwitchSet& switches) noexcept;

}  // namespace brimlet
