// The rules of the completion list of the page-based box: the order of its items, the
// selection it opens with, how Up and Down move the selection, and when it shrinks to its
// items. The window only renders what these decide.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ports/geometry.h"

namespace brimlet {

// An item index, or nothing selected.
using SuggestSelection = std::optional<size_t>;

// Down: nothing → the first item; the last item → nothing; otherwise the next item.
SuggestSelection SelectNext(SuggestSelection current, size_t count) noexcept;
// Up: nothing → the last item; the first item → nothing; otherwise the previous item.
SuggestSelection SelectPrevious(SuggestSelection current, size_t count) noexcept;

struct SuggestOpening {
  // Top first. Upward, the candidates are reversed so that the first one sits next to the
  // field, at the bottom.
  std::vector<std::u16string> items;
  // The first candidate's item, which must be in view when the list opens.
  size_t nearField = 0;
  // The first candidate's item when words were typed; nothing for an empty typed text.
  SuggestSelection selected;
};

SuggestOpening OpenSuggestions(const std::vector<std::u16string>& candidates, bool upward,
                               bool typedEmpty);

// The window's rectangle once it holds `count` items of `itemHeight` each: shrunk to their
// total height when every item fits the client height, keeping the edge that faces the field
// (the bottom when upward, the top otherwise). Nothing when some item does not fit (the list
// scrolls) or there is no item to size to.
std::optional<Rect> ShrinkToItems(const Rect& window, int clientHeight, int itemHeight,
                                  size_t count, bool upward) noexcept;

}  // namespace brimlet
