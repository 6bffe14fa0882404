// One open box's state and the rules both designs share, on the registry of the build's
// adapters, with a launcher that records what the box hands to the system.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "box_session.h"
#include "user_engines.h"
#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

std::unique_ptr<SearchEngineItem> MakeEngine(std::u16string guid, std::u16string host) {
  auto parameters = std::make_unique<SearchEngineParameterList>();
  auto q = std::make_unique<EncodedSearchEngineParameter>(u"utf-8");
  q->SetKey(u"q");
  parameters->Add(std::move(q));
  SearchEngineFields fields;
  fields.guid = std::move(guid);
  fields.name = u"engine";
  fields.host = std::move(host);
  fields.path = u"/s?";
  return std::make_unique<SearchEngineItem>(std::move(fields), std::move(parameters));
}

class RecordingLauncher final : public IBoxLauncher {
 public:
  void OpenWebAddress(std::u16string_view address) noexcept override {
    opened.emplace_back(address);
  }
  bool LaunchSettings() noexcept override {
    ++settingsLaunches;
    return settingsStart;
  }
  std::vector<std::u16string> opened;
  int settingsLaunches = 0;
  bool settingsStart = true;
};

class BoxSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    catalogue_.Add(MakeEngine(u"{A}", u"http://a.example"));
    catalogue_.Add(MakeEngine(u"{B}", u"http://b.example"));
    catalogue_.Add(MakeEngine(u"{C}", u"http://c.example"));
    catalogue_.SetDefault(catalogue_.GetAt(0));
  }
  void TearDown() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  std::unique_ptr<ICodePageConverter> converter_ = testing::MakeCodePageConverter();
  Settings settings_{*registry_};
  SearchEngineList catalogue_;
  RecordingLauncher launcher_;
  BoxSession session_{settings_, *registry_, *converter_, launcher_};
};

TEST_F(BoxSessionTest, KeepsItsOwnCopyOfTheCatalogueAndRotatesThroughItInOrder) {
  session_.SetCatalogue(&catalogue_);
  const SearchEngineList* copy = session_.Catalogue();
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy, &catalogue_);
  ASSERT_EQ(copy->GetCount(), 3u);
  EXPECT_EQ(session_.Current(), nullptr);

  session_.ChooseStartEngine();  // the copy's default, the first engine
  ASSERT_EQ(session_.Current(), copy->GetAt(0));
  session_.StepEngine(false);
  EXPECT_EQ(session_.Current(), copy->GetAt(2));  // wrapped to the last
  session_.StepEngine(true);
  EXPECT_EQ(session_.Current(), copy->GetAt(0));
  session_.Choose(copy->GetAt(1));
  EXPECT_EQ(session_.Current(), copy->GetAt(1));
  session_.Choose(nullptr);  // the menu was dismissed
  EXPECT_EQ(session_.Current(), copy->GetAt(1));

  session_.SetCatalogue(nullptr);
  EXPECT_EQ(session_.Catalogue(), nullptr);
  EXPECT_EQ(session_.Current(), nullptr);
  EXPECT_EQ(CopyCatalogue(nullptr), nullptr);
}

TEST_F(BoxSessionTest, OpensWithTheStoredHistoryAndTheRecordAndPinSettings) {
  SaveHistory(*registry_, {u"newest", u"older"}, {u"{A}", u"{B}"});
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on);
    settings_.SetRecordSearchWords(on);
    settings_.SetHideAtInactivate(on);
    BoxSession session(settings_, *registry_, *converter_, launcher_);
    session.Open();
    EXPECT_EQ(session.Records(), on);
    EXPECT_EQ(session.Pinned(), !on);
    EXPECT_EQ(session.History().Count(), 2u);
    EXPECT_EQ(session.History().WordsAt(0), u"newest");
  }
}

TEST_F(BoxSessionTest, DeactivationClosesTheBoxOnlyWhenNothingHoldsItOpen) {
  struct Case {
    const char* name;
    bool inactive, toItself, pinned, searching, closes;
  } cases[] = {
      {"another window became active", true, false, false, false, true},
      {"the box became active", false, false, false, false, false},
      {"the activation went to the box itself", true, true, false, false, false},
      {"pinned", true, false, true, false, false},
      {"a search is running", true, false, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxSession session(settings_, *registry_, *converter_, launcher_);
    session.SetPinned(c.pinned);
    if (c.searching) session.BeginSearch();
    EXPECT_EQ(session.ClosesOnDeactivation(c.inactive, c.toItself), c.closes);
  }
}

TEST_F(BoxSessionTest, ShiftInvertsSnappingWhileDragging) {
  for (const bool snap : {true, false}) {
    SCOPED_TRACE(snap);
    settings_.SetSnapSearchBox(snap);
    EXPECT_EQ(session_.SnapsWhileDragging(false), snap);
    EXPECT_EQ(session_.SnapsWhileDragging(true), !snap);
  }
}

TEST_F(BoxSessionTest, ASearchRunsWithTheCurrentEngineAndHoldsTheBoxOpen) {
  settings_.SetRecordSearchWords(true);
  settings_.SetRememberLastSearchEngine(true);
  session_.SetCatalogue(&catalogue_);
  session_.Open();
  session_.ChooseStartEngine();
  session_.StepEngine(true);

  ASSERT_TRUE(session_.RunSearch(u"abc"));
  EXPECT_TRUE(session_.Searching());
  EXPECT_FALSE(session_.ClosesOnDeactivation(true, false));
  EXPECT_EQ(launcher_.opened, std::vector<std::u16string>{u"http://b.example/s?q=abc"});
  EXPECT_EQ(settings_.LastSearchEngine(), u"{B}");
  EXPECT_EQ(settings_.Search(), 1);
  EXPECT_EQ(NewestStoredWords(*registry_), u"abc");

  // Not recording: the words stay out of the history.
  session_.SetRecords(false);
  ASSERT_TRUE(session_.RunSearch(u"xyz"));
  EXPECT_EQ(NewestStoredWords(*registry_), u"abc");

  // Without an engine nothing is opened, but the box is still held open for its closing.
  BoxSession empty(settings_, *registry_, *converter_, launcher_);
  EXPECT_FALSE(empty.RunSearch(u"abc"));
  EXPECT_TRUE(empty.Searching());
  EXPECT_EQ(launcher_.opened.size(), 2u);
}

TEST_F(BoxSessionTest, AKeywordSearchGoesToItsEngineWithoutChangingTheCurrentOne) {
  settings_.SetRecordSearchWords(true);
  settings_.SetRememberLastSearchEngine(true);
  ApplyEngineCustomisation(
      catalogue_, {{{u"{11111111-1111-1111-1111-111111111111}", u"mine",
                     u"http://mine.example/?w={searchTerms}", u"shift_jis", u"m"}},
                   {{u"{C}", u"c"}}});
  session_.SetCatalogue(&catalogue_);
  session_.Open();
  session_.ChooseStartEngine();
  const ISearchEngineItem* start = session_.Current();
  ASSERT_EQ(session_.Catalogue()->GetCount(), 4u);  // the service follows the catalogue
  const ISearchEngineItem* mine = session_.Catalogue()->GetAt(3);
  EXPECT_EQ(session_.EngineForWords(u"ｍ　東京"), mine);
  EXPECT_EQ(session_.EngineForWords(u"m"), start);
  const std::u16string lastBefore = settings_.LastSearchEngine();

  ASSERT_TRUE(session_.RunSearch(u"ｍ　東京"));
  ASSERT_TRUE(session_.RunSearch(u"C http://x.example/"));  // an address after a keyword
  EXPECT_EQ(launcher_.opened,
            (std::vector<std::u16string>{u"http://mine.example/?w=%93%8c%8b%9e",
                                         u"http://c.example/s?q=http://x.example/"}));
  EXPECT_EQ(session_.Current(), start);
  EXPECT_EQ(settings_.LastSearchEngine(), lastBefore);
  EXPECT_EQ(settings_.Search(), 2);
  EXPECT_EQ(session_.History().WordsAt(1), std::u16string(u"東京"));
  EXPECT_EQ(session_.History().EngineAt(1), std::u16string(u"{11111111-1111-1111-1111-111111111111}"));
  EXPECT_EQ(session_.History().WordsAt(0), std::u16string(u"http://x.example/"));

  // A keyword alone is searched as words with the current engine.
  ASSERT_TRUE(session_.RunSearch(u"m "));
  EXPECT_EQ(launcher_.opened.back(), u"http://a.example/s?q=m%20");
  EXPECT_EQ(settings_.LastSearchEngine(), u"{A}");
}

TEST_F(BoxSessionTest, SuggestionsAreAskedOfTheEngineASearchWouldUse) {
  SearchEngineList engines;
  SearchEngineFields fields;
  fields.guid = u"{S}";
  fields.name = u"s";
  fields.host = u"http://s.example";
  fields.path = u"/s?";
  fields.suggestionsUrl = u"http://127.0.0.1:8/complete?q={searchTerms}&x=1";
  engines.Add(std::make_unique<SearchEngineItem>(std::move(fields),
                                                 std::make_unique<SearchEngineParameterList>()));
  engines.Add(MakeEngine(u"{N}", u"http://n.example"));  // without a suggestion address
  engines.SetDefault(engines.GetAt(0));
  ApplyEngineCustomisation(engines, {{}, {{u"{N}", u"n"}}});
  session_.SetCatalogue(&engines);
  session_.ChooseStartEngine();
  ASSERT_EQ(session_.Current()->GetGuid(), u"{S}");

  struct Case {
    std::u16string typed;
    std::u16string words;
    std::u16string address;
  };
  const Case cases[] = {
      {u"東京 駅", u"東京 駅", u"http://127.0.0.1:8/complete?q=%e6%9d%b1%e4%ba%ac%20%e9%a7%85&x=1"},
      {u"n tokyo", u"tokyo", u""},  // the keyword's engine has no suggestion address
      {u"n", u"n", u"http://127.0.0.1:8/complete?q=n&x=1"},  // a keyword alone is words
      {u"", u"", u""},
  };
  for (const Case& c : cases) {
    const BoxSession::SuggestionTarget target = session_.SuggestionTargetFor(c.typed);
    EXPECT_EQ(target.words, c.words);
    EXPECT_EQ(target.address, c.address);
  }
}

TEST_F(BoxSessionTest, ForgettingAHistoryWordRemovesItsPairFromMemoryAndStore) {
  settings_.SetRecordSearchWords(true);
  session_.SetCatalogue(&catalogue_);
  session_.Open();
  session_.ChooseStartEngine();
  for (const char16_t* words : {u"kyoto", u"tokyo", u"osaka"})
    ASSERT_TRUE(session_.RunSearch(words));

  EXPECT_TRUE(session_.ForgetHistoryWords(u"tokyo"));
  EXPECT_FALSE(session_.ForgetHistoryWords(u"tokyo"));
  EXPECT_FALSE(session_.ForgetHistoryWords(u"nagoya"));
  EXPECT_EQ(session_.History().Count(), 2u);
  EXPECT_EQ(LoadHistory(*registry_).words, (std::vector<std::u16string>{u"osaka", u"kyoto"}));

  // Stored by another box since this one opened.
  SaveHistory(*registry_, {u"nara", u"osaka", u"kyoto"}, {u"{B}", u"{A}", u"{A}"});
  EXPECT_TRUE(session_.ForgetHistoryWords(u"nara"));
  EXPECT_EQ(LoadHistory(*registry_).words, (std::vector<std::u16string>{u"osaka", u"kyoto"}));
}

TEST_F(BoxSessionTest, SettingsAndHelpPinTheBoxWhileTheyComeUp) {
  session_.Open();  // "HideAtInactivate" is on by default
  ASSERT_FALSE(session_.Pinned());
  EXPECT_TRUE(session_.OpenSettings());
  EXPECT_EQ(launcher_.settingsLaunches, 1);
  EXPECT_TRUE(session_.Pinned());

  // Nothing started: the box is as it was.
  for (const bool pinned : {false, true}) {
    session_.SetPinned(pinned);
    launcher_.settingsStart = false;
    EXPECT_FALSE(session_.OpenSettings());
    EXPECT_EQ(session_.Pinned(), pinned);
  }

  session_.SetPinned(false);
  EXPECT_TRUE(session_.OpenHelp());
  EXPECT_TRUE(session_.Pinned());
  ASSERT_EQ(launcher_.opened.size(), 1u);
  EXPECT_EQ(launcher_.opened[0], settings_.HelpAddress(u"sb"));
}

TEST_F(BoxSessionTest, ANoticeIsOfferedWholeAndActingOnItEndsTodaysNotices) {
  EXPECT_FALSE(session_.HasNotice());
  EXPECT_FALSE(session_.OpenNotice());
  EXPECT_TRUE(launcher_.opened.empty());

  session_.TakeNotice({u"label", u"", u"http://www.example.jp/"});
  EXPECT_FALSE(session_.HasNotice());
  session_.TakeNotice({u"label", u"description", u"http://www.example.jp/new"});
  ASSERT_TRUE(session_.HasNotice());
  EXPECT_EQ(session_.CurrentNotice().label, u"label");

  settings_.SetNotifyCount(1);
  EXPECT_TRUE(session_.OpenNotice());
  EXPECT_EQ(launcher_.opened, std::vector<std::u16string>{u"http://www.example.jp/new"});
  EXPECT_EQ(settings_.NotifyCount(), kDailyNoticeLimit);
  EXPECT_TRUE(session_.Searching());  // the browser's activation does not close the box first

  // The page acts on the notice itself and only has it counted.
  settings_.SetNotifyCount(0);
  session_.CountNoticeActedOn();
  EXPECT_EQ(settings_.NotifyCount(), kDailyNoticeLimit);
}

}  // namespace
}  // namespace brimlet
