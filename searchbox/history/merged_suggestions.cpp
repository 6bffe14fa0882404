#include "merged_suggestions.h"

#include <algorithm>

#include "text/utf16.h"

namespace brimlet {

std::vector<SuggestionItem> MergeSuggestions(const std::vector<std::u16string>& history,
                                             const std::vector<std::u16string>& service) {
  std::vector<SuggestionItem> items;
  items.reserve(history.size() + service.size());
  for (const std::u16string& words : history) {
    items.push_back({words, SuggestionSource::kHistory});
  }
  for (const std::u16string& words : service) {
    const bool listed = std::any_of(items.begin(), items.end(), [&](const SuggestionItem& item) {
      return EqualsIgnoreAsciiCase(item.text, words);
    });
    if (!listed) items.push_back({words, SuggestionSource::kService});
  }
  return items;
}

std::optional<std::u16string> InlineCompletion(const std::vector<SuggestionItem>& items,
                                               std::u16string_view typed) {
  if (typed.empty() || items.empty() || items.front().source != SuggestionSource::kHistory) {
    return std::nullopt;
  }
  return items.front().text;
}

}  // namespace brimlet
