// History order and the stored layout, on the in-memory registry natively and on the real
// registry under Wine.
#include "search_history.h"

#include <gtest/gtest.h>

#include <cstring>

#include "completion_candidates.h"
#include "settings.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

std::vector<std::byte> Text(std::u16string_view t, bool terminator) {
  std::vector<std::byte> out((t.size() + (terminator ? 1 : 0)) * 2);
  std::memcpy(out.data(), t.data(), t.size() * 2);
  return out;
}

std::u16string Numbered(std::u16string_view base, size_t n) {
  return std::u16string(base) + FormatDecimal(static_cast<int64_t>(n));
}

class SearchHistoryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = testing::MakeRegistry();
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kHistoryKey);
  }
  void TearDown() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kHistoryKey); }

  void StorePair(size_t index, std::u16string_view words, std::u16string_view engine) {
    StoreValue(HistoryValueName(u"SearchWords", index), words);
    StoreValue(HistoryValueName(u"SearchEngine", index), engine);
  }
  void StoreValue(std::u16string_view name, std::u16string_view text, bool terminator = true) {
    ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kHistoryKey, name, reg_type::kSz,
                                    Text(text, terminator)));
  }
  bool HasValue(std::u16string_view name) const {
    return registry_->QueryValue(RegistryRoot::kCurrentUser, kHistoryKey, name, {}).status ==
           RegistryStatus::kOk;
  }
  std::vector<std::u16string> Positions(const SearchHistory& history) const {
    std::vector<std::u16string> out;
    for (size_t i = 0; i < history.Count(); ++i) out.push_back(*history.WordsAt(i));
    return out;
  }

  std::unique_ptr<IRegistry> registry_;
};

using Words = std::vector<std::u16string>;

TEST(SearchHistoryTest, ValueNamesHaveTwoDigitIndices) {
  EXPECT_EQ(HistoryValueName(u"SearchWords", 0), u"SearchWords_00");
  EXPECT_EQ(HistoryValueName(u"SearchEngine", 3), u"SearchEngine_03");
  EXPECT_EQ(HistoryValueName(u"SearchWords", 49), u"SearchWords_49");
}

TEST(SearchHistoryTest, SameWordsInOtherCaseReplaceTheOlderEntry) {
  SearchHistory history;
  history.AddHistoryEntry(u"abc", u"{E1}");
  history.AddHistoryEntry(u"xyz", u"{E2}");
  history.AddHistoryEntry(u"Abc", u"{E3}");
  ASSERT_EQ(history.Count(), 2u);
  EXPECT_EQ(history.WordsAt(0), u"Abc");
  EXPECT_EQ(history.EngineAt(0), u"{E3}");
  EXPECT_EQ(history.WordsAt(1), u"xyz");
  EXPECT_FALSE(history.WordsAt(2).has_value());
  EXPECT_FALSE(history.EngineAt(2).has_value());
}

TEST(SearchHistoryTest, OnlyAsciiLettersFoldWhenComparingWords) {
  SearchHistory history;
  history.AddHistoryEntry(u"ｂｒｉｍ", u"{E1}");  // full-width letters do not fold
  history.AddHistoryEntry(u"ＢＲＩＭ", u"{E1}");
  history.AddHistoryEntry(u"é", u"{E1}");
  history.AddHistoryEntry(u"É", u"{E1}");
  EXPECT_EQ(history.Count(), 4u);
}

TEST_F(SearchHistoryStoreTest, MissingKeyLoadsEmpty) {
  const StoredHistory stored = LoadHistory(*registry_);
  EXPECT_TRUE(stored.words.empty());
  EXPECT_TRUE(stored.engines.empty());
  EXPECT_EQ(NewestStoredWords(*registry_), u"");
}

TEST_F(SearchHistoryStoreTest, OnlyIndex03StoredLoadsAsOneEntry) {
  StorePair(3, u"three", u"{E3}");
  SearchHistory history;
  LoadHistoryInto(*registry_, history);
  ASSERT_EQ(history.Count(), 1u);
  EXPECT_EQ(history.WordsAt(0), u"three");
  EXPECT_EQ(history.EngineAt(0), u"{E3}");
}

TEST_F(SearchHistoryStoreTest, PairMissingItsEngineIsSkippedAndLaterIndicesStillLoad) {
  for (size_t i = 0; i < 8; ++i) StorePair(i, Numbered(u"w", i), Numbered(u"e", i));
  ASSERT_TRUE(registry_->DeleteValue(RegistryRoot::kCurrentUser, kHistoryKey, u"SearchEngine_05"));
  const StoredHistory stored = LoadHistory(*registry_);
  EXPECT_EQ(stored.words, (Words{u"w0", u"w1", u"w2", u"w3", u"w4", u"w6", u"w7"}));
  EXPECT_EQ(stored.engines, (Words{u"e0", u"e1", u"e2", u"e3", u"e4", u"e6", u"e7"}));
}

TEST_F(SearchHistoryStoreTest, ValuesThatAreNotTextAreSkipped) {
  StorePair(0, u"zero", u"{E0}");
  StorePair(1, u"one", u"{E1}");
  const std::vector<std::byte> dword(4, std::byte{1});
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kHistoryKey, u"SearchWords_01",
                                  reg_type::kDword, dword));
  EXPECT_EQ(LoadHistory(*registry_).words, (Words{u"zero"}));
}

TEST_F(SearchHistoryStoreTest, TextWithOrWithoutTerminatorLoadsTheSame) {
  StoreValue(u"SearchWords_00", u"ブリムレット", false);
  StoreValue(u"SearchEngine_00", u"{E0}", false);
  StoreValue(u"SearchWords_01", u"検索", true);
  StoreValue(u"SearchEngine_01", u"{E1}", true);
  StoreValue(u"SearchWords_02", u"", true);
  StoreValue(u"SearchEngine_02", u"{E2}", true);
  const StoredHistory stored = LoadHistory(*registry_);
  EXPECT_EQ(stored.words, (Words{u"ブリムレット", u"検索", u""}));
  EXPECT_EQ(stored.engines, (Words{u"{E0}", u"{E1}", u"{E2}"}));
}

TEST_F(SearchHistoryStoreTest, IndicesFrom50OnAreNotRead) {
  StorePair(49, u"last", u"{E}");
  StoreValue(u"SearchWords_50", u"beyond");
  StoreValue(u"SearchEngine_50", u"{E}");
  EXPECT_EQ(LoadHistory(*registry_).words, (Words{u"last"}));
}

TEST_F(SearchHistoryStoreTest, SavedValuesAreTextWithTheirTerminator) {
  SaveHistory(*registry_, {u"abc"}, {u"{E0}"});
  std::array<std::byte, 64> buffer{};
  const RegistryQuery q =
      registry_->QueryValue(RegistryRoot::kCurrentUser, kHistoryKey, u"SearchWords_00", buffer);
  ASSERT_EQ(q.status, RegistryStatus::kOk);
  EXPECT_EQ(q.type, reg_type::kSz);
  EXPECT_EQ(q.size, 8u);  // three characters and the terminating zero
}

TEST_F(SearchHistoryStoreTest, SixtyEntriesStoreIndices00To49AndDropTheOldest) {
  SearchHistory history;
  for (size_t i = 0; i < 60; ++i) history.AddHistoryEntry(Numbered(u"w", i), Numbered(u"e", i));
  SaveHistoryFrom(*registry_, history);
  const StoredHistory stored = LoadHistory(*registry_);
  ASSERT_EQ(stored.words.size(), 50u);
  EXPECT_EQ(stored.words.front(), u"w59");
  EXPECT_EQ(stored.engines.front(), u"e59");
  EXPECT_EQ(stored.words.back(), u"w10");
  EXPECT_TRUE(HasValue(u"SearchWords_49"));
  EXPECT_FALSE(HasValue(u"SearchWords_50"));
  EXPECT_FALSE(HasValue(u"SearchEngine_50"));
}

TEST_F(SearchHistoryStoreTest, SavingAfterLoadKeepsIndex00Newest) {
  StorePair(0, u"newest", u"{E0}");
  StorePair(1, u"middle", u"{E1}");
  StorePair(2, u"oldest", u"{E2}");
  SearchHistory history;
  LoadHistoryInto(*registry_, history);
  EXPECT_EQ(Positions(history), (Words{u"newest", u"middle", u"oldest"}));
  SaveHistoryFrom(*registry_, history);
  const StoredHistory stored = LoadHistory(*registry_);
  EXPECT_EQ(stored.words, (Words{u"newest", u"middle", u"oldest"}));
  EXPECT_EQ(stored.engines, (Words{u"{E0}", u"{E1}", u"{E2}"}));
  EXPECT_EQ(NewestStoredWords(*registry_), u"newest");
}

TEST_F(SearchHistoryStoreTest, EqualWordsInTheStoreKeepTheLowerIndex) {
  StorePair(0, u"Abc", u"{NEW}");
  StorePair(1, u"other", u"{E1}");
  StorePair(2, u"abc", u"{OLD}");
  SearchHistory history;
  LoadHistoryInto(*registry_, history);
  EXPECT_EQ(Positions(history), (Words{u"Abc", u"other"}));
  EXPECT_EQ(history.EngineAt(0), u"{NEW}");
}

TEST_F(SearchHistoryStoreTest, SavingAShorterListRemovesTheOldPairs) {
  SaveHistory(*registry_, {u"a", u"b", u"c", u"d"}, {u"1", u"2", u"3", u"4"});
  SaveHistory(*registry_, {u"x"}, {u"9"});
  EXPECT_EQ(LoadHistory(*registry_).words, (Words{u"x"}));
  EXPECT_FALSE(HasValue(u"SearchWords_01"));
  EXPECT_FALSE(HasValue(u"SearchEngine_03"));
}

TEST_F(SearchHistoryStoreTest, ListsOfDifferentLengthsChangeNothing) {
  StorePair(0, u"kept", u"{E0}");
  SaveHistory(*registry_, {u"a", u"b"}, {u"1"});
  SaveHistory(*registry_, {}, {u"1"});
  EXPECT_EQ(LoadHistory(*registry_).words, (Words{u"kept"}));
}

TEST_F(SearchHistoryStoreTest, ClearDeletesEveryPairKeepsTheKeyAndLoadsEmpty) {
  for (size_t i = 0; i < 50; ++i) StorePair(i, Numbered(u"w", i), Numbered(u"e", i));
  StoreValue(u"Unrelated", u"stays");
  ClearHistory(*registry_);
  EXPECT_TRUE(registry_->KeyExists(RegistryRoot::kCurrentUser, kHistoryKey));
  EXPECT_TRUE(HasValue(u"Unrelated"));
  for (size_t i = 0; i < 50; ++i) {
    EXPECT_FALSE(HasValue(HistoryValueName(u"SearchWords", i))) << i;
    EXPECT_FALSE(HasValue(HistoryValueName(u"SearchEngine", i))) << i;
  }
  SearchHistory history;
  LoadHistoryInto(*registry_, history);
  EXPECT_EQ(history.Count(), 0u);
}

TEST_F(SearchHistoryStoreTest, ClearWithoutAKeyCreatesNothing) {
  ClearHistory(*registry_);
  EXPECT_FALSE(registry_->KeyExists(RegistryRoot::kCurrentUser, kHistoryKey));
}

TEST_F(SearchHistoryStoreTest, RemovingAPairStoresTheRestAtOnceInOrder) {
  struct Case {
    const char* what;
    std::u16string words;
    std::u16string engine;
    bool removed;
    Words wordsAfter;
  };
  const Case cases[] = {
      {"the pair, from the middle", u"tokyo", u"{E2}", true, {u"osaka", u"kyoto"}},
      {"A-Z case ignored in words and guid", u"TOKYO", u"{e2}", true, {u"osaka", u"kyoto"}},
      {"same words, other engine", u"tokyo", u"{E1}", false, {u"osaka", u"tokyo", u"kyoto"}},
      {"words not stored", u"nagoya", u"{E2}", false, {u"osaka", u"tokyo", u"kyoto"}},
      {"the newest", u"osaka", u"{E1}", true, {u"tokyo", u"kyoto"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kHistoryKey);
    StorePair(0, u"osaka", u"{E1}");
    StorePair(1, u"tokyo", u"{E2}");
    StorePair(2, u"kyoto", u"{E3}");
    EXPECT_EQ(RemoveStoredHistoryPair(*registry_, c.words, c.engine), c.removed);
    const StoredHistory stored = LoadHistory(*registry_);
    EXPECT_EQ(stored.words, c.wordsAfter);
    ASSERT_EQ(stored.engines.size(), c.wordsAfter.size());
  }
  // The rest moved up: index 02 is gone, not left behind.
  EXPECT_FALSE(HasValue(u"SearchWords_02"));
  EXPECT_EQ(LoadHistory(*registry_).engines, (Words{u"{E2}", u"{E3}"}));
}

TEST_F(SearchHistoryStoreTest, RemovingTheLastPairLeavesAnEmptyStore) {
  StorePair(0, u"only", u"{E1}");
  EXPECT_TRUE(RemoveStoredHistoryPair(*registry_, u"only", u"{E1}"));
  EXPECT_FALSE(HasValue(u"SearchWords_00"));
  EXPECT_FALSE(RemoveStoredHistoryPair(*registry_, u"only", u"{E1}"));
  EXPECT_FALSE(RemoveStoredHistoryPair(*registry_, u"", u""));
}

TEST(SearchHistoryTest, RemovingAnEntryNeedsItsWordsAndEngine) {
  SearchHistory history;
  history.AddHistoryEntry(u"kyoto", u"{E3}");
  history.AddHistoryEntry(u"tokyo", u"{E2}");
  history.AddHistoryEntry(u"osaka", u"{E1}");
  EXPECT_FALSE(history.RemoveHistoryEntry(u"tokyo", u"{E1}"));
  EXPECT_TRUE(history.RemoveHistoryEntry(u"Tokyo", u"{e2}"));
  EXPECT_FALSE(history.RemoveHistoryEntry(u"tokyo", u"{E2}"));
  ASSERT_EQ(history.Count(), 2u);
  EXPECT_EQ(history.WordsAt(0), u"osaka");
  EXPECT_EQ(history.WordsAt(1), u"kyoto");
}

TEST_F(SearchHistoryStoreTest, CompletionCandidatesArePrefixMatchesWithCaseInStoredOrder) {
  StorePair(0, u"abc", u"{E}");
  StorePair(1, u"xab", u"{E}");
  StorePair(2, u"Abc", u"{E}");
  StorePair(3, u"ab", u"{E}");
  StorePair(4, u"abd", u"{E}");
  StorePair(6, u"a", u"{E}");
  struct Case {
    std::u16string typed;
    Words expected;
  };
  const Case cases[] = {
      {u"ab", {u"abc", u"ab", u"abd"}},
      {u"", {u"abc", u"xab", u"Abc", u"ab", u"abd", u"a"}},
      {u"A", {u"Abc"}},
      {u"abcd", {}},
      {u"b", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompletionCandidates(*registry_, c.typed), c.expected)
        << "typed: " << Utf16ToUtf8(c.typed);
  }
}

TEST_F(SearchHistoryStoreTest, CompletionCandidatesWithoutHistoryAreEmpty) {
  EXPECT_TRUE(CompletionCandidates(*registry_, u"").empty());
}

TEST(SearchHistoryTest, HistoryCandidatesArePrefixMatchesIgnoringAsciiCaseNewestFirst) {
  SearchHistory history;
  for (const char16_t* words : {u"ab", u"xab", u"Abd", u"ＡＢ", u"abc"}) {
    history.AddHistoryEntry(words, u"{E}");
  }
  struct Case {
    std::u16string typed;
    Words expected;
  };
  const Case cases[] = {
      {u"ab", {u"abc", u"Abd", u"ab"}},
      {u"AB", {u"abc", u"Abd", u"ab"}},
      {u"ａｂ", {}},  // only A to Z fold: ＡＢ is not offered
      {u"abcd", {}},
      {u"", {}},  // the classic box opens no list for an empty field
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HistoryCandidates(history, c.typed), c.expected) << "typed: " << Utf16ToUtf8(c.typed);
  }
}

}  // namespace
}  // namespace brimlet
