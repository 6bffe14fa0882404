// One completion list from two sources: the history's candidates, then the search service's
// suggestions. Each item says where it came from, because the two behave differently: only a
// history word may complete the field inline, and only a history word can be removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

enum class SuggestionSource { kHistory, kService };

struct SuggestionItem {
  std::u16string text;
  SuggestionSource source = SuggestionSource::kHistory;
  friend bool operator==(const SuggestionItem&, const SuggestionItem&) = default;
};

// The history candidates in their order, then each service suggestion that is not already
// listed (words compared as the history compares them: ignoring the case of A to Z).
std::vector<SuggestionItem> MergeSuggestions(const std::vector<std::u16string>& history,
                                             const std::vector<std::u16string>& service);

// What the field completes to inline when the list opens: the first item when words were
// typed and that item is a history word; never a service suggestion, which fills the field
// only when the user chooses it.
std::optional<std::u16string> InlineCompletion(const std::vector<SuggestionItem>& items,
                                               std::u16string_view typed);

}  // namespace brimlet
