// The classic box's search decisions and records, on the registry of the build's adapters.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "box_search.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

std::unique_ptr<SearchEngineItem> MakeEngine(std::u16string guid, std::u16string host,
                                             std::u16string path) {
  auto parameters = std::make_unique<SearchEngineParameterList>();
  auto ie = std::make_unique<StaticSearchEngineParameter>(u"utf-8");
  ie->SetKey(u"ie");
  parameters->Add(std::move(ie));
  auto q = std::make_unique<EncodedSearchEngineParameter>(u"utf-8");
  q->SetKey(u"q");
  parameters->Add(std::move(q));
  auto u = std::make_unique<EncodedSearchEngineParameterEx>(u"euc-jp", u"L", u"T", u"k");
  u->SetKey(u"u");
  parameters->Add(std::move(u));
  SearchEngineFields fields;
  fields.catalogueFolder = u"C:\\cat\\";
  fields.guid = std::move(guid);
  fields.name = u"engine";
  fields.host = std::move(host);
  fields.path = std::move(path);
  return std::make_unique<SearchEngineItem>(std::move(fields), std::move(parameters));
}

class ClassicBoxSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    catalogue_.Add(MakeEngine(u"{A}", u"http://search.example", u"/s?"));
    catalogue_.Add(MakeEngine(u"{B}", u"https://other.example", u"/find?"));
    catalogue_.Add(MakeEngine(u"{C}", u"http://third.example", u"/q?"));
  }
  void TearDown() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  SearchServices Services() {
    return SearchServices{*converter_, settings_, *registry_, history_,
                          [this](std::u16string_view address) { opened_.emplace_back(address); }};
  }
  std::vector<const ISearchEngineItem*> Rotation() const {
    return {catalogue_.GetAt(0), catalogue_.GetAt(1), catalogue_.GetAt(2)};
  }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  std::unique_ptr<ICodePageConverter> converter_ = testing::MakeCodePageConverter();
  Settings settings_{*registry_};
  SearchHistory history_;
  SearchEngineList catalogue_;
  std::vector<std::u16string> opened_;
};

TEST_F(ClassicBoxSearchTest, StepsWrapAtBothEndsAndIgnoreAnEngineOutsideTheList) {
  const auto rotation = Rotation();
  const ISearchEngineItem* a = rotation[0];
  const ISearchEngineItem* c = rotation[2];
  EXPECT_EQ(StepEngine(rotation, a, true), rotation[1]);
  EXPECT_EQ(StepEngine(rotation, c, true), a);
  EXPECT_EQ(StepEngine(rotation, a, false), c);
  EXPECT_EQ(StepEngine(rotation, c, false), rotation[1]);
  const auto stranger = MakeEngine(u"{X}", u"http://x.example", u"/");
  EXPECT_EQ(StepEngine(rotation, stranger.get(), true), stranger.get());
  EXPECT_EQ(StepEngine({}, nullptr, true), nullptr);
}

TEST_F(ClassicBoxSearchTest, MenuCommandsMapBackToTheirEngines) {
  EXPECT_EQ(EngineForMenuCommand(catalogue_, 100), catalogue_.GetAt(0));
  EXPECT_EQ(EngineForMenuCommand(catalogue_, 102), catalogue_.GetAt(2));
  EXPECT_EQ(EngineForMenuCommand(catalogue_, 103), nullptr);
  EXPECT_EQ(EngineForMenuCommand(catalogue_, 0), nullptr);  // the menu was dismissed
}

TEST_F(ClassicBoxSearchTest, ChoosesTheAddressToOpen) {
  const ISearchEngineItem* a = catalogue_.GetAt(0);
  struct Case {
    std::u16string words;
    std::optional<std::u16string> address;
  } cases[] = {
      {u"検索",
       u"http://search.example/s?ie=utf-8&q=%e6%a4%9c%e7%b4%a2&u=Lk%3d%25b8%25a1%25ba%25f7T"},
      {u"50% a", u"http://search.example/s?ie=utf-8&q=50%%20a&u=Lk%3d50%25%2520aT"},
      // An http address opens as it is; https and other schemes are search words.
      {u"http://www.example.jp/a?b=c", u"http://www.example.jp/a?b=c"},
      {u"HTTP://www.example.jp/", u"HTTP://www.example.jp/"},
      {u"https://www.example.jp/",
       u"http://search.example/s?ie=utf-8&q=https://www.example.jp/&u=Lk%3dhttps://www.example.jp/"
       u"T"},
      {u"file:///C:/Windows/notepad.exe",
       u"http://search.example/s?ie=utf-8&q=file:///C:/Windows/notepad.exe"
       u"&u=Lk%3dfile:///C:/Windows/notepad.exeT"},
      // Not a whole address: searched as words.
      {u"http://a.example b",
       u"http://search.example/s?ie=utf-8&q=http://a.example%20b"
       u"&u=Lk%3dhttp://a.example%2520bT"},
      {u"", u"http://search.example/s?ie=utf-8&q=&u=Lk%3dT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.words));
    EXPECT_EQ(SearchAddress(*converter_, a, c.words), c.address);
  }
  EXPECT_EQ(SearchAddress(*converter_, nullptr, u"http://www.example.jp/"), std::nullopt);
}

TEST_F(ClassicBoxSearchTest, ATamperedCatalogueNeverReachesTheShell) {
  const std::u16string hosts[] = {u"file:///C:/Windows/",
                                  u"C:\\Windows\\system32\\calc.exe",
                                  u"calc",
                                  u"javascript:",
                                  u"\\\\server\\share\\",
                                  u"http:",
                                  u"http:///",
                                  u"ftp://files.example"};
  for (const auto& host : hosts) {
    SCOPED_TRACE(Utf16ToUtf8(host));
    const auto engine = MakeEngine(u"{T}", host, u"");
    EXPECT_FALSE(SearchAddress(*converter_, engine.get(), u"words").has_value());
    EXPECT_FALSE(RunSearch(Services(), engine.get(), u"words", true));
  }
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(history_.Count(), 0u);
  EXPECT_EQ(settings_.Search(), 0);
}

TEST_F(ClassicBoxSearchTest, ASearchRecordsWordsEngineAndCounters) {
  settings_.SetSearch(41);
  settings_.SetSearchMonthly(6);
  settings_.SetRememberLastSearchEngine(true);
  const ISearchEngineItem* b = catalogue_.GetAt(1);
  history_.AddHistoryEntry(u"abc", u"{A}");

  ASSERT_TRUE(RunSearch(Services(), b, u"Abc", true));

  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], u"https://other.example/find?ie=utf-8&q=Abc&u=Lk%3dAbcT");
  EXPECT_EQ(settings_.Search(), 42);
  EXPECT_EQ(settings_.SearchMonthly(), 7);
  EXPECT_EQ(settings_.LastSearchEngine(), u"{B}");
  const StoredHistory stored = LoadHistory(*registry_);
  EXPECT_EQ(stored.words, std::vector<std::u16string>{u"Abc"});
  EXPECT_EQ(stored.engines, std::vector<std::u16string>{u"{B}"});
}

TEST_F(ClassicBoxSearchTest, WhatIsRecordedDependsOnTheFlagsAndTheWords) {
  struct Case {
    const char* name;
    bool record;
    bool remember;
    std::u16string words;
    size_t historyCount;
    std::u16string lastEngine;
  } cases[] = {
      {"recording", true, false, u"words", 1, u""},
      {"not recording", false, false, u"words", 0, u""},
      {"empty words", true, false, u"", 0, u""},
      {"remembering", false, true, u"words", 0, u"{C}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SearchHistory history;
    settings_.SetRememberLastSearchEngine(c.remember);
    ASSERT_TRUE(RunSearch(
        SearchServices{*converter_, settings_, *registry_, history, [](std::u16string_view) {}},
        catalogue_.GetAt(2), c.words, c.record));
    EXPECT_EQ(history.Count(), c.historyCount);
    EXPECT_EQ(LoadHistory(*registry_).words.size(), c.historyCount);
    EXPECT_EQ(settings_.LastSearchEngine(), c.lastEngine);
    EXPECT_EQ(settings_.Search(), 1);
    EXPECT_EQ(settings_.SearchMonthly(), 1);
  }
}

TEST_F(ClassicBoxSearchTest, NoEngineOpensAndRecordsNothing) {
  EXPECT_FALSE(RunSearch(Services(), nullptr, u"http://www.example.jp/", true));
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(history_.Count(), 0u);
  EXPECT_EQ(settings_.Search(), 0);
  EXPECT_EQ(settings_.SearchMonthly(), 0);
}

}  // namespace
}  // namespace brimlet
