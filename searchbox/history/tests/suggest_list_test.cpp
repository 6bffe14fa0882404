// The completion list's rules: selection stepping, item order and opening selection, and
// shrinking to the items.
#include "suggest_list.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

constexpr SuggestSelection kNone = std::nullopt;

TEST(SuggestList, UpAndDownStepThroughNothingSelectedAndWrap) {
  struct Case {
    SuggestSelection current;
    size_t count;
    SuggestSelection next;
    SuggestSelection previous;
  } cases[] = {
      {kNone, 4, 0, 3},  // nothing selected: Down takes the first, Up the last
      {0, 4, 1, kNone},  // the first: Up clears the selection
      {1, 4, 2, 0},         {3, 4, kNone, 2},          // the last: Down clears the selection
      {0, 1, kNone, kNone}, {kNone, 0, kNone, kNone},  // an empty list selects nothing
      {7, 4, 0, 3},                                    // a stale index behaves as nothing selected
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "current " << c.current.value_or(99) << " of " << c.count);
    EXPECT_EQ(SelectNext(c.current, c.count), c.next);
    EXPECT_EQ(SelectPrevious(c.current, c.count), c.previous);
  }
}

TEST(SuggestList, OpeningOrderAndSelection) {
  const std::vector<std::u16string> candidates = {u"東京", u"東京タワー", u"東京駅"};
  const std::vector<std::u16string> reversed = {u"東京駅", u"東京タワー", u"東京"};
  struct Case {
    bool upward;
    bool typedEmpty;
    std::vector<std::u16string> items;
    size_t nearField;
    SuggestSelection selected;
  } cases[] = {
      {false, false, candidates, 0, 0},
      {false, true, candidates, 0, kNone},
      {true, false, reversed, 2, 2},  // the first candidate is the bottom item
      {true, true, reversed, 2, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "upward " << c.upward << ", empty " << c.typedEmpty);
    const SuggestOpening opening = OpenSuggestions(candidates, c.upward, c.typedEmpty);
    EXPECT_EQ(opening.items, c.items);
    EXPECT_EQ(opening.nearField, c.nearField);
    EXPECT_EQ(opening.selected, c.selected);
  }
  EXPECT_EQ(OpenSuggestions({}, true, false).selected, kNone);
}

TEST(SuggestList, ShrinksToItemsKeepingTheEdgeThatFacesTheField) {
  const Rect window{100, 200, 400, 300};  // client height 100
  struct Case {
    size_t count;
    bool upward;
    std::optional<Rect> shrunk;
  } cases[] = {
      {3, false, Rect{100, 200, 400, 254}},  // 3 x 18 = 54: the top stays
      {3, true, Rect{100, 246, 400, 300}},   // the bottom stays
      {5, false, Rect{100, 200, 400, 290}},
      {6, false, std::nullopt},  // 108 > 100: the size stays and the list scrolls
      {6, true, std::nullopt},
      {0, false, std::nullopt},
      {SIZE_MAX, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " items, upward " << c.upward);
    EXPECT_EQ(ShrinkToItems(window, 100, 18, c.count, c.upward), c.shrunk);
  }
  EXPECT_EQ(ShrinkToItems(window, 100, 20, 5, false), window);  // exactly full
  EXPECT_EQ(ShrinkToItems(window, 100, 0, 3, false), std::nullopt);
  EXPECT_EQ(ShrinkToItems(window, -5, 18, 1, false), std::nullopt);
}

}  // namespace
}  // namespace brimlet
