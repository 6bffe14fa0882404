// The start engine rule: which engine a box opens with and when it records that choice.
#include <gtest/gtest.h>

#include "catalogue_test_support.h"
#include "start_engine.h"

namespace brimlet {
namespace {

TEST(StartEngine, RuleByTheFourSettings) {
  auto list = test::MakeList(u"{A}", u"{B}", u"{C}");
  list->SetDefault(list->GetAt(1));
  const ISearchEngineItem* a = list->GetAt(0);
  const ISearchEngineItem* b = list->GetAt(1);
  const ISearchEngineItem* c = list->GetAt(2);
  struct Case {
    const char* what;
    const ISearchEngineItem* current;
    StartEngineSettings settings;
    const ISearchEngineItem* engine;
    bool write;
  };
  const Case cases[] = {
      {"remember, last found ignoring case", nullptr, {true, u"{c}", true, u"{A}"}, c, false},
      {"remember, last names no engine", nullptr, {true, u"{X}", false, u""}, b, false},
      {"remember, last empty", nullptr, {true, u"", true, u"{A}"}, b, false},
      {"fixed default found", nullptr, {false, u"{C}", true, u"{a}"}, a, false},
      {"fixed default not found", nullptr, {false, u"", true, u"{X}"}, b, false},
      {"fixed default empty keeps the current engine", c, {false, u"{A}", true, u""}, c, false},
      {"fixed default empty, no engine yet", nullptr, {false, u"", true, u""}, b, false},
      {"neither: catalogue default, recorded", c, {false, u"{A}", false, u"{A}"}, b, true},
  };
  for (const Case& t : cases) {
    const StartEngine chosen = ChooseStartEngine(*list, t.current, t.settings);
    EXPECT_EQ(chosen.engine, t.engine) << t.what;
    EXPECT_EQ(chosen.writeLastSearchEngine, t.write) << t.what;
  }
}

TEST(StartEngine, CatalogueWithoutDefaultRecordsNothing) {
  auto list = test::MakeList(u"{A}");
  const StartEngine chosen = ChooseStartEngine(*list, nullptr, {});
  EXPECT_EQ(chosen.engine, nullptr);
  EXPECT_FALSE(chosen.writeLastSearchEngine);
}

}  // namespace
}  // namespace brimlet
