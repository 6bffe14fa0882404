// The merged completion list: history first, then the service's new suggestions, marked.
#include "merged_suggestions.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

constexpr auto kH = SuggestionSource::kHistory;
constexpr auto kS = SuggestionSource::kService;
using Items = std::vector<SuggestionItem>;
using Words = std::vector<std::u16string>;

TEST(MergedSuggestions, HistoryFirstThenServiceSuggestionsNotAlreadyListed) {
  struct Case {
    const char* what;
    Words history;
    Words service;
    Items expected;
  } cases[] = {
      {"both kinds, marked",
       {u"tokyo", u"tokyo tower"},
       {u"tokyo station", u"tokyo dome"},
       {{u"tokyo", kH}, {u"tokyo tower", kH}, {u"tokyo station", kS}, {u"tokyo dome", kS}}},
      {"a suggestion already in the history, in any A-Z case, is left out",
       {u"tokyo tower"},
       {u"Tokyo Tower", u"tokyo dome"},
       {{u"tokyo tower", kH}, {u"tokyo dome", kS}}},
      {"the service repeating itself", {}, {u"a", u"A", u"b"}, {{u"a", kS}, {u"b", kS}}},
      {"only letters A to Z fold",
       {u"ｔｏｋｙｏ", u"é"},
       {u"ＴＯＫＹＯ", u"É"},
       {{u"ｔｏｋｙｏ", kH}, {u"é", kH}, {u"ＴＯＫＹＯ", kS}, {u"É", kS}}},
      {"history only", {u"a"}, {}, {{u"a", kH}}},
      {"nothing", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MergeSuggestions(c.history, c.service), c.expected);
  }
}

TEST(MergedSuggestions, OnlyAHistoryWordCompletesInline) {
  const Items history = {{u"tokyo tower", kH}, {u"tokyo dome", kS}};
  const Items serviceOnly = {{u"tokyo dome", kS}};
  EXPECT_EQ(InlineCompletion(history, u"tok"), u"tokyo tower");
  EXPECT_EQ(InlineCompletion(history, u""), std::nullopt);  // nothing typed: no completion
  EXPECT_EQ(InlineCompletion(serviceOnly, u"tok"), std::nullopt);
  EXPECT_EQ(InlineCompletion({}, u"tok"), std::nullopt);
}

}  // namespace
}  // namespace brimlet
