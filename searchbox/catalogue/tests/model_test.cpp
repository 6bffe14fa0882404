// The catalogue model: lookups, positional access, the default and deep copies.
#include <gtest/gtest.h>

#include "catalogue_test_support.h"

namespace brimlet {
namespace {

using test::MakeEngine;
using test::MakeList;

TEST(SearchEngineList, FindByGuidFoldsOnlyAsciiLettersAndPrefersTheEarlierEngine) {
  auto list = MakeList(u"{0A1b-ä}", u"{0a1B-ä}", u"{ｇｕｉｄ}", u"plain");
  struct Case {
    std::u16string query;
    int expectedIndex;  // -1: none
  };
  const Case cases[] = {
      {u"{0A1b-ä}", 0},   {u"{0a1b-ä}", 0},    {u"{0A1B-ä}", 0}, {u"{0A1b-Ä}", -1},
      {u"{ｇｕｉｄ}", 2}, {u"{ＧＵＩＤ}", -1}, {u"PLAIN", 3},    {u"plain ", -1},
      {u"plai", -1},      {u"", -1},
  };
  for (const Case& c : cases) {
    const ISearchEngineItem* found = list->FindByGuid(c.query);
    const ISearchEngineItem* expected =
        c.expectedIndex < 0 ? nullptr : list->GetAt(c.expectedIndex);
    EXPECT_EQ(found, expected) << std::string(c.query.begin(), c.query.end());
  }
}

TEST(SearchEngineList, PositionalAccessStopsAtTheCount) {
  SearchEngineList empty;
  EXPECT_EQ(empty.GetCount(), 0u);
  EXPECT_EQ(empty.GetAt(0), nullptr);
  EXPECT_EQ(empty.GetDefault(), nullptr);
  auto list = MakeList(u"a", u"b");
  EXPECT_EQ(list->GetAt(1)->GetGuid(), u"b");
  EXPECT_EQ(list->GetAt(2), nullptr);
  EXPECT_EQ(list->GetAt(static_cast<size_t>(-1)), nullptr);
}

TEST(SearchEngineList, DefaultIsAlwaysAnItemOfTheSameList) {
  auto list = MakeList(u"a", u"b");
  auto other = MakeList(u"a");
  EXPECT_FALSE(list->SetDefault(other->GetAt(0)));
  EXPECT_EQ(list->GetDefault(), nullptr);
  EXPECT_TRUE(list->SetDefault(list->GetAt(0)));
  EXPECT_TRUE(list->SetDefault(list->GetAt(1)));  // a later call replaces an earlier one
  EXPECT_EQ(list->GetDefault(), list->GetAt(1));
}

TEST(SearchEngineList, CloneIsDeepAndKeepsItsOwnDefault) {
  auto list = MakeList(u"a", u"b", u"c", u"d");
  list->SetDefault(list->GetAt(2));
  auto copy = list->Clone();
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->GetCount(), 4u);
  EXPECT_EQ(copy->GetDefault(), copy->GetAt(2));
  for (size_t i = 0; i < 4; ++i) {
    const ISearchEngineItem* source = list->GetAt(i);
    const ISearchEngineItem* item = copy->GetAt(i);
    EXPECT_NE(item, source);
    EXPECT_EQ(item->GetGuid(), source->GetGuid());
    EXPECT_EQ(item->GetName(), source->GetName());
    EXPECT_EQ(item->GetHost(), source->GetHost());
    EXPECT_EQ(item->GetPath(), source->GetPath());
    EXPECT_EQ(item->GetMethod(), 7);
    EXPECT_EQ(item->GetSuggestionsUrl(), source->GetSuggestionsUrl());
    EXPECT_EQ(item->GetImagePath(), source->GetImagePath());
    ASSERT_NE(item->GetParameters(), source->GetParameters());
    ASSERT_EQ(item->GetParameters()->GetCount(), 1u);
    EXPECT_NE(item->GetParameters()->GetAt(0), source->GetParameters()->GetAt(0));
    EXPECT_EQ(item->GetParameters()->GetAt(0)->GetKey(), u"q");
  }
  list.reset();  // the copy owns everything it points at
  EXPECT_EQ(copy->GetDefault()->GetGuid(), u"c");

  auto noDefault = MakeList(u"a")->Clone();
  ASSERT_TRUE(noDefault);
  EXPECT_EQ(noDefault->GetDefault(), nullptr);
}

// A parameter whose copy fails, as when memory runs out.
class UncopyableParameter final
    : public SearchEngineParameterImplT<IVariableSearchEngineParameter> {
 public:
  int GetType() const override { return parameter_type::kVariable; }
  std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override { return nullptr; }
};

TEST(SearchEngineList, OneUncopyableParameterAbandonsTheWholeCopy) {
  auto parameters = std::make_unique<SearchEngineParameterList>();
  parameters->Add(std::make_unique<VariableSearchEngineParameter>());
  parameters->Add(std::make_unique<UncopyableParameter>());
  EXPECT_FALSE(parameters->Clone());
  auto list = MakeList(u"a");
  list->Add(std::make_unique<SearchEngineItem>(SearchEngineFields{}, std::move(parameters)));
  EXPECT_FALSE(list->Clone());
}

TEST(SearchEngineItem, ImagePathIsTheCatalogueImageFolder) {
  EXPECT_EQ(MakeEngine(u"a", u"C:\\x\\")->GetImagePath(), u"C:\\x\\image\\g.png");
  EXPECT_EQ(MakeEngine(u"a", u"/tmp/x/")->GetImagePath(), u"/tmp/x/image/g.png");
  SearchEngineFields fields;
  fields.catalogueFolder = u"C:\\x\\";
  EXPECT_EQ(SearchEngineItem(fields, nullptr).GetImagePath(), u"C:\\x\\image\\");
  for (const char16_t* outside : {u"..\\..\\x.png", u"../x.png", u"D:\\x.png", u"x.png:s"}) {
    fields.image = outside;
    EXPECT_EQ(SearchEngineItem(fields, nullptr).GetImagePath(), u"") << "refused name";
  }
  EXPECT_EQ(SearchEngineItem(fields, nullptr).GetParameters()->GetCount(), 0u);
}

TEST(SearchEngineParameter, EachClassShowsItsInterfaceAndCopiesItsTexts) {
  EncodedSearchEngineParameterEx ex(u"euc-jp", u"L", u"T", u"k");
  ex.SetKey(u"u");
  auto copy = ex.Clone();
  ASSERT_TRUE(copy);
  const auto* view = dynamic_cast<const IEncodedSearchEngineParameterEx*>(copy->GetInterface());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetType(), 4);
  EXPECT_EQ(view->GetKey(), u"u");
  EXPECT_EQ(view->GetEncode(), u"euc-jp");
  EXPECT_EQ(view->GetLeadingValue(), u"L");
  EXPECT_EQ(view->GetTrailingValue(), u"T");
  EXPECT_EQ(view->GetValueKey(), u"k");

  StaticSearchEngineParameter fixed(u"utf-8");
  fixed.SetKey(u"ie");
  const auto fixedCopy = fixed.Clone();
  ASSERT_TRUE(fixedCopy);
  const auto* fixedView =
      dynamic_cast<const IStaticSearchEngineParameter*>(fixedCopy->GetInterface());
  ASSERT_NE(fixedView, nullptr);
  EXPECT_EQ(fixedView->GetType(), 1);
  EXPECT_EQ(fixedView->GetValue(), u"utf-8");
  EXPECT_EQ(VariableSearchEngineParameter().GetInterface()->GetType(), 2);
  EXPECT_EQ(EncodedSearchEngineParameter(u"x").GetInterface()->GetType(), 3);
}

}  // namespace
}  // namespace brimlet
