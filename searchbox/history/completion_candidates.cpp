#include "completion_candidates.h"

#include "search_history.h"

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

}  // namespace brimlet
