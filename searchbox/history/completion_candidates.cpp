#include "completion_candidates.h"

#include "search_history.h"
#include "text/utf16.h"

namespace brimlet {

std::vector<std::u16string> CompletionCandidates(const IRegistry& registry,
                                                 std::u16string_view typed) {
  StoredHistory stored = LoadHistory(registry);
  std::vector<std::u16string> candidates;
  for (std::u16string& words : stored.words) {
    if (std::u16string_view(words).starts_with(typed)) candidates.push_back(std::move(words));
  }
  return candidates;
}

std::vector<std::u16string> HistoryCandidates(const SearchHistory& history,
                                              std::u16string_view typed) {
  std::vector<std::u16string> candidates;
  if (typed.empty()) return candidates;
  for (size_t position = 0;; ++position) {
    std::optional<std::u16string> words = history.WordsAt(position);
    if (!words) break;
    if (words->size() >= typed.size() &&
        EqualsIgnoreAsciiCase(std::u16string_view(*words).substr(0, typed.size()), typed)) {
      candidates.push_back(std::move(*words));
    }
  }
  return candidates;
}

}  // namespace brimlet
