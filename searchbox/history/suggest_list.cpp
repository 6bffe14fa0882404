#include "suggest_list.h"

namespace brimlet {

SuggestSelection SelectNext(SuggestSelection current, size_t count) noexcept {
  if (count == 0) return std::nullopt;
  if (!current || *current >= count) return 0;
  if (*current + 1 == count) return std::nullopt;
  return *current + 1;
}

SuggestSelection SelectPrevious(SuggestSelection current, size_t count) noexcept {
  if (count == 0) return std::nullopt;
  if (!current || *current >= count) return count - 1;
  if (*current == 0) return std::nullopt;
  return *current - 1;
}

SuggestOpening OpenSuggestions(const std::vector<std::u16string>& candidates, bool upward,
                               bool typedEmpty) {
  SuggestOpening opening;
  if (upward) {
    opening.items.assign(candidates.rbegin(), candidates.rend());
    opening.nearField = candidates.empty() ? 0 : candidates.size() - 1;
  } else {
    opening.items = candidates;
  }
  if (!typedEmpty && !candidates.empty()) opening.selected = opening.nearField;
  return opening;
}

std::optional<Rect> ShrinkToItems(const Rect& window, int clientHeight, int itemHeight,
                                  size_t count, bool upward) noexcept {
  if (count == 0 || itemHeight <= 0 || clientHeight <= 0) return std::nullopt;
  // How many fit, rather than the items' total, so a huge count cannot overflow.
  if (count > static_cast<size_t>(clientHeight / itemHeight)) return std::nullopt;
  const int spare = clientHeight - static_cast<int>(count) * itemHeight;
  Rect shrunk = window;
  if (upward) {
    shrunk.top += spare;
  } else {
    shrunk.bottom -= spare;
  }
  return shrunk;
}

}  // namespace brimlet
